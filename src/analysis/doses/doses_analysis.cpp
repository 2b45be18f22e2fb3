#include "analysis/doses/doses_analysis.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <optional>
#include <thread>
#include <unordered_map>

#include "analysis/doses/doses_window.h"
#include "analysis/formula_set_actions.h"
#include "analysis/standardize.h"
#include "common/csv.h"
#include "common/files.h"
#include "common/gbk.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/library.h"

namespace lindora {
namespace {

constexpr int kBoxPlotWidth = 1400, kBoxPlotHeight = 900;
std::string Number(double value) {
  return FixedDecimals(value, 2);
}

// Folds formulas one at a time into samples; several collectors over parts of a set merge.
class DoseCollector {
 public:
  DoseCollector(DoseTable table, HerbList herbs) : herbs_(std::move(herbs)) {
    samples_.table = table;
  }

  void Add(const std::vector<HerbMention>& mentions) {
    ++samples_.formulas;
    local_.clear();
    for (const HerbMention& m : mentions) {
      ++samples_.mentions;
      std::string unit;
      double value = 0;
      if (m.dose.readable) {
        ++samples_.readable;
        if (std::optional<double> grams = DoseGrams(m.dose, samples_.table)) {
          ++samples_.converted;
          unit = kGramUnit;
          value = *grams;
        } else {
          unit = NormalUnit(m.dose.unit);
          value = m.dose.amount;
        }
      } else {
        ++samples_.unreadable[m.dose.text];
      }
      for (const std::string& name : herbs_.Names(m.name)) {
        Local& l = LocalOf(Herb(name));
        if (!unit.empty()) l.totals[unit] += value;
      }
    }
    for (const Local& l : local_) {
      HerbDoses& herb = samples_.herbs[l.herb];
      ++herb.formulas;
      if (l.totals.empty()) ++herb.without_dose;
      for (const auto& [unit, total] : l.totals) herb.units[unit].push_back(total);
    }
  }

  // Adds what another collector gathered (its formulas after these).
  void Merge(DoseSamples&& other) {
    samples_.formulas += other.formulas;
    samples_.mentions += other.mentions;
    samples_.readable += other.readable;
    samples_.converted += other.converted;
    for (const auto& [text, count] : other.unreadable) samples_.unreadable[text] += count;
    for (HerbDoses& h : other.herbs) {
      HerbDoses& herb = samples_.herbs[Herb(h.herb)];
      herb.formulas += h.formulas;
      herb.without_dose += h.without_dose;
      for (auto& [unit, values] : h.units) {
        std::vector<double>& mine = herb.units[unit];
        mine.insert(mine.end(), values.begin(), values.end());
      }
    }
  }

  DoseSamples Take() {
    std::sort(samples_.herbs.begin(), samples_.herbs.end(),
              [](const HerbDoses& a, const HerbDoses& b) {
                return a.formulas != b.formulas ? a.formulas > b.formulas : a.herb < b.herb;
              });
    return std::move(samples_);
  }
  // The samples as gathered so far, unsorted (for Merge).
  DoseSamples TakeUnsorted() { return std::move(samples_); }

 private:
  // One formula's doses of a herb before they join the samples: totals per unit.
  struct Local {
    std::size_t herb;
    std::map<std::string, double> totals;
  };
  std::size_t Herb(const std::string& name) {
    auto [it, inserted] = index_.try_emplace(name, samples_.herbs.size());
    if (inserted) samples_.herbs.push_back({name, 0, 0, {}});
    return it->second;
  }
  Local& LocalOf(std::size_t herb) {
    for (Local& l : local_)
      if (l.herb == herb) return l;
    return local_.emplace_back(Local{herb, {}});
  }

  DoseSamples samples_;
  HerbList herbs_;  // a copy per collector: its cache is not shared between threads
  std::unordered_map<std::string, std::size_t> index_;
  std::vector<Local> local_;
};

// The composition field (the second) of a usable record: at least three fields, as the
// standardisation requires; nothing for a blank or shorter line.
std::optional<std::string_view> CompositionField(std::string_view line) {
  if (Trim(line).empty()) return std::nullopt;
  const std::size_t first = line.find('\t');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = line.find('\t', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  return line.substr(first + 1, second - first - 1);
}

}  // namespace

DoseSamples CollectDoses(const std::vector<std::vector<HerbMention>>& formulas, DoseTable table,
                         const HerbList& herbs) {
  DoseCollector collector(table, herbs);
  for (const std::vector<HerbMention>& mentions : formulas) collector.Add(mentions);
  return collector.Take();
}

std::vector<std::vector<HerbMention>> ReadCompositions(const std::filesystem::path& result_file) {
  std::vector<std::vector<HerbMention>> formulas;
  LineReader reader(result_file);
  std::string raw, line;
  while (reader.Next(raw)) {
    DecodeGbkInto(raw, line);
    if (std::optional<std::string_view> field = CompositionField(line))
      formulas.push_back(ParseComposition(*field));
  }
  return formulas;
}

DoseSamples CollectDosesOfFile(const std::filesystem::path& result_file, DoseTable table,
                               const HerbList& herbs) {
  // The compositions are read first (small beside their readings), then parsed and folded in
  // parts side by side: reading the doses is most of the work.
  std::vector<std::string> compositions;
  {
    LineReader reader(result_file);
    std::string raw, line;
    while (reader.Next(raw)) {
      DecodeGbkInto(raw, line);
      if (std::optional<std::string_view> field = CompositionField(line))
        compositions.emplace_back(*field);
    }
  }
  const std::size_t parts = std::clamp<std::size_t>(
      std::thread::hardware_concurrency(), 1, std::max<std::size_t>(1, compositions.size() / 2000));
  auto fold = [&](std::size_t part) {
    DoseCollector collector(table, herbs);
    const std::size_t begin = compositions.size() * part / parts,
                      end = compositions.size() * (part + 1) / parts;
    for (std::size_t i = begin; i < end; ++i) collector.Add(ParseComposition(compositions[i]));
    return collector.TakeUnsorted();
  };
  std::vector<std::future<DoseSamples>> later;
  for (std::size_t part = 1; part < parts; ++part)
    later.push_back(std::async(std::launch::async, fold, part));
  DoseCollector all(table, herbs);
  all.Merge(fold(0));
  for (std::future<DoseSamples>& f : later) all.Merge(f.get());
  return all.Take();
}

std::vector<DoseRow> DoseRows(const DoseSamples& samples, bool in_liang) {
  std::vector<DoseRow> rows;
  for (const HerbDoses& herb : samples.herbs) {
    std::vector<const std::pair<const std::string, std::vector<double>>*> units;
    for (const auto& entry : herb.units) units.push_back(&entry);
    std::stable_sort(units.begin(), units.end(), [](const auto* a, const auto* b) {
      const bool ga = a->first == kGramUnit, gb = b->first == kGramUnit;
      if (ga != gb) return ga;
      return a->second.size() > b->second.size();
    });
    for (const auto* u : units) {
      rows.push_back({herb.herb, u->first, herb.formulas, herb.without_dose, Summarise(u->second)});
      if (in_liang && u->first == kGramUnit) {
        // Every statistic of the table moves with a change of scale.
        DoseSummary& s = rows.back().summary;
        const double per = DoseTableOf(samples.table).grams_per_liang;
        for (double* v : {&s.min, &s.q1, &s.median, &s.q3, &s.max, &s.mean, &s.sd, &s.mode})
          *v /= per;
        rows.back().unit = kLiangUnit;
      }
    }
    if (units.empty())
      rows.push_back({herb.herb, std::string(kNoDoseUnit), herb.formulas, herb.without_dose, {}});
  }
  return rows;
}

BoxPlot DoseBoxPlot(const DoseSamples& samples, int top) {
  BoxPlot plot;
  plot.title = "常用中药剂量箱线图（" + std::string(DoseTableOf(samples.table).caption) + "）";
  plot.category_axis = "中药";
  plot.value_axis = "剂量 (g)";
  std::vector<const HerbDoses*> weighed;
  for (const HerbDoses& herb : samples.herbs)
    if (herb.units.count(std::string(kGramUnit))) weighed.push_back(&herb);
  std::stable_sort(weighed.begin(), weighed.end(), [](const HerbDoses* a, const HerbDoses* b) {
    return a->units.at(std::string(kGramUnit)).size() > b->units.at(std::string(kGramUnit)).size();
  });
  if (weighed.size() > static_cast<std::size_t>(std::max(top, 0))) weighed.resize(top);
  for (const HerbDoses* herb : weighed) {
    std::vector<double> v = herb->units.at(std::string(kGramUnit));
    std::sort(v.begin(), v.end());
    BoxPlot::Box box;
    box.label = herb->herb;
    box.q1 = QuantileType7(v, 0.25);
    box.median = QuantileType7(v, 0.5);
    box.q3 = QuantileType7(v, 0.75);
    const double reach = 1.5 * (box.q3 - box.q1);
    box.low = box.q1;
    box.high = box.q3;
    for (double x : v) {
      if (x < box.q1 - reach || x > box.q3 + reach) {
        box.outliers.push_back(x);
        continue;
      }
      box.low = std::min(box.low, x);
      box.high = std::max(box.high, x);
    }
    plot.boxes.push_back(std::move(box));
  }
  return plot;
}

const std::vector<std::string>& DoseHeader() {
  static const std::vector<std::string> header = {
      "中药",         "单位",   "有剂量方剂数", "最小值", "第一四分位数", "中位数",
      "第三四分位数", "最大值", "均值",         "标准差", "最常见剂量",   "最常见剂量方剂数",
      "无剂量方剂数", "换算表"};
  return header;
}

std::vector<std::string> DoseCells(const DoseRow& row, DoseTable table) {
  const DoseSummary& s = row.summary;
  const std::string used(DoseTableOf(table).caption);
  if (s.n == 0)
    return {row.herb,
            row.unit,
            "0",
            "",
            "",
            "",
            "",
            "",
            "",
            "",
            "",
            "",
            std::to_string(row.without_dose),
            used};
  return {row.herb,
          row.unit,
          std::to_string(s.n),
          Number(s.min),
          Number(s.q1),
          Number(s.median),
          Number(s.q3),
          Number(s.max),
          Number(s.mean),
          s.n > 1 ? Number(s.sd) : "",
          Number(s.mode),
          std::to_string(s.mode_count),
          std::to_string(row.without_dose),
          used};
}

std::string DoseMethodsZh(DoseTable table) {
  return "剂量从组成中读出（阿拉伯或汉字数字、分数如“半斤”“一两半”，复合剂量如“1两16铢”各部分相加，"
         "范围取中点，“各”分给同组前面的每味药），重量按" +
         std::string(DoseTableOf(table).rules) +
         "换算为克（g、mg、kg "
         "在各换算表中相同）；计数和容量单位（枚、个、升、合等）按原单位分别汇总，"
         "不与克混算。药名按单味药频数的规则归并。每首方剂中同一中药同一单位的剂量相加为一个值，"
         "有剂量方剂数即值的个数；四分位数与中位数按 Hyndman–Fan 第 7 种定义（R 的默认 type 7，"
         "线性插值），标准差为样本标准差（n−1，只有一个值时不给出），最常见剂量为出现方剂数最多的值"
         "（相差不超过 10⁻⁹ 的值视为相同），方剂数相同时取最小的剂量。箱线图取有克剂量的方剂最多的"
         "若干味药，箱为第一至第三四分位数，须伸到 1.5 "
         "倍四分位距以内最远的值，之外的值画为离群点。";
}

std::string DoseMethodsEn(DoseTable table) {
  return "Doses were read from the compositions (Arabic or Chinese numerals, fractions, compound "
         "doses such as 1两16铢 summed, ranges taken at their midpoint, 各 given to every herb "
         "before it in its group); weights were converted to grams with the " +
         std::string(DoseTableOf(table).rules_en) +
         " table (g, mg and kg alike in every table); count and volume units were summarised in "
         "their own units, never mixed with grams. Herb names were merged as in the herb "
         "frequency. Each formula contributes one value per herb and unit (the sum of its "
         "mentions). Quartiles and the median follow Hyndman and Fan's definition 7 (R's default "
         "type 7, linear interpolation); SD is the sample standard deviation (n-1; none for a "
         "single value); the most frequent dose is the value found in most formulas (values "
         "within 1e-9 counted as equal), ties going to the smallest dose. The box plot shows the "
         "herbs with grams in most formulas: boxes from the first to the third quartile, "
         "whiskers to the farthest value within 1.5 interquartile ranges, points beyond them "
         "drawn as outliers.";
}

DosesResult RunDoses(Session& session, const DosesOptions& options) {
  DosesResult result;
  result.options = options;
  result.outcome = Guard(session, [&]() -> Outcome {
    if (options.top < 1 || options.top > kMaxDoseChartHerbs)
      return Refuse(session,
                    "箱线图的中药数须在 1 到 " + std::to_string(kMaxDoseChartHerbs) + " 之间。");
    if (!options.chart.empty() && UpperCase(options.chart.extension().string()) != ".PNG")
      return Refuse(session, "图片文件名须以 .png 结尾：" + options.chart.string());
    if (std::string problem = CheckUserOutputs(session.ProgramFolder(), {options.chart});
        !problem.empty())
      return Refuse(session, problem);
    result.samples = CollectDosesOfFile(session.Path("\\Result\\Result.DB"), options.table,
                                        HerbList(HerbListSource::ForSession(session)));
    if (result.samples.formulas == 0) return Refuse(session, kNoDataMessage);
    result.rows = DoseRows(result.samples, options.in_liang);
    result.box_plot = DoseBoxPlot(result.samples, options.top);
    if (options.in_liang) {
      // The picture in the unit of the table beside it.
      const double per = DoseTableOf(options.table).grams_per_liang;
      for (BoxPlot::Box& box : result.box_plot.boxes) {
        for (double* v : {&box.low, &box.q1, &box.median, &box.q3, &box.high}) *v /= per;
        for (double& v : box.outliers) v /= per;
      }
      result.box_plot.value_axis = "剂量 (两)";
    }
    std::vector<CsvRow> rows{DoseHeader()};
    for (const DoseRow& row : result.rows) rows.push_back(DoseCells(row, options.table));
    WriteCsvFile(session.Path(kDoseFile), rows);
    if (!options.chart.empty()) {
      PictureWriter* writer = InstalledPictureWriter();
      if (!writer) return Refuse(session, "本程序未带绘图功能，无法保存图片。");
      writer->WriteBoxPlotPng(result.box_plot, options.chart, kBoxPlotWidth, kBoxPlotHeight);
    }
    return Outcome::kDone;
  });
  return result;
}

AnalysisOutput DosesOutput(const DosesResult& result) {
  AnalysisOutput out;
  const DoseTable table = result.options.table;
  ResultTable doses{
      "doses", "剂量分析（" + std::string(DoseTableOf(table).caption) + "）", DoseHeader(), {}};
  for (const DoseRow& row : result.rows) {
    std::vector<TableCell> cells;
    for (std::string& text : DoseCells(row, table)) cells.push_back(TableCell::Text(text));
    const DoseSummary& s = row.summary;
    if (s.n > 0) {
      // Numbers stay numbers for the workbook.
      const double values[] = {s.min, s.q1, s.median, s.q3, s.max, s.mean};
      for (int i = 0; i < 6; ++i) cells[3 + i] = TableCell::Number(values[i], 2);
      if (s.n > 1) cells[9] = TableCell::Number(s.sd, 2);
      cells[10] = TableCell::Number(s.mode, 2);
    }
    cells[2] = TableCell::Number(static_cast<double>(s.n));
    cells[12] = TableCell::Number(static_cast<double>(row.without_dose));
    doses.rows.push_back(std::move(cells));
  }
  out.tables.push_back(std::move(doses));
  ResultTable unread{"unread-doses", "未能读出的剂量", {"剂量原文", "次数"}, {}};
  std::vector<std::pair<std::string, std::int64_t>> texts(result.samples.unreadable.begin(),
                                                          result.samples.unreadable.end());
  std::stable_sort(texts.begin(), texts.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  for (const auto& [text, count] : texts)
    unread.rows.push_back({TableCell::Text(text.empty() ? "（未写剂量）" : text),
                           TableCell::Number(static_cast<double>(count))});
  out.tables.push_back(std::move(unread));
  out.files.emplace_back(kDoseFile);
  if (!result.options.chart.empty()) out.files.push_back(result.options.chart.string());
  const DoseSamples& s = result.samples;
  out.summary = std::to_string(s.formulas) + " 首方剂，" + std::to_string(s.mentions) +
                " 处药物记载，读出剂量 " + std::to_string(s.readable) + " 处（其中重量 " +
                std::to_string(s.converted) + " 处按" + std::string(DoseTableOf(table).caption) +
                "换算为克），未能读出 " + std::to_string(s.mentions - s.readable) + " 处";
  out.methods_zh = DoseMethodsZh(table);
  out.methods_en = DoseMethodsEn(table);
  return out;
}

DoseTable DefaultDoseTable(const Session& session) {
  return OpenLibraryIsClassical(session) ? DoseTable::kHan13_8 : DoseTable::kModern;
}

AnalysisDescriptor DosesDescriptor() {
  AnalysisDescriptor d;
  d.key = "doses";
  d.caption = "剂量分析";
  d.menu_name = "Menu_Doses";
  d.menu_caption = "剂量分析";
  const DosesOptions defaults;
  // The table's default is the library's own, known only when it runs.
  std::vector<std::string> tables{std::string(kLibraryDoseTableKey)};
  for (const DoseTableInfo& info : DoseTables()) tables.emplace_back(info.key);
  d.options = {AnalysisOption::Choice("table", "换算表", std::string(kLibraryDoseTableKey), tables),
               AnalysisOption::Whole("top", "箱线图中药数", defaults.top, 1, kMaxDoseChartHerbs),
               AnalysisOption::Choice("mass-unit", "重量单位",
                                      std::string(defaults.in_liang ? kLiangUnit : kGramUnit),
                                      {std::string(kGramUnit), std::string(kLiangUnit)}),
               AnalysisOption::Text("chart", "箱线图文件", defaults.chart.string())};
  d.files = {std::string(kDoseFile)};
  d.usage =
      "doses [--table library|modern|han-13.8|han-15.625] [--top N] [--mass-unit g|两] [--chart "
      "FILE.png]";
  d.help =
      "reads every herb's dose from the compositions of the current result set, converts weights "
      "to grams by the chosen table (default library: han-13.8 for a classical library such as the "
      "shipped one or an import marked --classical-doses, else modern) and writes per herb and "
      "unit the quartiles, mean, SD and "
      "most frequent dose to \\Result\\剂量分析.csv (weights in grams, or in 两 of the table "
      "with --mass-unit 两); --chart draws the box plot of the N herbs "
      "with most weighed doses";
  d.report_title = "用药剂量";
  d.run = [](Session& session, const OptionValues& values, AnalysisOutput& output) {
    DosesOptions options;
    options.table = DefaultDoseTable(session);
    if (auto it = values.find("table"); it != values.end() && it->second != kLibraryDoseTableKey) {
      std::optional<DoseTable> chosen = DoseTableFromKey(it->second);
      if (!chosen)
        return Refuse(session,
                      "换算表须是 modern、han-13.8 或 han-15.625，“" + it->second + "”不是。");
      options.table = *chosen;
    }
    if (auto it = values.find("top"); it != values.end()) {
      const std::optional<std::int64_t> top = ReadWholeNumber(it->second);
      if (!top || Trim(it->second).starts_with('-'))
        return Refuse(session, "箱线图的中药数须是整数，“" + it->second + "”不是。");
      // Past the range it is out of range, not "not a number".
      options.top = static_cast<int>(std::min<std::int64_t>(*top, kMaxDoseChartHerbs + 1));
    }
    if (auto it = values.find("mass-unit"); it != values.end()) {
      if (it->second != kGramUnit && it->second != kLiangUnit)
        return Refuse(session, "重量单位须是 g 或 两，“" + it->second + "”不是。");
      options.in_liang = it->second == kLiangUnit;
    }
    if (auto it = values.find("chart"); it != values.end()) options.chart = it->second;
    DosesResult result = RunDoses(session, options);
    if (result.outcome == Outcome::kDone) output = DosesOutput(result);
    return result.outcome;
  };
  d.open = DosesOfResults;
  return d;
}

}  // namespace lindora
