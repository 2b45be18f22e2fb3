#include "support/group_oracle.h"

#include <stdexcept>

namespace lindora::test {

void GroupCounter::Count(GroupKey key) {
  if (key == 0) throw std::logic_error("empty group key");
  auto [it, added] = index_.emplace(key, Yaodui_S.size());
  if (added) {
    Yaodui_S.push_back(key);
    CountYaodui.push_back(1);
  } else {
    ++CountYaodui[it->second];
  }
}

void AnalysisYaodui(const std::vector<int>& Ingredient_S, GroupCounter& store,
                    int Num_Yaodui_Ingredient) {
  const std::size_t n = Ingredient_S.size();
  const int N = Num_Yaodui_Ingredient;
  if (N < 2 || N > 4 || n < static_cast<std::size_t>(N)) return;
  constexpr GroupKey B = kGroupBase;
  std::vector<GroupKey> s(Ingredient_S.begin(), Ingredient_S.end());
  if (N == 2) {
    for (std::size_t i = 0; i + 1 < n; ++i)
      for (std::size_t j = i + 1; j < n; ++j) YaoduiAnalysis(s[i] + B * s[j], store);
  } else if (N == 3) {
    for (std::size_t i = 0; i + 2 < n; ++i)
      for (std::size_t j = i + 1; j + 1 < n; ++j)
        for (std::size_t k = j + 1; k < n; ++k)
          YaoduiAnalysis(s[i] + B * s[j] + B * B * s[k], store);
  } else {
    for (std::size_t i = 0; i + 3 < n; ++i)
      for (std::size_t j = i + 1; j + 2 < n; ++j)
        for (std::size_t k = j + 1; k + 1 < n; ++k)
          for (std::size_t l = k + 1; l < n; ++l)
            YaoduiAnalysis(s[i] + B * s[j] + B * B * s[k] + B * B * B * s[l], store);
  }
}

}  // namespace lindora::test
