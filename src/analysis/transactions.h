// The formulas of a result set as sets of items (herbs, or symptoms), the input of every
// co-occurrence analysis: association rules, the herb network, the comparison of two sets.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace lindora {

class Session;

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

// The herbs of every line of a standardised result file: field 1 split at "、", empty items
// dropped, a herb listed twice counted once. Every line is a transaction, also one whose
// composition is empty. Raises FileError when the file cannot be read.
Transactions ReadHerbTransactions(const std::filesystem::path& stand_file);

// The symptoms of every usable record of a result file (a name and a composition, as the
// standardisation keeps; no indications field means no symptoms): the indications cut by the
// symptom clean-up, split at "，".
Transactions ReadSymptomTransactions(const std::filesystem::path& result_file);

// Standardises the session's \Result\Result.DB afresh and reads the herbs of the copy.
Transactions HerbTransactionsOfResultSet(Session& session);

}  // namespace lindora
