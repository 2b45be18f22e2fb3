// Nature, flavour and meridian distribution (性味归经) of the herbs of the current result set.
// Counting: a herb counts once per formula it is in (a herb in 40 formulas counts 40), once for
// its nature and once for each of its flavours and meridians; the degrees of nature fold into
// 寒/凉/平/温/热 (the table as written stands beside), 微苦 counts as 苦. Percentages are of all
// herb occurrences of the set, so herbs without property data are a row of every table and are
// named, never dropped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/analysis_list.h"
#include "common/outcome.h"
#include "common/pictures.h"

namespace lindora {

class Session;

inline constexpr std::string_view kHerbPropertyResultFile = "\\Result\\性味归经.csv";
inline constexpr std::string_view kWithoutDataRow = "无性味数据";

struct HerbPropertiesOptions {};

struct PropertyCount {
  std::string category;
  std::int64_t occurrences = 0;    // herb occurrences (formulas × herbs)
  std::int64_t herbs = 0;          // distinct herbs
  double share = 0;                // occurrences / all herb occurrences of the set
  std::vector<std::string> names;  // the herbs, most frequent first
};

struct ToxicHerb {
  std::string name;
  std::string toxicity;
  std::vector<std::string> formulas;  // the formulas of the set that hold it, in set order
};

struct UncountedHerb {
  std::string name;
  std::int64_t occurrences = 0;
};

struct HerbPropertiesResult {
  Outcome outcome = Outcome::kRefused;
  std::int64_t formulas = 0;
  std::int64_t occurrences = 0;  // all herb occurrences of the set
  std::int64_t herbs = 0;        // distinct herbs of the set
  // Each table lists every category in the books' order, then the row kWithoutDataRow.
  std::vector<PropertyCount> natures, nature_degrees, flavours, meridians;
  std::vector<UncountedHerb> without_data;  // most frequent first
  std::vector<ToxicHerb> toxic;             // most formulas first
  int bad_property_lines = 0;               // lines of the property file that were skipped
};

// Checks that the result set has herbs (else the no-data warning), counts, writes
// \Result\性味归经.csv. A file that cannot be read or written is one message (kFailed).
HerbPropertiesResult RunHerbProperties(Session& session, const HerbPropertiesOptions& options = {});

// The charts of a result: bars of the folded natures, flavours, meridians (occurrences), and
// radars of flavours and meridians.
BarChart NatureChart(const HerbPropertiesResult& result);
BarChart FlavourChart(const HerbPropertiesResult& result);
BarChart MeridianChart(const HerbPropertiesResult& result);
RadarChart FlavourRadar(const HerbPropertiesResult& result);
RadarChart MeridianRadar(const HerbPropertiesResult& result);

// "共 N 首方剂，药物出现 M 次（K 味）；无性味数据的 X 味（Y 次）：名(次)、…".
std::string HerbPropertiesSummary(const HerbPropertiesResult& result);

AnalysisOutput HerbPropertiesOutput(const HerbPropertiesResult& result);
AnalysisDescriptor HerbPropertiesAnalysis();

}  // namespace lindora
