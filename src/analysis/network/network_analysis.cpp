#include "analysis/network/network_analysis.h"

#include "analysis/network/network_window.h"
#include "analysis/result_data.h"
#include "analysis/transactions.h"
#include "common/pictures.h"
#include "common/session.h"
#include "common/text.h"
#include "common/workbook.h"

namespace lindora {

NetworkResult RunHerbNetwork(Session& session, const NetworkOptions& options) {
  NetworkResult result;
  const NetworkThresholds& t = options.thresholds;
  if (t.top < 1 || t.top > static_cast<int>(kMaxNetworkNodes) || t.min_frequency < 0 ||
      t.min_edge < 1) {
    result.outcome = Refuse(session, "网络的节点数应为 1 到 " + std::to_string(kMaxNetworkNodes) +
                                         " 之间的整数，边阈值应为正整数。");
    return result;
  }
  result.outcome = Guard(session, [&]() -> Outcome {
    if (Outcome o = RequireResultData(session); o != Outcome::kDone) return o;
    Transactions transactions = HerbTransactionsOfResultSet(session);
    result.formulas = static_cast<std::int64_t>(transactions.N());
    if (transactions.names.empty()) return Refuse(session, kNoDataMessage);
    // The bound is checked before the pairs take any memory.
    if (std::string problem = NetworkSizeProblem(transactions, t); !problem.empty())
      return Refuse(session, problem);
    HerbNetwork network = BuildHerbNetwork(transactions, t);
    if (network.edges.empty()) return Outcome::kDone;
    AnalyseHerbNetwork(network);
    const std::filesystem::path folder = session.Path("\\Result");
    WriteHerbNetworkFiles(network, folder, InstalledPictureWriter());
    result.network = std::move(network);
    return Outcome::kDone;
  });
  return result;
}

std::string NodeRuleZh(const NetworkThresholds& t) {
  return t.min_frequency > 0 ? "频数不低于" + std::to_string(t.min_frequency) + "的药物"
                             : "频数最高的" + std::to_string(t.top) + "味药，并列者一并纳入";
}

std::string NodeRuleEn(const NetworkThresholds& t) {
  return t.min_frequency > 0
             ? "the herbs in at least " + std::to_string(t.min_frequency) + " formulas"
             : "the " + std::to_string(t.top) + " most frequent herbs (ties at the cut included)";
}

std::string NetworkMethodsZh(const NetworkThresholds& t) {
  return "药物网络：节点为" + NodeRuleZh(t) + "，两味药在至少" + std::to_string(t.min_edge) +
         "首方剂中共同出现则连边，边权为共同出现的方剂数，无自环。社区由igraph的多层次模块度优化"
         "（Louvain）算法在加权网络上划分；度、加权度（强度）、以1/"
         "边权为距离的介数中心性与接近中心性由igraph计算；"
         "布局为加权Fruchterman–Reingold力导向布局。随机数种子固定为" +
         std::to_string(kNetworkSeed) + "，相同数据得到相同结果。";
}

std::string NetworkMethodsEn(const NetworkThresholds& t) {
  return "Herb network: the nodes were " + NodeRuleEn(t) +
         "; two herbs were linked when they occur together in at least " +
         std::to_string(t.min_edge) +
         " formulas, weighted by that count (no self-loops). Communities were found by "
         "multilevel modularity optimisation (Louvain) on the weighted graph with "
         "igraph; degree, weighted degree (strength), and betweenness and closeness on "
         "distances 1/weight were computed with igraph; the layout is the weighted "
         "Fruchterman–Reingold force-directed layout. The random seed was fixed at " +
         std::to_string(kNetworkSeed) + ", so the same data give the same result.";
}

AnalysisOutput NetworkOutput(const NetworkResult& result, const NetworkOptions& options) {
  AnalysisOutput out;
  const HerbNetwork& network = result.network;
  std::vector<CsvRow> nodes = NodeTable(network);
  if (!nodes.empty()) {
    ResultTable table{"nodes", "药物网络节点", nodes.front(), {}};
    for (std::size_t i = 1; i < nodes.size(); ++i) {
      std::vector<TableCell> row;
      // Degrees, strengths and centralities as numbers with the decimals the file has.
      for (const std::string& cell : nodes[i]) row.push_back(CellFromText(cell));
      table.rows.push_back(std::move(row));
    }
    out.tables.push_back(std::move(table));
  }
  ResultTable edges{"edges", "药物网络边", {"药物A", "药物B", "共同出现次数"}, {}};
  for (const NetworkEdge& e : network.edges)
    edges.rows.push_back({TableCell::Text(network.nodes[e.source].name),
                          TableCell::Text(network.nodes[e.target].name),
                          TableCell::Number(static_cast<double>(e.weight))});
  out.tables.push_back(std::move(edges));
  if (!network.edges.empty())
    for (const char* name : {"药物网络.gexf", "药物网络.graphml", "药物网络_节点.csv",
                             "药物网络_边.csv", kNetworkPng, kNetworkSvg})
      out.files.push_back("\\Result\\" + std::string(name));
  out.summary = "节点 " + std::to_string(network.nodes.size()) + " 个，边 " +
                std::to_string(network.edges.size()) + " 条，社区 " +
                std::to_string(network.communities) + " 个";
  out.methods_zh = NetworkMethodsZh(options.thresholds);
  out.methods_en = NetworkMethodsEn(options.thresholds);
  return out;
}

AnalysisDescriptor HerbNetworkAnalysis() {
  AnalysisDescriptor d;
  d.key = "network";
  d.caption = "药物网络";
  d.menu_name = "Menu_HerbNetwork";
  d.menu_caption = "药物网络";
  const NetworkThresholds defaults;
  d.options = {
      AnalysisOption::Whole("top", "节点数", defaults.top, 1, kMaxNetworkNodes),
      AnalysisOption::Whole("min-frequency", "节点频数阈值（0：按节点数）", defaults.min_frequency,
                            0, kMaxNetworkThreshold),
      AnalysisOption::Whole("min-edge", "边阈值", defaults.min_edge, 1, kMaxNetworkThreshold),
  };
  for (const char* name : {"药物网络.gexf", "药物网络.graphml", "药物网络_节点.csv",
                           "药物网络_边.csv", kNetworkPng, kNetworkSvg})
    d.files.push_back("\\Result\\" + std::string(name));
  d.console_outputs = {"png", "svg"};
  d.usage = "network [--top N | --min-frequency F] [--min-edge K] [--png FILE] [--svg FILE]";
  d.help =
      "draws the herb co-occurrence network of the current result set (nodes: the N most "
      "frequent herbs, default " +
      std::to_string(defaults.top) +
      ", or all herbs in at least F formulas; edges: pairs together in at least K formulas, "
      "default " +
      std::to_string(defaults.min_edge) +
      "), writes 药物网络.gexf/.graphml/_边.csv/_节点.csv/.png/.svg "
      "to \\Result\\ and prints the node table";
  d.report_title = "药物网络";
  d.run = [](Session& session, const OptionValues& values, AnalysisOutput& output) {
    NetworkOptions options;
    options.thresholds.top = static_cast<int>(WholeOption(values, "top"));
    options.thresholds.min_frequency = WholeOption(values, "min-frequency");
    options.thresholds.min_edge = WholeOption(values, "min-edge");
    NetworkResult r = RunHerbNetwork(session, options);
    if (r.outcome == Outcome::kDone) output = NetworkOutput(r, options);
    return r.outcome;
  };
  d.open = HerbNetworkOfResults;
  return d;
}

}  // namespace lindora
