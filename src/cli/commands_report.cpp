// The analysis report from the console: the same document as the report window writes.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "cli/cli.h"
#include "common/text.h"
#include "report/analysis_report.h"

namespace lindora::cli {
namespace {

constexpr const char* kReportUsage =
    "report [--sections LIST] [--rows N] [--min-support P%|COUNT] [--min-confidence C] "
    "[--min-lift L] [--max-size K] [--top N | --min-frequency F] [--min-edge K] "
    "[--compare A B [--symptoms] [--min-count K] [--compare-doses]] "
    "[--dose-table modern|han-13.8|han-15.625] "
    "[--date YYYY-MM-DD] [--html FILE] [--pdf FILE] [--xlsx FILE]";

int Report(Context& ctx, const std::vector<std::string>& args) {
  ReportOptions options;
  std::string sections;
  CLI::App app{"report"};
  app.add_option("--sections", sections);
  app.add_option("--rows", options.rows);
  app.add_option("--min-support", options.min_support);
  app.add_option("--min-confidence", options.min_confidence);
  app.add_option("--min-lift", options.min_lift);
  app.add_option("--max-size", options.max_size);
  auto* top = app.add_option("--top", options.network.top);
  app.add_option("--min-frequency", options.network.min_frequency)->excludes(top);
  app.add_option("--min-edge", options.network.min_edge);
  std::vector<std::string> compare;
  app.add_option("--compare", compare)->expected(2);
  app.add_flag("--symptoms", options.compare_symptoms);
  app.add_option("--min-count", options.compare_min_count);
  app.add_flag("--compare-doses", options.compare_doses);
  app.add_option("--dose-table", options.dose_table);
  app.add_option("--date", options.date);
  std::string html, pdf, xlsx;
  app.add_option("--html", html);
  app.add_option("--pdf", pdf);
  app.add_option("--xlsx", xlsx);
  if (auto status = ParseWords(ctx, app, args, kReportUsage, Complaint::kExplained)) return *status;
  if (!sections.empty()) {
    options.sections.clear();
    for (const std::string& key : Split(sections, ",")) {
      auto section = SectionFromKey(Trim(key));
      const AnalysisDescriptor* listed = FindAnalysis(ctx.session.Analyses(), Trim(key));
      if (!section && listed && listed->in_report) {
        if (std::find(options.analyses.begin(), options.analyses.end(), listed->key) ==
            options.analyses.end())
          options.analyses.push_back(listed->key);
        continue;
      }
      if (!section) {
        ctx.err << "未知的报告章节“" << key << "”；可用的章节：";
        for (ReportSection s : AllSections()) ctx.err << ' ' << SectionKey(s);
        for (const AnalysisDescriptor& a : ctx.session.Analyses())
          if (a.in_report && !SectionFromKey(ReportKey(a))) ctx.err << ' ' << a.key;
        ctx.err << '\n';
        return kRefused;
      }
      if (!options.Has(*section)) options.sections.push_back(*section);
    }
  }
  if (!compare.empty()) {
    options.compare_a = compare[0];
    options.compare_b = compare[1];
    if (!options.Has(ReportSection::kComparison))
      options.sections.push_back(ReportSection::kComparison);
  }
  options.html = html;
  options.pdf = pdf;
  options.xlsx = xlsx;
  ReportRun run = WriteAnalysisReport(ctx.session, options);
  if (run.outcome != Outcome::kDone) return ExitStatus(run.outcome);
  ctx.out << "# report\n"
          << run.html.string() << '\n'
          << run.pdf.string() << '\n'
          << run.xlsx.string() << '\n';
  return kDone;
}

Registrar report_command(
    "report", kReportUsage,
    "writes the analysis report of the current result set as HTML, PDF and an Excel "
    "workbook of its tables (default Result/分析报告.html, .pdf and .xlsx); sections: "
    "data,herbs,types,properties,rules,network,symptoms,doses,comparison",
    OwnOptions{}, Report);

}  // namespace
}  // namespace lindora::cli
