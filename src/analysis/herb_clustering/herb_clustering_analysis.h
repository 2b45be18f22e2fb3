// Clustering of a result set: the most frequent herbs by the formulas they occur in (with the
// dendrogram and its Newick file), the formulas of the open library most like a chosen one, and
// the formulas of the result set grouped by their herbs (类方).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/transactions.h"
#include "common/analysis_list.h"
#include "common/outcome.h"
#include "common/pictures.h"
#include "stats/clustering.h"

namespace lindora {

class Session;

enum class HerbDistance { kJaccard, kEuclidean, kCosine };

// The most herbs and clusters of one clustering: the tree of 2000 leaves is already unreadable.
inline constexpr int kMaxClusteredHerbs = 2000;

struct HerbClusteringOptions {
  int top = 30;  // herbs; ties at the cut are taken too
  HerbDistance distance = HerbDistance::kJaccard;
  Linkage linkage = Linkage::kAverage;
  int k = 5;                     // clusters, unless a height is given
  std::optional<double> height;  // cut: every merge no higher than this
};

struct HerbClustering {
  HerbClusteringOptions options;
  std::int64_t formulas = 0;            // transactions
  std::vector<std::string> herbs;       // by frequency, ties by code point
  std::vector<std::int64_t> frequency;  // by herb
  DistanceMatrix distances;             // between the herbs
  Dendrogram tree;
  std::vector<std::size_t> order;  // herbs in tree order
  std::vector<int> cluster;        // by herb, 1-based in tree order
  int clusters = 0;
  double cut_height = 0;             // where the cut line is drawn
  std::optional<double> cophenetic;  // cophenetic correlation
};

// Empty when the options can be used, else the message.
std::string CheckHerbClustering(const HerbClusteringOptions& options);
// The distances of the herbs' formula columns: Jaccard 1 − |A∩B|/|A∪B|, squared Euclidean
// |A| + |B| − 2|A∩B|, cosine (Ochiai) 1 − |A∩B|/√(|A|·|B|). `herbs` are item ids.
DistanceMatrix HerbDistances(const Transactions& t, const std::vector<ItemId>& herbs,
                             HerbDistance distance);
// The clustering of the top herbs; fewer than three herbs give an empty result.
HerbClustering ClusterHerbs(const Transactions& t, const HerbClusteringOptions& options);

// The drawing: leaves top-down in tree order, heights to the right, the cut line.
DendrogramPicture PictureOf(const HerbClustering& clustering);

// A formula as a set of herbs.
struct FormulaHerbs {
  std::string name;
  std::vector<std::string> herbs;   // standardised, in the record's order, each once
  std::vector<std::string> sorted;  // the same sorted by code point, for set operations
};
// Records of \DB\Fangji.DB with their compositions standardised as the analyses do; records
// without an indications field are skipped, as the standardisation skips them.
std::vector<FormulaHerbs> ReadLibraryFormulas(Session& session);
// The records of the current result set (standardised afresh).
std::vector<FormulaHerbs> ReadResultFormulas(Session& session);

// |A∩B| / |A∪B| of two sorted sets; 0 when both are empty.
double Jaccard(const std::vector<std::string>& a, const std::vector<std::string>& b);
std::size_t SharedCount(const std::vector<std::string>& a, const std::vector<std::string>& b);

struct SimilarFormula {
  std::size_t index = 0;  // in the library
  double similarity = 0;
  std::size_t shared = 0;
};
// The library's formulas by descending similarity to `chosen`, ties by name then record order;
// the record `self` (if any) is left out. At most `top`.
std::vector<SimilarFormula> RankSimilar(const FormulaHerbs& chosen,
                                        const std::vector<FormulaHerbs>& library,
                                        std::optional<std::size_t> self, std::size_t top);

struct FormulaClustering {
  double min_similarity = 0.5;
  std::vector<FormulaHerbs> formulas;  // with at least one herb
  std::size_t without_herbs = 0;       // records left out
  Dendrogram tree;
  // Clusters by size (descending), ties by tree order; formula indices in tree order.
  std::vector<std::vector<std::size_t>> clusters;
};
// The ranking of the library's formulas by their likeness to one formula.
struct SimilarFormulasOptions {
  std::string formula;
  std::size_t top = 20;  // formulas listed
};
inline constexpr std::size_t kMaxSimilarFormulas = 100'000;

// Average-linkage clustering on Jaccard distances, cut where the similarity falls below
// `min_similarity`.
FormulaClustering ClusterFormulas(std::vector<FormulaHerbs> formulas, double min_similarity);

// File names in the result folder.
inline constexpr const char* kHerbClusterCsv = "聚类_药物.csv";
inline constexpr const char* kHerbTreeNewick = "聚类_树.nwk";
inline constexpr const char* kHerbTreePng = "聚类_树.png";
inline constexpr const char* kHerbTreeSvg = "聚类_树.svg";
inline constexpr const char* kSimilarFormulaCsv = "相似方剂.csv";
inline constexpr const char* kFormulaClusterCsv = "方剂聚类.csv";
inline constexpr int kDendrogramWidth = 1400;

// The picture height that gives every leaf a readable line.
int DendrogramHeight(std::size_t leaves);

// Formula clustering stops at this many formulas: the distance matrix grows with the square.
inline constexpr std::size_t kMaxClusteredFormulas = 4000;

// The engines: check the options (a Chinese message and nothing written when they are not
// usable), compute, write the files to \Result\ and fill `output`.
Outcome RunHerbClustering(Session& session, const HerbClusteringOptions& options,
                          HerbClustering& result, AnalysisOutput& output);
Outcome RunSimilarFormulas(Session& session, const std::string& name, std::size_t top,
                           AnalysisOutput& output);
Outcome RunFormulaClustering(Session& session, double min_similarity, FormulaClustering& result,
                             AnalysisOutput& output);

// Tables and methods text of a result.
AnalysisOutput OutputOf(const HerbClustering& clustering);
AnalysisOutput OutputOf(const FormulaClustering& clustering);

// Descriptors of the three analyses.
AnalysisDescriptor HerbClusteringDescriptor();
AnalysisDescriptor SimilarFormulasDescriptor();
AnalysisDescriptor FormulaClusteringDescriptor();

// The options of a herb clustering from typed values (defaults for those not given); none and
// the message when one is not usable.
std::optional<HerbClusteringOptions> ReadHerbClusteringOptions(const OptionValues& values,
                                                               std::string& message);

}  // namespace lindora
