// The two analyses of a herb's ingredients: drug-likeness screening (descriptors and the rules
// of Lipinski and Veber) and the ingredients similar to a reference set of actives. Each engine
// checks its input, runs the converter in batch, writes its result file and returns the rows;
// the screening window and the console present them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "chem/ingredient_screening.h"
#include "common/analysis_list.h"
#include "common/outcome.h"

namespace lindora {

struct ScreeningOptions {
  std::vector<ScreeningCompound> compounds;
  bool strip_salts = false;  // keep only the largest fragment of each molecule
};

struct ScreeningRun {
  Outcome outcome = Outcome::kRefused;
  std::vector<ScreeningResult> results;  // in the order of the compounds
  std::string summary;  // "N 个成分：Lipinski 通过 …" (and how many have no values)
  std::string version;  // the converter's, as it reports it
  std::string method;   // the method line: toolkit, version, salts, descriptor definitions
  std::filesystem::path file;
};

// Refuses an empty list; writes \Result\成分筛选.csv with the method line. A converter or file
// failure is one message (kFailed) and leaves the file as it was.
ScreeningRun RunIngredientScreening(Session& session, const ScreeningOptions& options);

struct SimilarActivesOptions {
  std::vector<ScreeningCompound> compounds;
  ActivityKind kind = ActivityKind::kAnticancer;
  double min_similarity = kDefaultMinSimilarity;
};

struct SimilarActivesRun {
  Outcome outcome = Outcome::kRefused;
  std::vector<SimilarActive> similar;
  std::size_t references = 0, unusable = 0;  // reference lines, and those left out
  std::filesystem::path file;
};

// Refuses an empty list and an empty reference set; writes \Result\相似活性成分.csv.
SimilarActivesRun RunSimilarActives(Session& session, const SimilarActivesOptions& options);

class ChemAnalysis;
// The compounds of the chemical analysis window's grid.
std::vector<ScreeningCompound> ListedCompounds(const ChemAnalysis& chem);

AnalysisOutput ScreeningOutput(const ScreeningRun& run);
AnalysisOutput SimilarActivesOutput(const SimilarActivesRun& run);
AnalysisDescriptor IngredientScreeningAnalysis();
AnalysisDescriptor SimilarActivesAnalysis();

}  // namespace lindora
