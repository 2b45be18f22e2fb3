#include "analysis/herb_clustering/herb_clustering_analysis.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "analysis/herb_clustering/herb_clustering_window.h"
#include "analysis/result_data.h"
#include "analysis/standardize.h"
#include "common/csv.h"
#include "common/files.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/formula_db.h"
#include "formula/herb_list.h"
#include "formula/library.h"

namespace lindora {
namespace {

const char* DistanceZh(HerbDistance d) {
  switch (d) {
    case HerbDistance::kJaccard: return "Jaccard 距离 1 − |A∩B|/|A∪B|";
    case HerbDistance::kEuclidean: return "0/1 向量的平方欧氏距离 |A| + |B| − 2|A∩B|";
    case HerbDistance::kCosine: return "余弦（Ochiai）距离 1 − |A∩B|/√(|A|·|B|)";
  }
  return "";
}

const char* DistanceEn(HerbDistance d) {
  switch (d) {
    case HerbDistance::kJaccard: return "the Jaccard distance 1 − |A∩B|/|A∪B|";
    case HerbDistance::kEuclidean:
      return "the squared Euclidean distance of the 0/1 columns, |A| + |B| − 2|A∩B|";
    case HerbDistance::kCosine: return "the cosine (Ochiai) distance 1 − |A∩B|/√(|A|·|B|)";
  }
  return "";
}

const char* LinkageZh(Linkage l) {
  switch (l) {
    case Linkage::kAverage: return "平均连接（UPGMA）";
    case Linkage::kComplete: return "完全连接";
    case Linkage::kSingle: return "单连接";
    case Linkage::kWard: return "Ward 最小方差法";
  }
  return "";
}

const char* LinkageEn(Linkage l) {
  switch (l) {
    case Linkage::kAverage: return "average linkage (UPGMA)";
    case Linkage::kComplete: return "complete linkage";
    case Linkage::kSingle: return "single linkage";
    case Linkage::kWard: return "Ward's minimum-variance linkage";
  }
  return "";
}

std::string Fixed(double v, int decimals) {
  return FixedDecimals(v, decimals);
}

std::vector<CsvRow> CsvOf(const ResultTable& table) {
  std::vector<CsvRow> rows{table.header};
  for (const auto& row : table.rows) {
    rows.emplace_back();
    for (const TableCell& cell : row) rows.back().push_back(cell.text);
  }
  return rows;
}

std::vector<std::string> Unique(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  std::set<std::string> seen;
  for (const std::string& name : names)
    if (!name.empty() && seen.insert(name).second) out.push_back(name);
  return out;
}

FormulaHerbs MakeFormula(std::string name, const std::vector<std::string>& herbs) {
  FormulaHerbs f{std::move(name), Unique(herbs), {}};
  f.sorted = f.herbs;
  std::sort(f.sorted.begin(), f.sorted.end());
  return f;
}

}  // namespace

std::string CheckHerbClustering(const HerbClusteringOptions& options) {
  if (options.top < 3) return "参与聚类的药物数至少为 3。";
  if (options.linkage == Linkage::kWard && options.distance != HerbDistance::kEuclidean)
    return "Ward 法只能与平方欧氏距离（euclidean）一起使用。";
  if (!options.height && options.k < 1) return "聚类数必须是正整数。";
  if (options.height && (!std::isfinite(*options.height) || *options.height < 0))
    return "切割高度必须是非负数。";
  return {};
}

DistanceMatrix HerbDistances(const Transactions& t, const std::vector<ItemId>& herbs,
                             HerbDistance distance) {
  const std::size_t n = herbs.size();
  std::vector<std::uint32_t> index(t.names.size(), UINT32_MAX);
  for (std::size_t i = 0; i < n; ++i) index[herbs[i]] = static_cast<std::uint32_t>(i);
  std::vector<std::int64_t> together(n * n, 0);
  std::vector<std::uint32_t> present;
  for (std::size_t r = 0; r < t.N(); ++r) {
    present.clear();
    for (ItemId item : t.Row(r))
      if (index[item] != UINT32_MAX) present.push_back(index[item]);
    for (std::size_t a = 0; a < present.size(); ++a)
      for (std::size_t b = a + 1; b < present.size(); ++b) {
        ++together[present[a] * n + present[b]];
        ++together[present[b] * n + present[a]];
      }
  }
  DistanceMatrix m{n, std::vector<double>(n * n, 0)};
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      if (i == j) continue;
      const double both = static_cast<double>(together[i * n + j]);
      const double fa = static_cast<double>(t.frequency[herbs[i]]);
      const double fb = static_cast<double>(t.frequency[herbs[j]]);
      double d = 0;
      switch (distance) {
        case HerbDistance::kJaccard:
          d = fa + fb - both > 0 ? 1 - both / (fa + fb - both) : 0;
          break;
        case HerbDistance::kEuclidean: d = fa + fb - 2 * both; break;
        case HerbDistance::kCosine: d = fa > 0 && fb > 0 ? 1 - both / std::sqrt(fa * fb) : 1; break;
      }
      m.d[i * n + j] = d;
    }
  return m;
}

HerbClustering ClusterHerbs(const Transactions& t, const HerbClusteringOptions& options) {
  HerbClustering c;
  c.options = options;
  c.formulas = static_cast<std::int64_t>(t.N());
  std::vector<ItemId> order = t.ByFrequency();
  std::size_t count = std::min(order.size(), static_cast<std::size_t>(std::max(0, options.top)));
  // Herbs as frequent as the last one taken are taken too, as the network takes them.
  while (count > 0 && count < order.size() &&
         t.frequency[order[count]] == t.frequency[order[count - 1]])
    ++count;
  // A herb in no formula has no column to compare.
  while (count > 0 && t.frequency[order[count - 1]] == 0) --count;
  if (count < 3) return c;
  order.resize(count);
  for (ItemId id : order) {
    c.herbs.push_back(t.names[id]);
    c.frequency.push_back(t.frequency[id]);
  }
  c.distances = HerbDistances(t, order, options.distance);
  c.tree = Agglomerate(c.distances, options.linkage);
  c.order = LeafOrder(c.tree);
  const std::size_t n = count;
  std::size_t applied = 0;
  if (options.height) {
    c.cluster = CutAtHeight(c.tree, *options.height);
    c.cut_height = *options.height;
  } else {
    const std::size_t k = std::clamp<std::size_t>(static_cast<std::size_t>(options.k), 1, n);
    c.cluster = CutIntoClusters(c.tree, k);
    applied = n - k;
    // Midway between the last merge made and the first one left out.
    const double below = applied > 0 ? c.tree.merges[applied - 1].height : 0;
    const double above = applied < c.tree.merges.size() ? c.tree.merges[applied].height
                                                        : c.tree.merges.back().height * 1.05 + 1e-9;
    c.cut_height = (below + above) / 2;
  }
  c.clusters = *std::max_element(c.cluster.begin(), c.cluster.end());
  c.cophenetic = CopheneticCorrelation(c.distances, c.tree);
  return c;
}

int DendrogramHeight(std::size_t leaves) {
  // A line per leaf below the title and axis margins; small trees no flatter than the minimum.
  constexpr int kMinHeight = 500, kMargins = 120, kLeafLine = 24;
  return std::max(kMinHeight, kMargins + kLeafLine * static_cast<int>(leaves));
}

DendrogramPicture PictureOf(const HerbClustering& c) {
  DendrogramPicture p;
  p.title = "药物聚类树";
  p.axis = std::string("合并高度（") + DistanceZh(c.options.distance) + "，" +
           LinkageZh(c.options.linkage) + "）";
  const std::size_t n = c.herbs.size();
  std::vector<double> pos(n + c.tree.merges.size(), 0), height(pos.size(), 0);
  for (std::size_t i = 0; i < c.order.size(); ++i) {
    pos[c.order[i]] = static_cast<double>(i);
    p.labels.push_back(c.herbs[c.order[i]]);
    p.groups.push_back(c.cluster[c.order[i]]);
  }
  std::vector<std::size_t> first_leaf(pos.size());
  for (std::size_t i = 0; i < n; ++i) first_leaf[i] = i;
  for (std::size_t s = 0; s < c.tree.merges.size(); ++s) {
    const ClusterMerge& m = c.tree.merges[s];
    pos[n + s] = (pos[m.left] + pos[m.right]) / 2;
    height[n + s] = m.height;
    first_leaf[n + s] = first_leaf[m.left];
    // A bracket inside one cluster takes its colour.
    const bool inside = c.cluster[first_leaf[m.left]] == c.cluster[first_leaf[m.right]];
    p.links.push_back({pos[m.left], height[m.left], pos[m.right], height[m.right], m.height,
                       inside ? c.cluster[first_leaf[m.left]] : 0});
  }
  p.cut = c.cut_height;
  return p;
}

std::vector<FormulaHerbs> ReadLibraryFormulas(Session& session) {
  std::vector<FormulaHerbs> formulas;
  HerbList herbs(HerbListSource::ForSession(session));
  // The open library, counted as its result sets are.
  ForEachLine(FormulaDbFile(session), [&](const std::string& line) {
    if (Trim(line).empty()) return true;
    std::vector<std::string> fields = Split(line, "\t");
    if (fields.size() < 3) return true;
    formulas.push_back(MakeFormula(Trim(fields[0]), herbs.Of(fields[1])));
    return true;
  });
  return formulas;
}

std::vector<FormulaHerbs> ReadResultFormulas(Session& session) {
  StandardResult(session);
  std::vector<FormulaHerbs> formulas;
  ForEachLine(session.Path("\\Result\\Result.DB.stand"), [&](const std::string& line) {
    std::vector<std::string> fields = Split(line, "\t");
    formulas.push_back(
        MakeFormula(fields.empty() ? "" : Trim(fields[0]),
                    fields.size() < 2 ? std::vector<std::string>{} : Split(fields[1], "、")));
    return true;
  });
  return formulas;
}

std::size_t SharedCount(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::size_t shared = 0;
  for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
    if (a[i] < b[j]) {
      ++i;
    } else if (b[j] < a[i]) {
      ++j;
    } else {
      ++shared, ++i, ++j;
    }
  }
  return shared;
}

double Jaccard(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  const std::size_t shared = SharedCount(a, b), all = a.size() + b.size() - shared;
  return all == 0 ? 0 : static_cast<double>(shared) / static_cast<double>(all);
}

std::vector<SimilarFormula> RankSimilar(const FormulaHerbs& chosen,
                                        const std::vector<FormulaHerbs>& library,
                                        std::optional<std::size_t> self, std::size_t top) {
  std::vector<SimilarFormula> ranked;
  for (std::size_t i = 0; i < library.size(); ++i) {
    if (self && *self == i) continue;
    const std::size_t shared = SharedCount(chosen.sorted, library[i].sorted);
    const std::size_t all = chosen.sorted.size() + library[i].sorted.size() - shared;
    ranked.push_back({i, all ? static_cast<double>(shared) / static_cast<double>(all) : 0, shared});
  }
  auto better = [&](const SimilarFormula& a, const SimilarFormula& b) {
    if (a.similarity != b.similarity) return a.similarity > b.similarity;
    if (library[a.index].name != library[b.index].name)
      return library[a.index].name < library[b.index].name;
    return a.index < b.index;
  };
  const std::size_t keep = std::min(top, ranked.size());
  std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(keep),
                    ranked.end(), better);
  ranked.resize(keep);
  return ranked;
}

FormulaClustering ClusterFormulas(std::vector<FormulaHerbs> formulas, double min_similarity) {
  FormulaClustering c;
  c.min_similarity = min_similarity;
  for (FormulaHerbs& f : formulas) {
    if (f.sorted.empty())
      ++c.without_herbs;
    else
      c.formulas.push_back(std::move(f));
  }
  const std::size_t n = c.formulas.size();
  if (n < 2) return c;
  DistanceMatrix d{n, std::vector<double>(n * n, 0)};
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      d.d[i * n + j] = d.d[j * n + i] = 1 - Jaccard(c.formulas[i].sorted, c.formulas[j].sorted);
  c.tree = Agglomerate(d, Linkage::kAverage);
  const std::vector<int> cluster = CutAtHeight(c.tree, 1 - min_similarity);
  const int count = *std::max_element(cluster.begin(), cluster.end());
  c.clusters.assign(static_cast<std::size_t>(count), {});
  for (std::size_t leaf : LeafOrder(c.tree))
    c.clusters[static_cast<std::size_t>(cluster[leaf] - 1)].push_back(leaf);
  std::stable_sort(c.clusters.begin(), c.clusters.end(),
                   [](const auto& a, const auto& b) { return a.size() > b.size(); });
  return c;
}

// ---------------------------------------------------------------------------------------------
// Outputs, files and engines.

AnalysisOutput OutputOf(const HerbClustering& c) {
  AnalysisOutput out;
  ResultTable herbs{"herb-clusters", "药物聚类", {"药物", "频数", "类", "树中顺序"}, {}};
  std::vector<std::size_t> rank(c.herbs.size());
  for (std::size_t i = 0; i < c.order.size(); ++i) rank[c.order[i]] = i + 1;
  for (std::size_t leaf : c.order)
    herbs.rows.push_back(
        {TableCell::Text(c.herbs[leaf]), TableCell::Number(static_cast<double>(c.frequency[leaf])),
         TableCell::Number(c.cluster[leaf]), TableCell::Number(static_cast<double>(rank[leaf]))});
  ResultTable merges{
      "herb-merges", "药物聚类合并过程", {"步骤", "合并甲", "合并乙", "高度", "药物数"}, {}};
  const std::size_t n = c.herbs.size();
  std::vector<std::string> name(n + c.tree.merges.size());
  for (std::size_t i = 0; i < n; ++i) name[i] = c.herbs[i];
  for (std::size_t s = 0; s < c.tree.merges.size(); ++s) {
    const ClusterMerge& m = c.tree.merges[s];
    name[n + s] = "#" + std::to_string(s + 1);
    merges.rows.push_back({TableCell::Number(static_cast<double>(s + 1)),
                           TableCell::Text(name[m.left]), TableCell::Text(name[m.right]),
                           TableCell::Number(m.height, 4),
                           TableCell::Number(static_cast<double>(m.size))});
  }
  out.tables = {std::move(herbs), std::move(merges)};
  const std::string coph = c.cophenetic ? Fixed(*c.cophenetic, 4) : "无法计算";
  out.summary = "药物 " + std::to_string(n) + " 味，分为 " + std::to_string(c.clusters) +
                " 类，共表型相关系数 " + coph;
  const std::string cut_zh = c.options.height ? "在高度 " + Fixed(*c.options.height, 4) + " 处切割"
                                              : "切割为 " + std::to_string(c.options.k) + " 类";
  const std::string cut_en = c.options.height
                                 ? "cut at height " + Fixed(*c.options.height, 4)
                                 : "cut into " + std::to_string(c.options.k) + " clusters";
  out.methods_zh =
      "以结果集 " + std::to_string(c.formulas) +
      " 首方剂（标准化后的药物组成，每方每味药计一次）构成药物×方剂 0/1 矩阵，取频数最高的 " +
      std::to_string(c.options.top) + " 味药（与末位同频者一并纳入，共 " + std::to_string(n) +
      " 味），以" + DistanceZh(c.options.distance) + "度量两药所在方剂列的差异，采用" +
      LinkageZh(c.options.linkage) +
      "进行凝聚层次聚类；距离相同时按药物顺序（频数降序，再按字符编码）先合并靠前的一对，结果确定可"
      "重复；" +
      cut_zh + "，得到 " + std::to_string(c.clusters) + " 类；共表型相关系数为 " + coph + "。";
  out.methods_en =
      "The " + std::to_string(c.formulas) +
      " formulas of the result set (standardised compositions, each herb counted once per "
      "formula) give a herb × formula 0/1 matrix. The " +
      std::to_string(c.options.top) + " most frequent herbs (ties at the cut included; " +
      std::to_string(n) + " herbs) were compared by " + DistanceEn(c.options.distance) +
      " of their formula columns and clustered agglomeratively with " +
      LinkageEn(c.options.linkage) +
      "; equal distances were resolved by herb order (frequency descending, then code point), "
      "so the tree is deterministic. The tree was " +
      cut_en + ", giving " + std::to_string(c.clusters) +
      " clusters; the cophenetic correlation coefficient is " +
      (c.cophenetic ? Fixed(*c.cophenetic, 4) : "undefined") + ".";
  return out;
}

AnalysisOutput OutputOf(const FormulaClustering& c) {
  AnalysisOutput out;
  ResultTable table{"formula-clusters", "方剂聚类（类方）", {"类", "方剂数", "方剂", "组成"}, {}};
  std::size_t grouped = 0;
  for (std::size_t k = 0; k < c.clusters.size(); ++k) {
    if (c.clusters[k].size() > 1) ++grouped;
    for (std::size_t f : c.clusters[k])
      table.rows.push_back({TableCell::Number(static_cast<double>(k + 1)),
                            TableCell::Number(static_cast<double>(c.clusters[k].size())),
                            TableCell::Text(c.formulas[f].name),
                            TableCell::Text(Join(c.formulas[f].herbs, "、"))});
  }
  out.tables = {std::move(table)};
  const std::string s = Fixed(c.min_similarity, 2);
  out.summary = "方剂 " + std::to_string(c.formulas.size()) + " 首，分为 " +
                std::to_string(c.clusters.size()) + " 类，其中 " + std::to_string(grouped) +
                " 类含两首以上方剂";
  out.methods_zh =
      "以两方药物集合的 Jaccard 相似度 |A∩B|/|A∪B| 度量方剂间相似性，对结果集中有药物组成的 " +
      std::to_string(c.formulas.size()) +
      " 首方剂以 1 − "
      "相似度为距离作平均连接（UPGMA）凝聚层次聚类（距离相同时按方剂在结果集中的顺序先合并靠前者）"
      "，在类间平均相似度 ≥ " +
      s + " 处切割，得到 " + std::to_string(c.clusters.size()) + " 类（" + std::to_string(grouped) +
      " 类含两首以上方剂）。";
  out.methods_en =
      "Formulas were compared by the Jaccard similarity |A∩B|/|A∪B| of their herb "
      "sets; the " +
      std::to_string(c.formulas.size()) +
      " formulas of the result set with a composition were clustered with average "
      "linkage (UPGMA) on 1 − similarity (ties by record order) and the tree was cut "
      "where the average similarity between clusters falls below " +
      s + ", giving " + std::to_string(c.clusters.size()) + " clusters (" +
      std::to_string(grouped) + " with two or more formulas).";
  return out;
}

Outcome RunHerbClustering(Session& session, const HerbClusteringOptions& options,
                          HerbClustering& result, AnalysisOutput& output) {
  if (std::string problem = CheckHerbClustering(options); !problem.empty())
    return Refuse(session, problem);
  return Guard(session, [&]() -> Outcome {
    if (Outcome o = RequireResultData(session); o != Outcome::kDone) return o;
    Transactions t = HerbTransactionsOfResultSet(session);
    if (t.N() == 0 || t.names.empty()) return Refuse(session, kNoDataMessage);
    HerbClustering c = ClusterHerbs(t, options);
    if (c.herbs.size() < 3) return Refuse(session, "结果集中的药物少于 3 味，无法进行药物聚类。");
    AnalysisOutput out = OutputOf(c);
    const std::filesystem::path folder = session.Path("\\Result");
    out.files = {std::string("\\Result\\") + kHerbClusterCsv,
                 std::string("\\Result\\") + kHerbTreeNewick};
    {  // the table, its tree and the tree's pictures are one unit: all new or all old
      AtomicFileSet files;
      files.Add(folder / kHerbClusterCsv).WriteBytes(CsvText(CsvOf(out.tables[0])));
      files.Add(folder / kHerbTreeNewick).WriteBytes(NewickText(c.tree, c.herbs) + "\r\n");
      if (PictureWriter* writer = InstalledPictureWriter()) {
        const DendrogramPicture picture = PictureOf(c);
        const int h = DendrogramHeight(c.herbs.size());
        files.Add(folder / kHerbTreePng)
            .WriteBytes(writer->DendrogramPng(picture, kDendrogramWidth, h));
        files.Add(folder / kHerbTreeSvg)
            .WriteBytes(writer->DendrogramSvg(picture, kDendrogramWidth, h));
        out.files.push_back(std::string("\\Result\\") + kHerbTreePng);
        out.files.push_back(std::string("\\Result\\") + kHerbTreeSvg);
      }
      files.Commit();
    }
    result = std::move(c);
    output = std::move(out);
    return Outcome::kDone;
  });
}

Outcome RunSimilarFormulas(Session& session, const std::string& name, std::size_t top,
                           AnalysisOutput& output) {
  // Like every analysis of the result set, nothing to do without one.
  if (Outcome o = RequireResultData(session); o != Outcome::kDone) return o;
  const std::string wanted = Trim(name);
  if (wanted.empty()) return Refuse(session, "请指定要查找相似方剂的方剂名称。");
  if (top < 1) return Refuse(session, "列出的方剂数必须是正整数。");
  return Guard(session, [&]() -> Outcome {
    std::vector<FormulaHerbs> library = ReadLibraryFormulas(session);
    std::optional<std::size_t> self;
    FormulaHerbs chosen;
    for (std::size_t i = 0; i < library.size() && !self; ++i)
      if (library[i].name == wanted) self = i, chosen = library[i];
    if (!self) {
      // A formula of the result set that is not (or no longer) in the open library.
      bool found = false;
      if (std::filesystem::exists(session.Path(kResultFilePath)))
        for (FormulaHerbs& f : ReadResultFormulas(session))
          if (!found && f.name == wanted) chosen = std::move(f), found = true;
      if (!found) return Refuse(session, "方剂库与结果集中都没有名为“" + wanted + "”的方剂。");
    }
    if (chosen.sorted.empty())
      return Refuse(session, "方剂“" + wanted + "”没有可用的药物组成，无法比较。");
    std::vector<SimilarFormula> ranked = RankSimilar(chosen, library, self, top);
    AnalysisOutput out;
    ResultTable table{"similar-formulas",
                      "与“" + wanted + "”相似的方剂",
                      {"排名", "方剂", "相似度", "共有药物数", "共有药物", "组成"},
                      {}};
    for (std::size_t r = 0; r < ranked.size(); ++r) {
      const FormulaHerbs& f = library[ranked[r].index];
      std::vector<std::string> shared;
      for (const std::string& h : f.herbs)
        if (std::binary_search(chosen.sorted.begin(), chosen.sorted.end(), h)) shared.push_back(h);
      table.rows.push_back({TableCell::Number(static_cast<double>(r + 1)), TableCell::Text(f.name),
                            TableCell::Number(ranked[r].similarity, 4),
                            TableCell::Number(static_cast<double>(ranked[r].shared)),
                            TableCell::Text(Join(shared, "、")),
                            TableCell::Text(Join(f.herbs, "、"))});
    }
    out.tables = {std::move(table)};
    out.summary = "方剂库 " + std::to_string(library.size()) + " 首中与“" + wanted + "”最相似的 " +
                  std::to_string(ranked.size()) + " 首";
    out.methods_zh = "以药物集合的 Jaccard 相似度 |A∩B|/|A∪B|（标准化后的药物组成）比较“" + wanted +
                     "”（" + Join(chosen.herbs, "、") + "）与方剂库中的 " +
                     std::to_string(library.size()) + " 首方剂，按相似度降序列出前 " +
                     std::to_string(top) + " 首，相似度相同时按方剂名称排序。";
    out.methods_en = "The formulas of the open library (" + std::to_string(library.size()) +
                     ") were ranked by the Jaccard similarity |A∩B|/|A∪B| of their standardised "
                     "herb sets to " +
                     wanted + "; the first " + std::to_string(top) + " are listed, ties by name.";
    WriteCsvFile(session.Path("\\Result") / kSimilarFormulaCsv, CsvOf(out.tables[0]));
    out.files = {std::string("\\Result\\") + kSimilarFormulaCsv};
    output = std::move(out);
    return Outcome::kDone;
  });
}

Outcome RunFormulaClustering(Session& session, double min_similarity, FormulaClustering& result,
                             AnalysisOutput& output) {
  if (!(min_similarity >= 0 && min_similarity <= 1))
    return Refuse(session, "相似度阈值必须在 0 到 1 之间。");
  return Guard(session, [&]() -> Outcome {
    if (Outcome o = RequireResultData(session); o != Outcome::kDone) return o;
    std::vector<FormulaHerbs> formulas = ReadResultFormulas(session);
    std::size_t usable = 0;
    for (const FormulaHerbs& f : formulas) usable += f.sorted.empty() ? 0 : 1;
    if (usable == 0) return Refuse(session, kNoDataMessage);
    if (usable < 2) return Refuse(session, "结果集中有药物组成的方剂少于 2 首，无法进行方剂聚类。");
    if (usable > kMaxClusteredFormulas)
      return Refuse(session, "结果集中有 " + std::to_string(usable) + " 首方剂，方剂聚类最多处理 " +
                                 std::to_string(kMaxClusteredFormulas) + " 首；请先缩小结果集。");
    FormulaClustering c = ClusterFormulas(std::move(formulas), min_similarity);
    AnalysisOutput out = OutputOf(c);
    WriteCsvFile(session.Path("\\Result") / kFormulaClusterCsv, CsvOf(out.tables[0]));
    out.files = {std::string("\\Result\\") + kFormulaClusterCsv};
    result = std::move(c);
    output = std::move(out);
    return Outcome::kDone;
  });
}

// ---------------------------------------------------------------------------------------------
// Descriptors.

AnalysisDescriptor HerbClusteringDescriptor() {
  AnalysisDescriptor d;
  d.key = "cluster-herbs";
  d.caption = "药物聚类";
  d.menu_name = "Menu_HerbClustering";
  d.menu_caption = "聚类分析";
  d.options = {
      {"top", "药物数", AnalysisOption::Kind::kWhole, "30", 3, 2000, {}},
      {"distance",
       "距离",
       AnalysisOption::Kind::kChoice,
       "jaccard",
       0,
       0,
       {"jaccard", "euclidean", "cosine"}},
      {"linkage",
       "连接方法",
       AnalysisOption::Kind::kChoice,
       "average",
       0,
       0,
       {"average", "complete", "single", "ward"}},
      {"k", "聚类数", AnalysisOption::Kind::kWhole, "5", 1, 2000, {}},
      {"height", "切割高度（0：按聚类数）", AnalysisOption::Kind::kDecimal, "0", 0, 1e9, {}},
  };
  d.files = {std::string("\\Result\\") + kHerbClusterCsv,
             std::string("\\Result\\") + kHerbTreeNewick, std::string("\\Result\\") + kHerbTreePng,
             std::string("\\Result\\") + kHerbTreeSvg};
  d.usage =
      "cluster-herbs [--top N] [--distance jaccard|euclidean|cosine] "
      "[--linkage average|complete|single|ward] [--k K | --height H] [--png FILE]";
  d.help =
      "clusters the N most frequent herbs of the current result set (default 30) by the "
      "formulas they occur in, cuts the tree into K clusters (default 5) or at height H, writes "
      "聚类_药物.csv, 聚类_树.nwk and the dendrogram to \\Result\\ and prints the clusters";
  d.report_title = "药物聚类分析";
  d.open = OpenHerbClustering;
  d.run = [](Session& session, const OptionValues& values, AnalysisOutput& output) {
    std::string message;
    std::optional<HerbClusteringOptions> o = ReadHerbClusteringOptions(values, message);
    if (!o) return Refuse(session, message);
    HerbClustering result;
    return RunHerbClustering(session, *o, result, output);
  };
  return d;
}

std::optional<HerbClusteringOptions> ReadHerbClusteringOptions(const OptionValues& values,
                                                               std::string& message) {
  OptionValues v = values;
  message = CompleteOptions(HerbClusteringDescriptor(), v);
  if (!message.empty()) return std::nullopt;
  HerbClusteringOptions o;
  o.top = static_cast<int>(WholeOption(v, "top"));
  const std::string distance = v["distance"], linkage = v["linkage"];
  o.distance = distance == "euclidean" ? HerbDistance::kEuclidean
               : distance == "cosine"  ? HerbDistance::kCosine
                                       : HerbDistance::kJaccard;
  o.linkage = linkage == "complete" ? Linkage::kComplete
              : linkage == "single" ? Linkage::kSingle
              : linkage == "ward"   ? Linkage::kWard
                                    : Linkage::kAverage;
  o.k = static_cast<int>(WholeOption(v, "k"));
  // A height of 0 (the default) means the cut by the number of clusters.
  if (const double height = DecimalOption(v, "height"); height > 0) o.height = height;
  message = CheckHerbClustering(o);
  if (!message.empty()) return std::nullopt;
  return o;
}

AnalysisDescriptor SimilarFormulasDescriptor() {
  AnalysisDescriptor d;
  d.key = "similar-formulas";
  d.caption = "相似方剂";
  // Reached from the formula grid's pop-up and the clustering window, not the analysis menu.
  d.options = {{"formula", "方剂", AnalysisOption::Kind::kText, "", 0, 0, {}},
               {"top", "列出方剂数", AnalysisOption::Kind::kWhole, "20", 1, 100000, {}}};
  d.files = {std::string("\\Result\\") + kSimilarFormulaCsv};
  d.usage = "similar-formulas NAME [--top N]";
  d.help =
      "ranks the formulas of the open library by the Jaccard similarity of their herbs to the "
      "formula NAME (default: the first 20), writes 相似方剂.csv to \\Result\\ and prints them";
  d.in_report = false;
  d.report_title = "相似方剂";
  d.run = [d](Session& session, const OptionValues& values, AnalysisOutput& output) {
    OptionValues v = values;
    if (std::string problem = CompleteOptions(d, v); !problem.empty())
      return Refuse(session, problem);
    return RunSimilarFormulas(session, v["formula"],
                              static_cast<std::size_t>(WholeOption(v, "top")), output);
  };
  d.open = ShowSimilarToSelectedFormula;
  return d;
}

AnalysisDescriptor FormulaClusteringDescriptor() {
  AnalysisDescriptor d;
  d.key = "cluster-formulas";
  d.caption = "方剂聚类";
  // A tab of the clustering window, which the herb clustering's menu entry opens.
  d.options = {{"min-similarity", "最小相似度", AnalysisOption::Kind::kDecimal, "0.5", 0, 1, {}}};
  d.files = {std::string("\\Result\\") + kFormulaClusterCsv};
  d.usage = "cluster-formulas [--min-similarity S]";
  d.help =
      "clusters the formulas of the current result set by the Jaccard similarity of their "
      "herbs (average linkage), cut where the similarity falls below S (default 0.5), writes "
      "方剂聚类.csv to \\Result\\ and prints the clusters";
  d.report_title = "方剂聚类（类方）";
  d.run = [d](Session& session, const OptionValues& values, AnalysisOutput& output) {
    OptionValues v = values;
    if (std::string problem = CompleteOptions(d, v); !problem.empty())
      return Refuse(session, problem);
    FormulaClustering result;
    return RunFormulaClustering(session, DecimalOption(v, "min-similarity"), result, output);
  };
  return d;
}

}  // namespace lindora
