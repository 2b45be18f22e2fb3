// The analyses of a result set as one list. Each analysis is an engine (a core function that
// checks its input, computes, writes its result files and returns what it computed) and a
// descriptor: where its menu entry stands, its options with defaults and ranges, its console
// command, its report section and methods text, and the files it writes. The formula window's
// analysis menu, the console's command list, the report's sections and dialog, the workbook
// export and the tests all read the one list, so adding an analysis never means editing copies.
//
// The list is put together by the program's top layer (it knows every subsystem) and handed to
// the session; lower layers only see these types.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/outcome.h"

namespace lindora {

class Session;

// One cell of a result table: text, or a number with the decimals it is shown with. A percent
// cell holds the fraction (0.25) and shows "25.00%" with two decimals.
struct TableCell {
  enum class Kind { kText, kNumber, kPercent };
  Kind kind = Kind::kText;
  std::string text;   // what the cell shows (numbers formatted as the window shows them)
  double number = 0;  // numbers and percents
  int decimals = 0;   // numbers and percents

  static TableCell Text(std::string text) { return {Kind::kText, std::move(text), 0, 0}; }
  static TableCell Number(double value, int decimals = 0) {
    return {Kind::kNumber, Fixed(value, decimals), value, decimals};
  }
  static TableCell Percent(double fraction, int decimals = 2) {
    return {Kind::kPercent, Fixed(fraction * 100, decimals) + "%", fraction, decimals};
  }
  static std::string Fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
  }
};

// A table as an analysis computed it: every row, not only those a window shows.
struct ResultTable {
  std::string key;      // stable name, also the workbook's sheet name ("herbs", "rules", …)
  std::string caption;  // Chinese caption over the table in the report and the workbook
  std::vector<std::string> header;
  std::vector<std::vector<TableCell>> rows;
};

// A number or a choice an analysis takes, shared by its window, the console and the report.
struct AnalysisOption {
  enum class Kind { kWhole, kDecimal, kChoice, kText };
  std::string key;      // console option without "--" ("top", "min-support")
  std::string caption;  // Chinese label in windows and the report dialog
  Kind kind = Kind::kWhole;
  std::string default_value;
  double min = 0, max = 0;           // inclusive range of kWhole and kDecimal
  std::vector<std::string> choices;  // kChoice

  // An option from the default its options struct holds and the limits its engine keeps to.
  static AnalysisOption Whole(std::string key, std::string caption, std::int64_t value,
                              std::int64_t min, std::int64_t max);
  static AnalysisOption Decimal(std::string key, std::string caption, double value, double min,
                                double max);
  static AnalysisOption Choice(std::string key, std::string caption, std::string value,
                               std::vector<std::string> choices);
  static AnalysisOption Text(std::string key, std::string caption, std::string value = {});
};

// The values of an analysis's options by key, as typed (checked by the option parser).
using OptionValues = std::map<std::string, std::string>;

// What one run of an analysis produced, for any presenter (window, console, report, workbook).
struct AnalysisOutput {
  std::vector<ResultTable> tables;
  std::vector<std::string> files;      // relative result paths written ("\Result\…")
  std::string summary;                 // one line for the console and the window's count label
  std::string methods_zh, methods_en;  // the methods sentences of this run's options
};

// Where an analysis's entry stands in the formula window's 数据分析 menu: with the analyses of
// the current result set, or after 保存结果集… with what works on saved sets. kHerbWindows: it
// works on what the single-herb and chemistry windows list (a herb's ingredients), not on the
// result set, and its entries stand in those windows' menus.
enum class MenuGroup { kResultSet, kSavedSets, kHerbWindows };

struct AnalysisDescriptor {
  std::string key;      // console command and report section key ("herb-properties")
  std::string caption;  // Chinese name ("性味归经分析")
  // The menu entry in the formula window's analysis menu; none when menu_name is empty.
  std::string menu_name;  // Menu_… object name
  std::string menu_caption;
  MenuGroup menu_group = MenuGroup::kResultSet;
  std::vector<AnalysisOption> options;
  // Files its console command also writes when named, beyond its options ("png": --png FILE).
  std::vector<std::string> console_outputs;
  // Options its console command takes as operands, in order ("formula": similar-formulas NAME).
  std::vector<std::string> console_operands;
  std::vector<std::string> files;  // the result files it writes ("\Result\性味归经.csv")
  std::string usage, help;         // the console command's usage line and help text
  bool in_report = true;           // has a report section
  std::string report_title;        // the report section's heading
  std::string report_key;          // the report's section key when it is not `key` ("herbs")
  // The engine through one door: checks, computes, writes its files, fills `output`.
  std::function<Outcome(Session&, const OptionValues&, AnalysisOutput&)> run;
  // What the menu entry does (opens the analysis's window and shows a run); empty: `run`.
  std::function<Outcome(Session&)> open;
};

using AnalysisList = std::vector<AnalysisDescriptor>;

// The analysis with this console command / key, or null.
const AnalysisDescriptor* FindAnalysis(const AnalysisList& list, std::string_view key);
// The option with this key, or null.
const AnalysisOption* FindOption(const AnalysisDescriptor& analysis, std::string_view key);
// The report section key of an analysis (report_key, else key).
const std::string& ReportKey(const AnalysisDescriptor& analysis);

// The one reader of numbers a user types: an optional minus and up to 15 digits (exact in a
// double), blanks around allowed; a decimal may have one point. None when the text is not one.
std::optional<std::int64_t> ReadWholeNumber(std::string_view text);
std::optional<double> ReadDecimalNumber(std::string_view text);
// A decimal as an option shows it: no trailing zeros ("0.5", "0", "1e9" as "1000000000").
std::string DecimalText(double value);

// The one reader of whole-number and decimal options, shared by windows, the console and the
// report dialog. A whole number is an optional minus and up to 15 digits; a decimal may have a
// point and digits after it; blanks around either are allowed. Returns the empty text, or a
// Chinese message naming the option, the text and the range.
std::string CheckOptionText(const AnalysisOption& option, std::string_view text);
// Fills in the default of every option not given, checking nothing.
void FillDefaults(const AnalysisDescriptor& analysis, OptionValues& values);
// Fills in the default of every option not given and checks every value; an unknown key is an
// error too. Returns the empty text or the first problem.
std::string CompleteOptions(const AnalysisDescriptor& analysis, OptionValues& values);
// The value of a checked option (CompleteOptions first).
std::int64_t WholeOption(const OptionValues& values, const std::string& key);
double DecimalOption(const OptionValues& values, const std::string& key);

}  // namespace lindora
