#include "analysis/herb_properties/herb_properties_analysis.h"

#include <algorithm>
#include <map>
#include <set>

#include "analysis/herb_properties/herb_properties_window.h"
#include "analysis/result_data.h"
#include "analysis/transactions.h"
#include "common/csv.h"
#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "herb/herb_files.h"
#include "herb/herb_properties.h"

namespace lindora {
namespace {

template <std::size_t N>
std::vector<PropertyCount> EmptyTable(const std::array<std::string_view, N>& words) {
  std::vector<PropertyCount> table;
  table.reserve(N);
  for (std::string_view w : words) table.push_back({std::string(w), 0, 0, 0, {}});
  return table;
}

void Count(std::vector<PropertyCount>& table, std::string_view category, const std::string& name,
           std::int64_t occurrences) {
  for (PropertyCount& row : table) {
    if (row.category != category) continue;
    row.occurrences += occurrences;
    ++row.herbs;
    row.names.push_back(name);
    return;
  }
}

void Finish(std::vector<PropertyCount>& table, const HerbPropertiesResult& r) {
  PropertyCount none{std::string(kWithoutDataRow), 0, 0, 0, {}};
  for (const UncountedHerb& h : r.without_data) {
    none.occurrences += h.occurrences;
    ++none.herbs;
    none.names.push_back(h.name);
  }
  table.push_back(std::move(none));
  for (PropertyCount& row : table)
    row.share = r.occurrences > 0
                    ? static_cast<double>(row.occurrences) / static_cast<double>(r.occurrences)
                    : 0;
}

// The formula names of a standardised result file, one per line as the transactions read them.
std::vector<std::string> FormulaNames(const std::filesystem::path& stand_file) {
  std::vector<std::string> names;
  ForEachLine(stand_file, [&](const std::string& line) {
    names.push_back(Split(line, "\t")[0]);
    return true;
  });
  return names;
}

std::string Names(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : "、") + n;
  return text;
}

const std::vector<std::pair<std::string, const std::vector<PropertyCount> HerbPropertiesResult::*>>&
Distributions() {
  static const std::vector<
      std::pair<std::string, const std::vector<PropertyCount> HerbPropertiesResult::*>>
      list = {{"四气", &HerbPropertiesResult::natures},
              {"四气（原文程度）", &HerbPropertiesResult::nature_degrees},
              {"五味", &HerbPropertiesResult::flavours},
              {"归经", &HerbPropertiesResult::meridians}};
  return list;
}

void WriteResultFile(const HerbPropertiesResult& r, const std::filesystem::path& path) {
  std::vector<CsvRow> rows = {{"分类", "项目", "频次", "占比(%)", "药味数", "中药"}};
  for (const auto& [caption, member] : Distributions())
    for (const PropertyCount& c : r.*member)
      rows.push_back({caption, c.category, std::to_string(c.occurrences),
                      FixedDecimals(c.share * 100, 2), std::to_string(c.herbs), Names(c.names)});
  for (const ToxicHerb& t : r.toxic)
    rows.push_back({"有毒中药", t.name, std::to_string(t.formulas.size()),
                    FixedDecimals(r.formulas > 0 ? 100.0 * static_cast<double>(t.formulas.size()) /
                                                       static_cast<double>(r.formulas)
                                                 : 0,
                                  2),
                    "1", t.toxicity + "：" + Names(t.formulas)});
  WriteCsvFile(path, rows);
}

BarChart ChartOf(const std::vector<PropertyCount>& table, const std::string& title,
                 const std::string& axis) {
  BarChart chart;
  chart.title = title;
  chart.category_axis = axis;
  chart.value_axis = "频次";
  chart.series.push_back({"", {}});
  for (const PropertyCount& c : table) {
    chart.categories.push_back(c.category);
    chart.series[0].values.push_back(static_cast<double>(c.occurrences));
  }
  return chart;
}

RadarChart RadarOf(const std::vector<PropertyCount>& table, const std::string& title) {
  RadarChart chart;
  chart.title = title;
  chart.series.push_back({"频次", {}});
  // The row of herbs without data is no direction of the radar.
  for (const PropertyCount& c : table) {
    if (c.category == kWithoutDataRow) continue;
    chart.axes.push_back(c.category);
    chart.series[0].values.push_back(static_cast<double>(c.occurrences));
  }
  return chart;
}

}  // namespace

HerbPropertiesResult RunHerbProperties(Session& session, const HerbPropertiesOptions&) {
  HerbPropertiesResult r;
  if (RequireResultData(session) != Outcome::kDone) return r;
  r.outcome = Guard(session, [&]() -> Outcome {
    Transactions t = HerbTransactionsOfResultSet(session);
    if (t.names.empty()) return Refuse(session, kNoDataMessage);
    const std::vector<std::string> formula_names =
        FormulaNames(session.Path("\\Result\\Result.DB.stand"));
    const HerbPropertyTable properties = ReadHerbProperties(session);
    const std::vector<int> ids = HerbIdsByName(session, t.names);

    r.formulas = static_cast<std::int64_t>(t.N());
    r.herbs = static_cast<std::int64_t>(t.names.size());
    r.natures = EmptyTable(kNatures);
    r.nature_degrees = EmptyTable(kNatureDegrees);
    r.flavours = EmptyTable(kFlavours);
    r.meridians = EmptyTable(kMeridians);
    std::vector<std::size_t> toxic_items;
    for (ItemId item : t.ByFrequency()) {
      const std::string& name = t.names[item];
      const std::int64_t n = t.frequency[item];
      r.occurrences += n;
      auto found = ids[item] >= 1 ? properties.by_herb.find(ids[item]) : properties.by_herb.end();
      if (found == properties.by_herb.end()) {
        r.without_data.push_back({name, n});
        continue;
      }
      const HerbProperty& p = found->second;
      Count(r.natures, FoldNature(p.nature), name, n);
      Count(r.nature_degrees, p.nature, name, n);
      // 苦 and 微苦 of one herb are one flavour of it.
      std::set<std::string> flavours;
      for (const std::string& f : p.flavours)
        if (flavours.insert(FoldFlavour(f)).second) Count(r.flavours, FoldFlavour(f), name, n);
      for (const std::string& m : p.meridians) Count(r.meridians, m, name, n);
      if (!p.toxicity.empty()) {
        r.toxic.push_back({name, p.toxicity, {}});
        toxic_items.push_back(item);
      }
    }
    for (std::size_t k = 0; k < toxic_items.size(); ++k)
      for (std::size_t f = 0; f < t.N(); ++f) {
        auto row = t.Row(f);
        if (std::find(row.begin(), row.end(), toxic_items[k]) != row.end())
          r.toxic[k].formulas.push_back(f < formula_names.size() ? formula_names[f] : "");
      }
    for (auto* table : {&r.natures, &r.nature_degrees, &r.flavours, &r.meridians})
      Finish(*table, r);
    r.bad_property_lines = properties.bad_lines;
    WriteResultFile(r, session.Path(kHerbPropertyResultFile));
    if (properties.bad_lines > 0)
      session.Message("性味数据文件 " + std::string(kHerbPropertyFile) + " 有 " +
                      std::to_string(properties.bad_lines) +
                      " 行格式不对或用词不在药性、药味、归经的规定用词之内，已跳过（第一行：" +
                      properties.first_bad_line + "）；这些药按无性味数据计。");
    return Outcome::kDone;
  });
  return r;
}

BarChart NatureChart(const HerbPropertiesResult& r) {
  return ChartOf(r.natures, "四气分布", "药性");
}
BarChart FlavourChart(const HerbPropertiesResult& r) {
  return ChartOf(r.flavours, "五味分布", "药味");
}
BarChart MeridianChart(const HerbPropertiesResult& r) {
  // Thirteen two- and four-character names read best as rows.
  BarChart chart = ChartOf(r.meridians, "归经分布", "归经");
  chart.horizontal = true;
  return chart;
}
RadarChart FlavourRadar(const HerbPropertiesResult& r) {
  return RadarOf(r.flavours, "五味雷达图");
}
RadarChart MeridianRadar(const HerbPropertiesResult& r) {
  return RadarOf(r.meridians, "归经雷达图");
}

std::string HerbPropertiesSummary(const HerbPropertiesResult& r) {
  std::string text = "共" + std::to_string(r.formulas) + "首方剂，药物出现" +
                     std::to_string(r.occurrences) + "次（" + std::to_string(r.herbs) + "味）";
  if (r.without_data.empty()) return text + "；每味药都有性味归经数据";
  std::int64_t missing = 0;
  std::string names;
  for (const UncountedHerb& h : r.without_data) {
    missing += h.occurrences;
    names += (names.empty() ? "" : "、") + h.name + "(" + std::to_string(h.occurrences) + ")";
  }
  return text + "；无性味归经数据的" + std::to_string(r.without_data.size()) + "味（" +
         std::to_string(missing) + "次）：" + names;
}

AnalysisOutput HerbPropertiesOutput(const HerbPropertiesResult& r) {
  AnalysisOutput out;
  const std::vector<std::string> keys = {"natures", "nature-degrees", "flavours", "meridians"};
  const std::vector<std::string> heads = {"药性", "药性（原文）", "药味", "归经"};
  for (std::size_t i = 0; i < Distributions().size(); ++i) {
    ResultTable table{keys[i],
                      Distributions()[i].first + "分布",
                      {heads[i], "频次", "占比", "药味数", "中药"},
                      {}};
    for (const PropertyCount& c : r.*(Distributions()[i].second))
      table.rows.push_back(
          {TableCell::Text(c.category), TableCell::Number(static_cast<double>(c.occurrences)),
           TableCell::Percent(c.share), TableCell::Number(static_cast<double>(c.herbs)),
           TableCell::Text(Names(c.names))});
    out.tables.push_back(std::move(table));
  }
  ResultTable toxic{"toxic-herbs", "有毒中药", {"中药", "毒性", "方剂数", "方剂"}, {}};
  for (const ToxicHerb& t : r.toxic)
    toxic.rows.push_back({TableCell::Text(t.name), TableCell::Text(t.toxicity),
                          TableCell::Number(static_cast<double>(t.formulas.size())),
                          TableCell::Text(Names(t.formulas))});
  out.tables.push_back(std::move(toxic));
  out.files = {std::string(kHerbPropertyResultFile)};
  out.summary = HerbPropertiesSummary(r);
  out.methods_zh =
      "性味归经：按方剂计数，一味药在n首方剂中出现计n次；有两种以上药味或归经的药，每种各计一次；"
      "药性的程度（大寒、微寒、微温、大热等）合并为寒、凉、平、温、热计数，另列原文程度表，"
      "微苦等计入苦；百分比的分母是全部药物出现次数，无性味数据的药单列一行并列出药名。"
      "性味归经和毒性据《中华人民共和国药典》2020年版一部，药典未收的药据《中药学》"
      "（高学敏主编，2002），古药名取其今药名的数据。";
  out.methods_en =
      "Nature, flavour and meridian distribution: a herb counts once per formula that contains "
      "it, and once for each of its flavours and meridians; degrees of nature are folded into "
      "cold, cool, neutral, warm and hot (the unfolded table is given beside), slightly bitter "
      "counts as bitter; percentages are of all herb occurrences, and herbs without property data "
      "are a row of their own and are named. Properties and toxicity follow the Chinese "
      "Pharmacopoeia (2020 edition, volume I) and, for herbs it does not hold, the national "
      "textbook Chinese Materia Medica (ed. Gao Xuemin, 2002); classical herb names take the "
      "data of their modern herb.";
  return out;
}

AnalysisDescriptor HerbPropertiesAnalysis() {
  AnalysisDescriptor d;
  d.key = "herb-properties";
  d.caption = "性味归经分析";
  d.menu_name = "Menu_HerbProperties";
  d.menu_caption = "性味归经分析";
  d.files = {std::string(kHerbPropertyResultFile)};
  d.usage =
      "herb-properties [--chart FILE.png] [--kind nature|flavour|meridian|flavour-radar|"
      "meridian-radar]";
  d.help =
      "counts the nature, flavours and meridians of the herbs of the current result set, "
      "prints the tables and the toxic herbs, writes \\Result\\性味归经.csv; --chart also "
      "draws one chart (default: the meridian radar)";
  d.report_key = "properties";
  d.report_title = "性味归经";
  d.run = [](Session& session, const OptionValues&, AnalysisOutput& output) {
    HerbPropertiesResult r = RunHerbProperties(session);
    if (r.outcome == Outcome::kDone) output = HerbPropertiesOutput(r);
    return r.outcome;
  };
  d.open = HerbPropertiesOfResults;
  return d;
}

}  // namespace lindora
