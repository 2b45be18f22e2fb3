#include "report/analysis_report_window.h"

#include <algorithm>
#include <optional>

#include "analysis/formula_set_actions.h"
#include "analysis/network/network_window.h"
#include "analysis/rules/rules_window.h"
#include "common/analysis_list.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/fangji_analysis.h"

namespace lindora {

AnalysisReportWindow::AnalysisReportWindow(Session& session) : WindowModel(session) {
  SetCaption(kCaption);
}

void AnalysisReportWindow::SetSectionChecked(ReportSection section, bool checked) {
  auto& s = options_.sections;
  s.erase(std::remove(s.begin(), s.end(), section), s.end());
  if (checked) s.push_back(section);
  Changed();
}

std::vector<std::string> AnalysisReportWindow::ListedSections() const {
  std::vector<std::string> keys;
  for (const AnalysisDescriptor& a : session_.Analyses())
    if (a.in_report && !SectionFromKey(ReportKey(a))) keys.push_back(a.key);
  return keys;
}

bool AnalysisReportWindow::ListedSectionChecked(const std::string& key) const {
  const auto& keys = options_.analyses;
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

void AnalysisReportWindow::SetListedSectionChecked(const std::string& key, bool checked) {
  // The report keeps the list's order whatever the order of the clicks.
  std::vector<std::string> keys;
  for (const std::string& listed : ListedSections())
    if (listed == key ? checked : ListedSectionChecked(listed)) keys.push_back(listed);
  options_.analyses = std::move(keys);
  Changed();
}

void AnalysisReportWindow::EditOptions(const std::function<void(ReportOptions&)>& edit) {
  edit(options_);
  Changed();
}

Outcome AnalysisReportWindow::Cmd_Generate_Click() {
  ReportOptions options = options_;
  options.date.clear();  // today
  ReportRun run = WriteAnalysisReport(session_, options, progress_);
  if (run.outcome == Outcome::kDone) {
    status_ = "已生成：" + run.html.string() + "，" + run.pdf.string() + "，" + run.xlsx.string();
    session_.OpenUrl(FileAddress(run.html));
  } else if (run.cancelled) {
    status_ = "已取消：结果文件保持原样。";
  } else {
    status_.clear();
  }
  Changed();
  return run.outcome;
}

void AnalysisReportWindow::TakeLastUsedThresholds() {
  // The thresholds last used in the rules and network windows, so that the report shows what
  // the researcher has just looked at.
  if (const auto* rules = session_.FindWindow<AssociationRulesWindow>()) {
    options_.min_support = rules->TextMinSupport();
    options_.min_confidence = rules->TextMinConfidence();
    options_.min_lift = rules->TextMinLift();
    options_.max_size = rules->TextMaxSize();
  }
  if (const auto* network = session_.FindWindow<HerbNetworkWindow>()) {
    auto whole = [](const std::string& text) { return ParseDigits(Trim(text)); };
    if (auto v = whole(network->NodeValue()); v && *v > 0) {
      if (network->GetNodeRule() == HerbNetworkWindow::NodeRule::kTop) {
        options_.network.top = static_cast<int>(*v);
        options_.network.min_frequency = 0;
      } else {
        options_.network.min_frequency = *v;
      }
    }
    if (auto v = whole(network->EdgeValue()); v && *v > 0) options_.network.min_edge = *v;
  }
  Changed();
}

Outcome OpenAnalysisReport(Session& session) {
  if (session.Window<FangjiAnalysis>().FlexGrid().Rows() <= 1)
    return Refuse(session, kNoDataMessage);
  session.Window<AnalysisReportWindow>().TakeLastUsedThresholds();
  session.Window<AnalysisReportWindow>().Show();
  return Outcome::kDone;
}

std::string FileAddress(const std::filesystem::path& path) {
  std::string address = "file://";
  for (unsigned char c : std::filesystem::absolute(path).string()) {
    // Letters, digits and the path's own marks stay; everything else (blanks, Chinese) is
    // percent-encoded so that any browser opens it.
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        std::string_view("/-_.~").find(static_cast<char>(c)) != std::string_view::npos) {
      address += static_cast<char>(c);
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      address += '%';
      address += kHex[c >> 4];
      address += kHex[c & 15];
    }
  }
  return address;
}

}  // namespace lindora
