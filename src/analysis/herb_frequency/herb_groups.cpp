#include "analysis/herb_frequency/herb_groups.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "common/csv.h"
#include "common/files.h"
#include "common/text.h"
#include "stats/sort_by_count.h"

namespace lindora {

std::int64_t GroupThreshold(const HerbTable& table) {
  std::int64_t threshold = table.NumCM() > 50 ? table.CountCM[50] : 2;
  return threshold < 2 ? 2 : threshold;
}

bool Ingredients2Int(std::string_view Ingredients, std::vector<int>& Ingredient_S,
                     const HerbTable& table, const HerbPositions& positions,
                     std::int64_t Threshold) {
  std::vector<int> found;
  std::size_t pos = 0;
  while (pos <= Ingredients.size()) {
    std::size_t hit = Ingredients.find("、", pos);
    std::size_t end = hit == std::string_view::npos ? Ingredients.size() : hit;
    std::size_t p = positions.CM2Int(Ingredients.substr(pos, end - pos));
    if (p >= 1 && table.CountCM[p - 1] > Threshold) {
      if (p >= kGroupBase)
        throw std::logic_error("herb position " + std::to_string(p) + " does not fit a group key");
      found.push_back(static_cast<int>(p));
    }
    if (hit == std::string_view::npos) break;
    pos = hit + std::string_view("、").size();
  }
  if (found.size() < 2) return false;
  // Ascending, so the most frequent herb comes first in every key.
  std::sort(found.begin(), found.end());
  Ingredient_S = std::move(found);
  return true;
}

void GroupStore::Sort() {
  SortByCount(CountYaodui, Yaodui_S, NumYaodui());
}

std::string Yaodui_S2Yaodui(GroupKey Yaodui_S_Q, const std::vector<std::string>& CM,
                            int Num_Yaodui_Ingredient) {
  std::string names;
  GroupKey rest = Yaodui_S_Q;
  for (int i = 1; i <= Num_Yaodui_Ingredient; ++i) {
    GroupKey d = rest % kGroupBase;
    rest /= kGroupBase;
    if (d >= 1 && d <= CM.size()) {
      names += CM[d - 1];
      names += ',';
    }
  }
  if (!names.empty()) names.pop_back();
  return names;
}

std::string FormatGroupKey(GroupKey key) {
  return std::to_string(key) + ".0";
}

std::vector<std::vector<int>> QualifyingFormulas(const std::filesystem::path& stand_file,
                                                 const HerbTable& table, std::int64_t Threshold) {
  HerbPositions positions(table);
  std::vector<std::vector<int>> formulas;
  std::vector<int> s;
  ForEachLine(stand_file, [&](const std::string& line) {
    std::size_t tab1 = line.find('\t');
    if (tab1 == std::string::npos) return true;
    std::size_t tab2 = line.find('\t', tab1 + 1);
    std::string_view ingredients(line.data() + tab1 + 1,
                                 (tab2 == std::string::npos ? line.size() : tab2) - tab1 - 1);
    if (Ingredients2Int(ingredients, s, table, positions, Threshold)) formulas.push_back(s);
    return true;
  });
  return formulas;
}

namespace {

// A group's rank among all groups of its size addresses a dense table of first-appearance
// indexes. The positions of a group ascend (s0 <= s1 <= …, a herb listed twice is there twice),
// so s_i + i strictly ascend and the combinatorial number system ranks them: C(s0, 1) +
// C(s1 + 1, 2) + C(s2 + 2, 3) + C(s3 + 3, 4). The table then holds C(top + N, N) slots (about
// 316,000 for quadruples of 51 positions) where one addressed by every tuple of positions would
// hold (top + 1)^N (6.8 million).
bool CountGroupsDense(const std::vector<std::vector<int>>& formulas, int N, GroupStore& store) {
  int top = 0;
  for (const auto& s : formulas)
    for (int p : s) top = std::max(top, p);
  // binomial[n][k] = C(n, k) for n up to top + N.
  const std::size_t rows = static_cast<std::size_t>(top) + static_cast<std::size_t>(N) + 1;
  std::vector<std::array<std::uint64_t, 5>> binomial(rows);
  for (std::size_t n = 0; n < rows; ++n) {
    binomial[n][0] = 1;
    for (std::size_t k = 1; k <= 4; ++k)
      binomial[n][k] = n == 0 ? 0 : binomial[n - 1][k - 1] + binomial[n - 1][k];
  }
  const std::uint64_t cells = binomial[rows - 1][static_cast<std::size_t>(N)];
  if (cells > (std::uint64_t{1} << 25)) return false;
  std::vector<std::uint32_t> index(cells, 0);  // 0: not seen, else position + 1
  auto count = [&](std::uint64_t rank, GroupKey key) {
    std::uint32_t& slot = index[rank];
    if (slot == 0) {
      store.Yaodui_S.push_back(key);
      store.CountYaodui.push_back(1);
      slot = static_cast<std::uint32_t>(store.Yaodui_S.size());
    } else {
      ++store.CountYaodui[slot - 1];
    }
  };
  constexpr GroupKey B = kGroupBase;
  std::vector<GroupKey> s;
  // term[k][i]: the rank term of position i when it is the group's (k+1)-th member.
  std::array<std::vector<std::uint64_t>, 4> term;
  for (const auto& positions : formulas) {
    const std::size_t n = positions.size();
    if (n < static_cast<std::size_t>(N)) continue;
    s.assign(positions.begin(), positions.end());
    for (std::size_t k = 0; k < static_cast<std::size_t>(N); ++k) {
      term[k].resize(n);
      for (std::size_t i = 0; i < n; ++i) term[k][i] = binomial[s[i] + k][k + 1];
    }
    if (N == 2) {
      for (std::size_t i = 0; i + 1 < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) count(term[0][i] + term[1][j], s[i] + B * s[j]);
    } else if (N == 3) {
      for (std::size_t i = 0; i + 2 < n; ++i)
        for (std::size_t j = i + 1; j + 1 < n; ++j)
          for (std::size_t k = j + 1; k < n; ++k)
            count(term[0][i] + term[1][j] + term[2][k], s[i] + B * s[j] + B * B * s[k]);
    } else {
      for (std::size_t i = 0; i + 3 < n; ++i)
        for (std::size_t j = i + 1; j + 2 < n; ++j)
          for (std::size_t k = j + 1; k + 1 < n; ++k)
            for (std::size_t l = k + 1; l < n; ++l)
              count(term[0][i] + term[1][j] + term[2][k] + term[3][l],
                    s[i] + B * s[j] + B * B * s[k] + B * B * B * s[l]);
    }
  }
  return true;
}

}  // namespace

GroupStore CountGroups(const std::vector<std::vector<int>>& formulas, int Num_Yaodui_Ingredient) {
  GroupStore store;
  const int N = Num_Yaodui_Ingredient;
  if (N < 2 || N > 4) return store;
  if (!CountGroupsDense(formulas, N, store))
    throw std::logic_error("herb positions too large to count groups of " + std::to_string(N));
  store.Sort();
  return store;
}

void WriteGroupKeyFile(const GroupStore& store, AtomicFile& out) {
  std::string line;
  for (std::size_t i = 0; i < store.NumYaodui(); ++i) {
    line = FormatGroupKey(store.Yaodui_S[i]);
    line += '\t';
    line += std::to_string(store.CountYaodui[i]);
    out.WriteLine(line);
  }
}

void WriteGroupKeyFile(const GroupStore& store, const std::filesystem::path& path) {
  AtomicFile out(path);
  WriteGroupKeyFile(store, out);
  out.Commit();
}

void WriteGroupNameFile(const GroupStore& store, const std::vector<std::string>& CM,
                        int Num_Yaodui_Ingredient, AtomicFile& out) {
  // Each name is a CSV field of its own: a name a spreadsheet would take for a formula is
  // neutralised like every other CSV cell the program writes.
  for (std::size_t i = 0; i < store.NumYaodui() && i < kShownGroups; ++i) {
    CsvRow names;
    GroupKey rest = store.Yaodui_S[i];
    for (int k = 1; k <= Num_Yaodui_Ingredient; ++k) {
      const GroupKey d = rest % kGroupBase;
      rest /= kGroupBase;
      if (d >= 1 && d <= CM.size()) names.push_back(CM[d - 1]);
    }
    out.WriteLine(CsvLine(names));
  }
}

void WriteGroupNameFile(const GroupStore& store, const std::vector<std::string>& CM,
                        int Num_Yaodui_Ingredient, const std::filesystem::path& path) {
  AtomicFile out(path);
  WriteGroupNameFile(store, CM, Num_Yaodui_Ingredient, out);
  out.Commit();
}

}  // namespace lindora
