// The group counting of the program done the plain way, one formula at a time through a keyed
// index: the oracle that the dense counting of CountGroups must agree with.
#pragma once

#include <unordered_map>
#include <vector>

#include "analysis/herb_frequency/herb_groups.h"

namespace lindora::test {

// A group store that counts one key at a time, appending a key on first sight.
class GroupCounter : public GroupStore {
 public:
  void Count(GroupKey key);

 private:
  std::unordered_map<GroupKey, std::size_t> index_;
};

// Counts one key.
inline void YaoduiAnalysis(GroupKey Ingredients_Query, GroupCounter& store) {
  store.Count(Ingredients_Query);
}

// Enumerates the N-combinations (N = 2, 3, 4; any other N adds nothing) of one formula's
// positions in nested ascending loops and counts each.
void AnalysisYaodui(const std::vector<int>& Ingredient_S, GroupCounter& store,
                    int Num_Yaodui_Ingredient);

}  // namespace lindora::test
