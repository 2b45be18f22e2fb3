// The writer soaked under random failures: a seeded run of queries, every analysis of the list,
// saved sets and reports on the shipped data, with a write failure injected at a random step of
// a random write. After each step every result file is its old bytes or the bytes a clean rerun
// writes (never truncated, never something else), every set of files is all old or all new, a
// failure that struck is reported, no temporary stays, and the network's files carry one run id.
//
//   LINDORA_WRITER_SOAK_STEPS=N LINDORA_WRITER_SOAK_SEED=S lindora_core_tests
//       --gtest_filter='WriterSoak*'
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <regex>

#include "analysis/network/herb_network.h"
#include "analysis/result_sets.h"
#include "common/files.h"
#include "common/pictures.h"
#include "common/safe_write.h"
#include "formula/keyword_query.h"
#include "report/analysis_report.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

namespace fs = std::filesystem;

// Pictures as their titles and the PDF as its HTML: every file is written, nothing is drawn.
class TitlePictures : public PictureWriter {
 public:
  void WriteBarChartPng(const BarChart&, const fs::path&, int, int) override {}
  void WriteRadarChartPng(const RadarChart&, const fs::path&, int, int) override {}
  void WriteNetworkPng(const NetworkPicture&, const fs::path&, int, int) override {}
  void WriteNetworkSvg(const NetworkPicture&, const fs::path&, int, int) override {}
  void WriteBoxPlotPng(const BoxPlot&, const fs::path&, int, int) override {}
  std::string BoxPlotPng(const BoxPlot& plot, int, int) override { return plot.title; }
  void WriteDendrogramPng(const DendrogramPicture&, const fs::path&, int, int) override {}
  void WriteDendrogramSvg(const DendrogramPicture&, const fs::path&, int, int) override {}
  std::string DendrogramPng(const DendrogramPicture& p, int, int) override { return p.title; }
  std::string DendrogramSvg(const DendrogramPicture& p, int, int) override {
    return "svg " + p.title;
  }
  std::string BarChartPng(const BarChart& chart, int, int) override { return chart.title; }
  std::string RadarChartPng(const RadarChart& chart, int, int) override { return chart.title; }
  std::string NetworkPng(const NetworkPicture& p, int, int) override { return "png " + p.title; }
  std::string NetworkSvg(const NetworkPicture& p, int, int) override { return "<svg/>" + p.title; }
  std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>&,
                      const std::string&) override {
    return html;
  }
};

// Every file below Result/ (saved sets included) by relative name; the lock file is the
// writer's own.
using Snapshot = std::map<std::string, std::string>;
Snapshot Take(const fs::path& result) {
  Snapshot files;
  for (const auto& e : fs::recursive_directory_iterator(result))
    if (e.is_regular_file() && e.path().filename() != ".lindora.lock")
      files[fs::relative(e.path(), result).string()] = ReadFileBytes(e.path());
  return files;
}

std::optional<std::string> At(const Snapshot& s, const std::string& name) {
  auto it = s.find(name);
  return it == s.end() ? std::nullopt : std::optional<std::string>(it->second);
}

// The run id a file carries ("<!-- Lindora run … -->", the report's "运行编号：…"), or "".
std::string RunId(const std::optional<std::string>& bytes) {
  static const std::regex id("(?:<!-- Lindora run |运行编号：)([0-9A-Za-z-]+)");
  std::smatch m;
  return bytes && std::regex_search(*bytes, m, id) ? m[1].str() : "";
}

// Run ids differ from run to run by design; the rest of a file is compared as bytes.
std::optional<std::string> WithoutRunId(std::optional<std::string> bytes) {
  static const std::regex id("(<!-- Lindora run |运行编号：)[0-9A-Za-z-]+");
  if (bytes) bytes = std::regex_replace(*bytes, id, "$1");
  return bytes;
}

struct Step {
  std::string what;
  std::vector<std::string> unit;  // files published together (relative to Result/)
  std::function<bool()> run;      // true when it reports success
};

TEST(WriterSoak, EveryFileOldOrNewAndEverySetWholeUnderRandomWriteFailures) {
  const char* steps_env = std::getenv("LINDORA_WRITER_SOAK_STEPS");
  const char* seed_env = std::getenv("LINDORA_WRITER_SOAK_SEED");
  const int steps = steps_env ? std::atoi(steps_env) : 60;
  const unsigned long seed = seed_env ? std::strtoul(seed_env, nullptr, 10) : 20261207;
  std::mt19937_64 random(seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };

  test::TestFolder folder(LINDORA_BIN_DIR);
  test::FakeWorld world(folder.root());
  TitlePictures pictures;
  InstallPictureWriter(&pictures);
  const fs::path result = folder / "Result";

  std::vector<Step> menu;
  for (const char* query : {"麻黄", "桂枝 -芍药", "汤 OR 散", "甘草", "大黄 OR 芒硝"})
    menu.push_back({std::string("query ") + query,
                    {"Result.DB", "Result.DB.bak", "Result.DB.recipe"},
                    [&world, query] {
                      return RunQuery(world.session, query, false, false).status ==
                             QueryOutcome::Status::kCompleted;
                    }});
  for (const char* name : {"甲", "乙"})
    menu.push_back({std::string("save ") + name, {}, [&world, name] {
                      return SaveResultSet(world.session, name) == Outcome::kDone;
                    }});
  for (const AnalysisDescriptor& a : world.session.Analyses()) {
    std::vector<std::string> unit;
    for (const std::string& file : a.files)
      unit.push_back(fs::relative(world.session.Path(file), result).string());
    menu.push_back({a.key, unit, [&world, &a] {
                      OptionValues values;
                      if (a.key == "compare-sets") values["b"] = "甲";
                      if (!CompleteOptions(a, values).empty()) return false;
                      AnalysisOutput output;
                      return a.run(world.session, values, output) == Outcome::kDone;
                    }});
  }
  menu.push_back({"report", {"分析报告.html", "分析报告.pdf"}, [&world] {
                    ReportOptions options;
                    options.date = "2026-12-07";
                    return WriteAnalysisReport(world.session, options).outcome == Outcome::kDone;
                  }});

  ASSERT_TRUE(menu[0].run());
  int struck = 0;
  for (int i = 0; i < steps; ++i) {
    const Step& step = menu[pick(menu.size())];
    const int fail_at = static_cast<int>(pick(24));
    const int error = std::vector<int>{ENOSPC, EIO, EDQUOT}[pick(3)];
    const std::string trace = "seed " + std::to_string(seed) + " step " + std::to_string(i) + " " +
                              step.what + " fault at call " + std::to_string(fail_at);
    SCOPED_TRACE(trace);

    const Snapshot before = Take(result);
    int calls = 0;
    bool fired = false;
    std::string struck_what;
    SetWriteFault([&](const fs::path& target, std::string_view s) {
      if (calls++ != fail_at) return 0;
      // The standardised copy's key is a cache entry: a key that cannot be written only means
      // the copy is made again next time, so that failure is not the step's.
      fired = !target.filename().string().ends_with(".stand.key");
      struck_what = std::string(s) + " of " + target.filename().string();
      return error;
    });
    const bool done = step.run();
    SetWriteFault(nullptr);
    const Snapshot faulty = Take(result);
    struck += fired;
    if (fired) {
      EXPECT_FALSE(done) << "a failed " << struck_what << " reported as success";
    }

    // The clean rerun tells what "new" is; every step of the menu gives the same files again.
    step.run();
    const Snapshot clean = Take(result);
    std::set<std::string> names;
    for (const Snapshot* s : {&before, &faulty, &clean})
      for (const auto& [name, bytes] : *s) names.insert(name);
    for (const std::string& name : names) {
      const auto now = WithoutRunId(At(faulty, name));
      // The standardised copy and its key are a cache: gone is as good as old or new.
      const bool cache = name.ends_with(".stand") || name.ends_with(".stand.key");
      EXPECT_TRUE(now == WithoutRunId(At(before, name)) || now == WithoutRunId(At(clean, name)) ||
                  (cache && !now))
          << name << " is neither its old nor its new content";
      EXPECT_FALSE(IsWriterTemporary(fs::path(name).filename().string())) << name << " left";
    }
    // A set is all old or all new.
    bool all_old = true, all_new = true;
    for (const std::string& name : step.unit) {
      all_old = all_old && WithoutRunId(At(faulty, name)) == WithoutRunId(At(before, name));
      all_new = all_new && WithoutRunId(At(faulty, name)) == WithoutRunId(At(clean, name));
    }
    EXPECT_TRUE(all_old || all_new) << "a mixed set";
    // The network's files of one run say so.
    for (const Snapshot* s : {&faulty, &clean}) {
      const std::string id = RunId(At(*s, kNetworkGexf));
      EXPECT_EQ(RunId(At(*s, kNetworkGraphml)), id);
      if (At(*s, kNetworkSvg)) {
        EXPECT_EQ(RunId(At(*s, kNetworkSvg)), id);
      }
      if (At(*s, "分析报告.html")) {
        EXPECT_EQ(RunId(At(*s, "分析报告.pdf")), RunId(At(*s, "分析报告.html")));
      }
    }
    if (::testing::Test::HasFailure()) break;
  }
  InstallPictureWriter(nullptr);
  // The run is worth something only when failures struck writes often enough.
  EXPECT_GT(struck, steps / 5) << "too few failures struck a write";
}

}  // namespace
}  // namespace lindora
