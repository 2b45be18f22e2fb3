// The dose table of a result set: every herb's dose read from the compositions, weights
// converted to grams by a named table, and per herb and unit the number of formulas with a
// dose, the quartiles (definition 7), mean, standard deviation and the most frequent dose.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/doses/dose_units.h"
#include "common/analysis_list.h"
#include "common/outcome.h"
#include "common/pictures.h"
#include "formula/composition.h"
#include "formula/herb_list.h"
#include "stats/dose_statistics.h"

namespace lindora {

class Session;

inline constexpr std::string_view kDoseFile = "\\Result\\剂量分析.csv";
inline constexpr std::string_view kGramUnit = "g";
inline constexpr std::string_view kLiangUnit = "两";
// What the unit column shows for a herb none of whose mentions has a readable dose.
inline constexpr std::string_view kNoDoseUnit = "—";

// The doses of one herb over a set of formulas: one value per formula and unit (the formula's
// total of the herb in that unit; weights in grams), and the formulas that name the herb
// without any readable dose.
struct HerbDoses {
  std::string herb;                                  // standardised name
  std::int64_t formulas = 0;                         // formulas that name it
  std::int64_t without_dose = 0;                     // of them, with no readable dose
  std::map<std::string, std::vector<double>> units;  // "g" or a count/volume unit as written
};

struct DoseSamples {
  DoseTable table = DoseTable::kModern;
  std::int64_t formulas = 0;  // usable records read
  std::int64_t mentions = 0, readable = 0, converted = 0;
  std::vector<HerbDoses> herbs;  // most formulas first, ties by the name's code points
  // Dose texts that could not be read, with how often (an empty text: no dose written).
  std::map<std::string, std::int64_t> unreadable;
};

// Folds the compositions of a set of formulas (one vector of mentions per formula). Herb names
// are resolved by `herbs` as the herb frequency counts them (without it: as written).
DoseSamples CollectDoses(const std::vector<std::vector<HerbMention>>& formulas, DoseTable table,
                         const HerbList& herbs = HerbList({}, false));

// The same over the usable records of a result file, read in parts side by side.
DoseSamples CollectDosesOfFile(const std::filesystem::path& result_file, DoseTable table,
                               const HerbList& herbs = HerbList({}, false));

// The compositions (field 2) of the usable records (at least three fields) of a result file.
std::vector<std::vector<HerbMention>> ReadCompositions(const std::filesystem::path& result_file);

struct DoseRow {
  std::string herb, unit;     // unit kNoDoseUnit: no statistics
  std::int64_t formulas = 0;  // formulas that name the herb
  std::int64_t without_dose = 0;
  DoseSummary summary;  // summary.n: formulas with a dose in this unit
};

// The most herbs of the box plot: beyond it the boxes are too narrow to read.
inline constexpr int kMaxDoseChartHerbs = 200;

struct DosesOptions {
  DoseTable table = DoseTable::kModern;
  int top = 20;                 // herbs of the box plot
  bool in_liang = false;        // weights in 两 of the conversion table instead of grams
  std::filesystem::path chart;  // also write the box plot there (PNG); empty: not
};

struct DosesResult {
  Outcome outcome = Outcome::kDone;
  DosesOptions options;
  DoseSamples samples;
  std::vector<DoseRow> rows;  // herbs in sample order; per herb grams first, then units by n
  BoxPlot box_plot;
};

// One row per herb and unit of the samples; with `in_liang`, weights in 两 of the table.
std::vector<DoseRow> DoseRows(const DoseSamples& samples, bool in_liang = false);
// The weights of the `top` herbs with most formulas with a weight, Tukey's whiskers (1.5 IQR).
BoxPlot DoseBoxPlot(const DoseSamples& samples, int top);

// The dose table of the current result set: refuses an empty result set, writes
// \Result\剂量分析.csv and, when asked, the box plot.
DosesResult RunDoses(Session& session, const DosesOptions& options);

// The header and cells of the dose file and table.
const std::vector<std::string>& DoseHeader();
std::vector<std::string> DoseCells(const DoseRow& row, DoseTable table);

// The methods sentences of a run.
std::string DoseMethodsZh(DoseTable table);
// The table an analysis uses unless the user picks one: 汉制 13.8 g for a classical library,
// 现代 for the others.
DoseTable DefaultDoseTable(const Session& session);
// The key of an option that leaves the table to the library.
inline constexpr std::string_view kLibraryDoseTableKey = "library";
std::string DoseMethodsEn(DoseTable table);

AnalysisOutput DosesOutput(const DosesResult& result);
AnalysisDescriptor DosesDescriptor();

}  // namespace lindora
