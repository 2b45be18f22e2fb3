// The formulas of a result set as sets of items (herbs, or symptoms), the input of every
// co-occurrence analysis: association rules, the herb network, the comparison of two sets.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lindora {

using ItemId = std::uint32_t;

// One transaction per record; the items of a record are distinct and sorted by id. Item ids
// number the names in order of first appearance.
struct Transactions {
  std::vector<std::string> names;       // by item id
  std::vector<std::int64_t> frequency;  // by item id: transactions that contain the item
  std::vector<ItemId> items;            // the items of all transactions, one after another
  std::vector<std::size_t> offsets;     // transaction t is items[offsets[t], offsets[t+1])

  std::size_t N() const { return offsets.empty() ? 0 : offsets.size() - 1; }
  std::span<const ItemId> Row(std::size_t t) const {
    return {items.data() + offsets[t], items.data() + offsets[t + 1]};
  }
  // Item ids by descending frequency, ties by the name's code points.
  std::vector<ItemId> ByFrequency() const;
};

}  // namespace lindora
