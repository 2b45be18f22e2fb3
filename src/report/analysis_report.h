// The analysis report of the current result set: the data and how it was selected, herb
// frequency, herb types, nature, flavours and meridians, association rules, the herb network,
// symptoms and, when chosen, the comparison of two result sets, with a methods section in Chinese
// and English generated from what was run. Written as one self-contained HTML file and a PDF of the
// same content.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/compare_sets/compare_sets_analysis.h"
#include "analysis/network/herb_network.h"
#include "analysis/rules/rules_analysis.h"
#include "common/outcome.h"
#include "common/pictures.h"
#include "report/report_document.h"

namespace lindora {

class Session;

enum class ReportSection {
  kData,
  kHerbs,
  kTypes,
  kProperties,
  kRules,
  kNetwork,
  kSymptoms,
  kDoses,
  kComparison
};

// The section's name in the CLI's --sections list ("data", "herbs", …).
std::string_view SectionKey(ReportSection section);
std::optional<ReportSection> SectionFromKey(std::string_view key);
// The section's Chinese title.
std::string_view SectionTitle(ReportSection section);
const std::vector<ReportSection>& AllSections();

struct ReportOptions {
  // Every section but the doses and the comparison, which needs two sets. The document keeps its
  // own order whatever the order of this list.
  std::vector<ReportSection> sections = {ReportSection::kData,    ReportSection::kHerbs,
                                         ReportSection::kTypes,   ReportSection::kProperties,
                                         ReportSection::kRules,   ReportSection::kNetwork,
                                         ReportSection::kSymptoms};
  // Sections of further analyses of the session's list (by key, in the list's order after the
  // sections above): each run with its defaults, its tables and methods as it returns them.
  std::vector<std::string> analyses;
  int rows = 30;  // rows of the frequency, rule and symptom tables
  // Association rules, as the rule window's fields take them.
  std::string min_support = RuleOptions{}.min_support,
              min_confidence = RuleOptions{}.min_confidence, min_lift = RuleOptions{}.min_lift,
              max_size = RuleOptions{}.max_size;
  // The herb network.
  NetworkThresholds network;
  // The comparison of two result sets by name ("." = the current one), as its window takes them.
  std::string compare_a = ".", compare_b;
  bool compare_symptoms = false;
  std::string compare_min_count = SetComparisonOptions{}.min_count;
  bool compare_doses = false;  // the comparison also compares the doses
  // The conversion of weights to grams of the dose section and the dose comparison.
  std::string dose_table;  // a key of DoseTables(); empty: the open library's default
  std::string date;        // the one date line, YYYY-MM-DD
  std::filesystem::path html, pdf, xlsx;  // empty: \Result\分析报告.html, .pdf and .xlsx

  bool Has(ReportSection s) const;
};

// Called before each step with its name, the step's number and the number of steps; returns
// false when the user cancelled.
using ReportProgress = std::function<bool(std::string_view step, int done, int total)>;

struct ReportRun {
  Outcome outcome = Outcome::kDone;
  bool cancelled = false;  // kRefused without a message: every file is as it was before
  std::filesystem::path html, pdf, xlsx;
  ReportDocument document;
};

// Checks the options and the result set (refusing with a message), runs every chosen analysis
// on the current result set as its window would, writing the same result files, and writes
// the report and the workbook of its tables. The pictures and the PDF come from the installed
// picture writer. A cancel puts back every file of Result/ (and the chosen report files) as it
// was before the run.
ReportRun WriteAnalysisReport(Session& session, const ReportOptions& options,
                              const ReportProgress& progress = {});

// The lindora-cli script that regenerates the report: the commands that made the result set
// (ResultSetRecipe) and the report command with the options that were used; an imported
// `library` is opened with --library, so the commands search the library the report read.
std::string RegenerationScript(const std::vector<std::string>& recipe, const ReportOptions& options,
                               std::string_view library = {});

// Today's date as YYYY-MM-DD (local time).
std::string TodayIso();

}  // namespace lindora
