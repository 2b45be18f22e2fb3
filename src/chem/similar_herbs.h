// The herbs whose ingredients are most similar to one compound: the FP2 path fingerprint of the
// compound against that of every ingredient linked to a herb (Tanimoto), each herb ranked by its
// best-matching ingredient. The library's fingerprints come from the converter in batches and are
// kept in a cache file beside it, recomputed when the compound file changes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "chem/ingredient_screening.h"

namespace lindora {

class Session;

inline constexpr std::string_view kSimilarHerbsFile = "\\Result\\相似成分中药.csv";
inline constexpr std::string_view kFingerprintCacheFile = "\\exe\\compound_fp2.cache";
// Compounds per converter run: each run stays far below the converter's time limit.
inline constexpr std::size_t kFingerprintBatch = 1000;

struct SimilarHerbsOptions {
  ScreeningCompound query;  // the compound compared (its SMILES is what counts)
  double min_similarity = kDefaultMinSimilarity;
};

struct SimilarHerb {
  std::int32_t herb_number = 0;
  std::string herb;       // the name in the herb file; "（编号 N）" when the file has none
  double similarity = 0;  // of the best-matching ingredient
  std::string best_id, best_name;
  int similar_ingredients = 0;  // ingredients at or above the threshold
  int ingredients = 0;          // ingredients linked to the herb
};

struct SimilarHerbsResult {
  std::string refusal;             // non-empty: why nothing was compared, nothing written
  std::vector<SimilarHerb> herbs;  // best similarity first, then more similar ingredients
  std::size_t compared = 0;        // distinct linked ingredients with a fingerprint
  std::size_t without_fingerprint = 0;
  std::filesystem::path file;
};

// The herbs with at least one ingredient at or above the threshold, written to the result file;
// a refusal when the query's SMILES gives no fingerprint. Raises ConverterError or FileError when
// a run or a file fails (the result file then stays as it was).
SimilarHerbsResult RunSimilarHerbs(Session& session, const SimilarHerbsOptions& options);

// The rows (header first) of the result file.
std::vector<std::vector<std::string>> SimilarHerbsCsvRows(const SimilarHerbsResult& result);

}  // namespace lindora
