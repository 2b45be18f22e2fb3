#include "stats/transactions.h"

#include <algorithm>

namespace lindora {

std::vector<ItemId> Transactions::ByFrequency() const {
  std::vector<ItemId> ids(names.size());
  for (ItemId i = 0; i < ids.size(); ++i) ids[i] = i;
  // UTF-8 byte order is code point order.
  std::sort(ids.begin(), ids.end(), [&](ItemId a, ItemId b) {
    return frequency[a] != frequency[b] ? frequency[a] > frequency[b] : names[a] < names[b];
  });
  return ids;
}

}  // namespace lindora
