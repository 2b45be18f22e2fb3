// Herb association by mutual information, core combinations of three or four herbs ranked by
// total correlation, and the candidate new formulas they merge into. Entropies are in bits over
// the formulas of the result set, computed from exact counts.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "analysis/herb_clustering/herb_clustering_analysis.h"
#include "analysis/transactions.h"
#include "common/analysis_list.h"
#include "common/outcome.h"

namespace lindora {

class Session;

struct PairInformation {
  double mi = 0;          // I(A;B) in bits
  double normalised = 0;  // I / min(H(A), H(B)); 0 when either entropy is 0
};
// From the formula count n, the herbs' counts and their count together.
PairInformation MutualInformation(std::int64_t n, std::int64_t a, std::int64_t b,
                                  std::int64_t both);

// Total correlation Σ H(Xᵢ) − H(X₁…X_k) of k presence variables from the counts of the 2^k
// cells (cell bit i set: herb i present) over n formulas.
double TotalCorrelation(const std::vector<std::int64_t>& cells, int k, std::int64_t n);

struct CoreOptions {
  std::int64_t min_support = 3;  // formulas holding the whole combination (and each herb)
  double min_association = 0.1;  // normalised mutual information of every pair
  int size = 3;                  // 3 or 4
  int keep = 20;
  // Candidates: clusters joined while their average Jaccard similarity exceeds it. Two triples
  // sharing two herbs (0.5) or two quadruples sharing three (0.6) join; sharing less, they stay
  // apart.
  double merge_similarity = 0.4;
};

struct HerbPair {
  std::size_t a = 0, b = 0;  // herb indices, a < b
  std::int64_t together = 0;
  PairInformation info;
  // The link test: together in at least the minimum support and in more formulas than chance
  // predicts (n·together > n_a·n_b), and associated enough. Mutual information alone also
  // rewards herbs that avoid each other.
  bool linked = false;
};

struct CoreCombination {
  std::array<std::size_t, 4> herbs{};  // herb indices, ascending
  int size = 0;
  std::int64_t support = 0;
  double total_correlation = 0;
};

struct CandidateFormula {
  std::vector<std::size_t> herbs;         // herb indices, ascending
  std::vector<std::size_t> combinations;  // indices into the kept combinations
  std::size_t library_with_three = 0;     // library formulas holding at least 3 of its herbs
  std::string closest;                    // most similar library formula ("" when none)
  double closest_similarity = 0;
};

struct CoreAnalysis {
  CoreOptions options;
  std::int64_t formulas = 0;
  std::vector<std::string> herbs;  // herbs in at least min_support formulas, by frequency
  std::vector<std::int64_t> frequency;
  std::vector<HerbPair> pairs;        // all pairs, by descending MI, ties by herb order
  std::size_t qualifying = 0;         // combinations meeting the thresholds
  std::vector<CoreCombination> kept;  // the best `keep`, in rank order
  std::vector<CandidateFormula> candidates;
  std::size_t library_size = 0;
  std::size_t too_many_herbs = 0;  // herbs found when above kMaxCoreHerbs (nothing computed)
};

// Above this many herbs the table of all pairs would not fit in memory comfortably.
inline constexpr std::size_t kMaxCoreHerbs = 1500;

// Empty when the options can be used, else the message.
std::string CheckCoreOptions(const CoreOptions& options);
// Rank order: total correlation descending, then support descending, then herb order.
bool CoreRankBefore(const CoreCombination& a, const CoreCombination& b);
// The herbs, their pair table and the kept combinations (no candidates).
CoreAnalysis FindCoreCombinations(const Transactions& t, const CoreOptions& options);
// Clusters the kept combinations into candidates and compares them with the library.
void BuildCandidates(CoreAnalysis& analysis, const std::vector<FormulaHerbs>& library);

// The library's formulas as sorted, distinct herb numbers: what the candidates are compared
// with, without a text per herb of 100,000 formulas. Read as ReadLibraryFormulas reads them.
struct LibrarySets {
  LibrarySets() = default;
  LibrarySets(LibrarySets&&) = default;  // `id` points into `texts`, which a move keeps
  LibrarySets& operator=(LibrarySets&&) = default;
  LibrarySets(const LibrarySets&) = delete;
  LibrarySets& operator=(const LibrarySets&) = delete;

  std::vector<std::string> names;
  std::vector<std::uint32_t> herbs;  // formula i: herbs[start[i] .. start[i + 1])
  std::vector<std::size_t> start{0};
  std::unordered_map<std::string_view, std::uint32_t> id;  // herb name → number
  std::deque<std::string> texts;                           // the names `id` points into
  // A formula from its standardised composition ("甲、乙、…") or from its herb names.
  void Add(std::string name, std::string_view composition);
  void Add(std::string name, const std::vector<std::string>& herb_names);

 private:
  std::uint32_t Number(std::string_view herb);
  void Close(std::string name, std::size_t first);
};
LibrarySets ReadLibrarySets(Session& session);
void BuildCandidates(CoreAnalysis& analysis, const LibrarySets& library);

inline constexpr const char* kMutualInformationCsv = "药物互信息.csv";
inline constexpr const char* kCoreCombinationCsv = "核心组合.csv";
inline constexpr const char* kCandidateCsv = "新方候选.csv";

Outcome RunCoreCombinations(Session& session, const CoreOptions& options, CoreAnalysis& result,
                            AnalysisOutput& output);
AnalysisOutput OutputOf(const CoreAnalysis& analysis);
AnalysisDescriptor CoreCombinationsDescriptor();

}  // namespace lindora
