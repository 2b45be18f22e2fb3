// Co-occurrence of herbs: pairs, triples and quadruples of the most frequent herbs counted over
// the formulas of the current result set.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/herb_table.h"

namespace lindora {

class AtomicFile;

// N positions s0 <= s1 <= … packed with base 10000, the smallest position lowest:
// s0 + 10000·s1 + 10000²·s2 + 10000³·s3. Exact in 64 bits (below 10^16).
using GroupKey = std::uint64_t;
inline constexpr GroupKey kGroupBase = 10000;

// A herb takes part in groups only when its count is strictly greater than this: the count of
// the 51st most frequent herb when there are more than 50, never less than 2. Only positions
// 1 to 50 can therefore take part, far below the packing limit.
std::int64_t GroupThreshold(const HerbTable& table);

// The ascending positions of the qualifying herbs of one standardised composition (a herb
// listed twice is there twice). False, leaving Ingredient_S alone, when fewer than two
// qualify.
bool Ingredients2Int(std::string_view Ingredients, std::vector<int>& Ingredient_S,
                     const HerbTable& table, const HerbPositions& positions,
                     std::int64_t Threshold);

// The groups of one size with their counts, in first-appearance order until sorted.
struct GroupStore {
  std::vector<GroupKey> Yaodui_S;
  std::vector<std::int64_t> CountYaodui;
  std::size_t NumYaodui() const { return Yaodui_S.size(); }

  // Sorts by count with SortByCount.
  void Sort();
};

// The herb names of a key, smallest position first, joined by ",".
std::string Yaodui_S2Yaodui(GroupKey Yaodui_S_Q, const std::vector<std::string>& CM,
                            int Num_Yaodui_Ingredient);

// A key as the group files write it ("30001.0").
std::string FormatGroupKey(GroupKey key);

// The qualifying positions of every formula of a standardised result file with at least two
// of them, read once for all group sizes.
std::vector<std::vector<int>> QualifyingFormulas(const std::filesystem::path& stand_file,
                                                 const HerbTable& table, std::int64_t Threshold);

// Counts and sorts the groups of size N (2, 3 or 4; any other N gives none) over the formulas:
// every N-combination of a formula's positions, enumerated in nested ascending loops, keeps the
// order of its first appearance until sorted. Positions are at most 50 (GroupThreshold), so a
// combination addresses a dense table; positions too large for it raise std::logic_error.
GroupStore CountGroups(const std::vector<std::vector<int>>& formulas, int Num_Yaodui_Ingredient);

// How many groups the grid and the name file show.
inline constexpr std::size_t kShownGroups = 200;

// "\Result\Yaodui_Analysis" + N + ".txt": every group, "key TAB count".
void WriteGroupKeyFile(const GroupStore& store, const std::filesystem::path& path);
// "\Result\Yaodui_Analysis" + N + "_Name.csv": the first 200 groups as names joined by ",".
void WriteGroupNameFile(const GroupStore& store, const std::vector<std::string>& CM,
                        int Num_Yaodui_Ingredient, const std::filesystem::path& path);
// The same into a file of a set (written, not committed).
void WriteGroupKeyFile(const GroupStore& store, AtomicFile& out);
void WriteGroupNameFile(const GroupStore& store, const std::vector<std::string>& CM,
                        int Num_Yaodui_Ingredient, AtomicFile& out);

}  // namespace lindora
