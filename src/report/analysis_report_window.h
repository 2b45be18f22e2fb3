// The report window: which sections to write and with which thresholds, a button that writes
// the report and opens the HTML in the browser, and a line that tells what was written.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/outcome.h"
#include "common/window_model.h"
#include "report/analysis_report.h"

namespace lindora {

class AnalysisReportWindow : public WindowModel {
 public:
  static constexpr std::string_view kCaption = "生成分析报告";

  explicit AnalysisReportWindow(Session& session);
  std::string_view FormName() const override { return "Frm_AnalysisReport"; }

  const ReportOptions& Options() const { return options_; }
  bool SectionChecked(ReportSection section) const { return options_.Has(section); }
  void SetSectionChecked(ReportSection section, bool checked);
  // The sections of the list's further analyses (those without a section of their own above),
  // by key, in the list's order.
  std::vector<std::string> ListedSections() const;
  bool ListedSectionChecked(const std::string& key) const;
  void SetListedSectionChecked(const std::string& key, bool checked);
  // Changes thresholds and other options; the view hears of it.
  void EditOptions(const std::function<void(ReportOptions&)>& edit);

  // Takes the thresholds the rules and network windows last used, where they are open.
  void TakeLastUsedThresholds();
  // The view shows progress through this while a report is written.
  void SetProgressHandler(ReportProgress progress) { progress_ = std::move(progress); }

  // 生成: writes the report with today's date and opens the HTML.
  Outcome Cmd_Generate_Click();
  const std::string& LabelStatus() const { return status_; }
  // The result set the report will describe, named as its data section names it.
  std::string LabelSet() const;

 private:
  ReportOptions options_;
  ReportProgress progress_;
  std::string status_;
};

// The address that opens a local file in the browser.
std::string FileAddress(const std::filesystem::path& path);

// 生成分析报告: refuses an empty formula grid, else shows the report window with its options.
Outcome OpenAnalysisReport(Session& session);

}  // namespace lindora
