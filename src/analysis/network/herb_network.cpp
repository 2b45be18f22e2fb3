#include "analysis/network/herb_network.h"

#include <igraph.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <unordered_map>

#include "common/csv.h"
#include "common/files.h"
#include "common/safe_write.h"
#include "common/text.h"

namespace lindora {
namespace {

// Every run starts the generator afresh, so equal input gives equal communities and layout.

void Check(igraph_error_t status, const char* what) {
  if (status != IGRAPH_SUCCESS)
    throw std::runtime_error(std::string("igraph: ") + what + ": " + igraph_strerror(status));
}

// Owns the igraph objects of one analysis.
struct Graph {
  igraph_t g;
  igraph_vector_t weights, distances, layout_weights;
  explicit Graph(const HerbNetwork& network) {
    igraph_vector_int_t ends;
    Check(igraph_vector_int_init(&ends, static_cast<igraph_integer_t>(2 * network.edges.size())),
          "edges");
    for (std::size_t e = 0; e < network.edges.size(); ++e) {
      VECTOR(ends)[2 * e] = static_cast<igraph_integer_t>(network.edges[e].source);
      VECTOR(ends)[2 * e + 1] = static_cast<igraph_integer_t>(network.edges[e].target);
    }
    igraph_error_t status = igraph_create(
        &g, &ends, static_cast<igraph_integer_t>(network.nodes.size()), IGRAPH_UNDIRECTED);
    igraph_vector_int_destroy(&ends);
    Check(status, "graph");
    igraph_vector_init(&weights, static_cast<igraph_integer_t>(network.edges.size()));
    igraph_vector_init(&distances, static_cast<igraph_integer_t>(network.edges.size()));
    igraph_vector_init(&layout_weights, static_cast<igraph_integer_t>(network.edges.size()));
    for (std::size_t e = 0; e < network.edges.size(); ++e) {
      VECTOR(weights)[e] = static_cast<double>(network.edges[e].weight);
      // Pairs seen together more often are closer.
      VECTOR(distances)[e] = 1.0 / static_cast<double>(network.edges[e].weight);
      // The layout pulls by the logarithm of the weight: raw counts of the most common herbs
      // would squeeze them into one spot and push every other herb to the rim.
      VECTOR(layout_weights)[e] = std::log1p(static_cast<double>(network.edges[e].weight));
    }
  }
  ~Graph() {
    igraph_vector_destroy(&layout_weights);
    igraph_vector_destroy(&distances);
    igraph_vector_destroy(&weights);
    igraph_destroy(&g);
  }
  Graph(const Graph&) = delete;
  Graph& operator=(const Graph&) = delete;
};

std::string Number(double value) {
  if (!std::isfinite(value)) return "0";
  if (value == std::floor(value) && std::fabs(value) < 1e15)
    return std::to_string(static_cast<long long>(value));
  return FixedDecimals(value, 6);
}

// Layout coordinates scaled to ±500, the range network tools open at a readable zoom.
struct Placement {
  double scale = 1, cx = 0, cy = 0;
  explicit Placement(const HerbNetwork& network) {
    if (network.nodes.empty()) return;
    auto [minx, maxx] = std::minmax_element(network.nodes.begin(), network.nodes.end(),
                                            [](auto& a, auto& b) { return a.x < b.x; });
    auto [miny, maxy] = std::minmax_element(network.nodes.begin(), network.nodes.end(),
                                            [](auto& a, auto& b) { return a.y < b.y; });
    cx = (minx->x + maxx->x) / 2;
    cy = (miny->y + maxy->y) / 2;
    double span = std::max(maxx->x - minx->x, maxy->y - miny->y);
    scale = span > 0 ? 1000 / span : 1;
  }
  double X(const NetworkNode& n) const { return (n.x - cx) * scale; }
  double Y(const NetworkNode& n) const { return (n.y - cy) * scale; }
};

// Node sizes from 10 to 40 by frequency.
double NodeSize(const HerbNetwork& network, const NetworkNode& node) {
  std::int64_t top = network.nodes.empty() ? 1 : network.nodes.front().frequency;
  return 10 + 30 * std::sqrt(static_cast<double>(node.frequency) / static_cast<double>(top));
}

}  // namespace

namespace {

std::size_t CountNodes(const Transactions& transactions, const std::vector<ItemId>& order,
                       const NetworkThresholds& thresholds) {
  std::size_t count = 0;
  if (thresholds.min_frequency > 0) {
    while (count < order.size() && transactions.frequency[order[count]] >= thresholds.min_frequency)
      ++count;
  } else if (thresholds.top > 0) {
    count = std::min(order.size(), static_cast<std::size_t>(thresholds.top));
    // Herbs as frequent as the last one taken are taken too.
    while (count > 0 && count < order.size() &&
           transactions.frequency[order[count]] == transactions.frequency[order[count - 1]])
      ++count;
  }
  return count;
}

}  // namespace

std::size_t NetworkNodeCount(const Transactions& transactions,
                             const NetworkThresholds& thresholds) {
  return CountNodes(transactions, transactions.ByFrequency(), thresholds);
}

std::string NetworkSizeProblem(const Transactions& transactions,
                               const NetworkThresholds& thresholds) {
  const std::size_t count = NetworkNodeCount(transactions, thresholds);
  if (count <= kMaxNetworkNodes) return {};
  return "药物网络最多 " + std::to_string(kMaxNetworkNodes) + " 个节点，按当前设置将有 " +
         std::to_string(count) +
         " 个节点（频数并列的药物一并计入）。请减少节点数、提高节点频数阈值，或缩小结果集后重试。";
}

HerbNetwork BuildHerbNetwork(const Transactions& transactions,
                             const NetworkThresholds& thresholds) {
  HerbNetwork network;
  std::vector<ItemId> order = transactions.ByFrequency();
  const std::size_t count = CountNodes(transactions, order, thresholds);
  if (count > kMaxNetworkNodes)
    throw std::length_error(NetworkSizeProblem(transactions, thresholds));
  constexpr std::uint32_t kNone = ~0u;
  std::vector<std::uint32_t> node_of(transactions.names.size(), kNone);
  for (std::size_t i = 0; i < count; ++i) {
    node_of[order[i]] = static_cast<std::uint32_t>(i);
    network.nodes.push_back({transactions.names[order[i]], transactions.frequency[order[i]]});
  }

  // Pairs are counted in a dense triangle: at most kMaxNetworkNodes nodes, about 1 MB.
  const std::size_t n = count;
  std::vector<std::int64_t> triangle(n * (n - (n > 0)) / 2);
  auto slot = [n](std::size_t a, std::size_t b) { return a * (2 * n - a - 1) / 2 + (b - a - 1); };
  std::vector<std::uint32_t> present;
  for (std::size_t t = 0; t < transactions.N(); ++t) {
    present.clear();
    for (ItemId item : transactions.Row(t))
      if (node_of[item] != kNone) present.push_back(node_of[item]);
    std::sort(present.begin(), present.end());
    for (std::size_t i = 0; i < present.size(); ++i)
      for (std::size_t j = i + 1; j < present.size(); ++j) ++triangle[slot(present[i], present[j])];
  }
  const std::int64_t min_edge = std::max<std::int64_t>(1, thresholds.min_edge);
  for (std::size_t a = 0; a < n; ++a)
    for (std::size_t b = a + 1; b < n; ++b)
      if (std::int64_t w = triangle[slot(a, b)]; w >= min_edge) network.edges.push_back({a, b, w});
  std::sort(network.edges.begin(), network.edges.end(), [](const auto& x, const auto& y) {
    if (x.weight != y.weight) return x.weight > y.weight;
    return x.source != y.source ? x.source < y.source : x.target < y.target;
  });
  return network;
}

void AnalyseHerbNetwork(HerbNetwork& network) {
  const std::size_t n = network.nodes.size();
  if (n == 0) return;
  for (NetworkNode& node : network.nodes) node = {node.name, node.frequency};
  for (const NetworkEdge& e : network.edges) {
    for (std::size_t v : {e.source, e.target}) {
      ++network.nodes[v].degree;
      network.nodes[v].strength += static_cast<double>(e.weight);
    }
  }
  // Errors come back as return codes; notes about disconnected graphs are not for the user.
  igraph_set_error_handler(igraph_error_handler_ignore);
  igraph_set_warning_handler(igraph_warning_handler_ignore);
  Graph graph(network);

  igraph_vector_int_t membership;
  igraph_vector_int_init(&membership, 0);
  igraph_rng_seed(igraph_rng_default(), kNetworkSeed);
  igraph_error_t status =
      igraph_community_multilevel(&graph.g, &graph.weights, 1.0, &membership, nullptr, nullptr);
  if (status == IGRAPH_SUCCESS) {
    // Communities numbered in node order, so the most frequent linked herb is always in
    // community 1. A herb without an edge is no community of its own: it gets 0 (grey) and
    // is listed apart.
    std::unordered_map<igraph_integer_t, int> number;
    for (std::size_t v = 0; v < n; ++v) {
      if (network.nodes[v].degree == 0) {
        network.nodes[v].community = 0;
        continue;
      }
      auto [it, added] =
          number.try_emplace(VECTOR(membership)[v], static_cast<int>(number.size()) + 1);
      network.nodes[v].community = it->second;
    }
    network.communities = static_cast<int>(number.size());
  }
  igraph_vector_int_destroy(&membership);
  Check(status, "communities");

  igraph_vector_t result;
  igraph_vector_init(&result, 0);
  status = igraph_betweenness(&graph.g, &result, igraph_vss_all(), false, &graph.distances);
  if (status == IGRAPH_SUCCESS)
    for (std::size_t v = 0; v < n; ++v) network.nodes[v].betweenness = VECTOR(result)[v];
  if (status == IGRAPH_SUCCESS)
    status = igraph_closeness(&graph.g, &result, nullptr, nullptr, igraph_vss_all(), IGRAPH_ALL,
                              &graph.distances, true);
  if (status == IGRAPH_SUCCESS)
    for (std::size_t v = 0; v < n; ++v)
      network.nodes[v].closeness = std::isfinite(VECTOR(result)[v]) ? VECTOR(result)[v] : 0;
  igraph_vector_destroy(&result);
  Check(status, "centrality");

  igraph_matrix_t layout;
  igraph_matrix_init(&layout, 0, 0);
  igraph_rng_seed(igraph_rng_default(), kNetworkSeed);
  status = igraph_layout_fruchterman_reingold(
      &graph.g, &layout, false, 500, std::sqrt(static_cast<double>(n)) / 10, IGRAPH_LAYOUT_AUTOGRID,
      &graph.layout_weights, nullptr, nullptr, nullptr, nullptr);
  if (status == IGRAPH_SUCCESS)
    for (std::size_t v = 0; v < n; ++v) {
      network.nodes[v].x = MATRIX(layout, v, 0);
      network.nodes[v].y = MATRIX(layout, v, 1);
    }
  igraph_matrix_destroy(&layout);
  Check(status, "layout");

  // Herbs tied to the rest by one weak pair drift far out and leave the core cramped; distances
  // from the centre are compressed (square root), which keeps every direction and order.
  double cx = 0, cy = 0;
  for (const NetworkNode& node : network.nodes) cx += node.x, cy += node.y;
  cx /= static_cast<double>(n), cy /= static_cast<double>(n);
  for (NetworkNode& node : network.nodes) {
    const double dx = node.x - cx, dy = node.y - cy, r = std::hypot(dx, dy);
    if (r > 0) node.x = cx + dx / std::sqrt(r), node.y = cy + dy / std::sqrt(r);
  }
}

std::vector<std::size_t> NodesByStrength(const HerbNetwork& network) {
  std::vector<std::size_t> order(network.nodes.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return network.nodes[a].strength > network.nodes[b].strength;
  });
  return order;
}

NetworkPicture PictureOf(const HerbNetwork& network) {
  NetworkPicture picture;
  picture.title = "药物网络";
  // Herbs without an edge are not scattered around the graph: the legend lists them.
  std::vector<std::size_t> drawn(network.nodes.size());
  std::string unlinked;
  for (std::size_t v = 0; v < network.nodes.size(); ++v) {
    const NetworkNode& node = network.nodes[v];
    if (node.degree == 0 && !network.edges.empty()) {
      unlinked += (unlinked.empty() ? "" : "、") + node.name;
      continue;
    }
    drawn[v] = picture.nodes.size();
    picture.nodes.push_back(
        {node.name, static_cast<double>(node.frequency), node.community, node.x, node.y});
  }
  for (const NetworkEdge& e : network.edges)
    picture.edges.push_back({drawn[e.source], drawn[e.target], static_cast<double>(e.weight)});
  for (int c = 1; c <= network.communities; ++c) {
    // A community is named after its most frequent herbs.
    std::string caption = "社区 " + std::to_string(c) + "：";
    int shown = 0;
    for (const NetworkNode& node : network.nodes)
      if (node.community == c && shown < 3) caption += (shown++ ? "、" : "") + node.name;
    picture.legend.push_back(caption);
  }
  if (!unlinked.empty()) picture.legend.push_back("未连边（未画出）：" + unlinked);
  return picture;
}

std::string HerbNetworkGexf(const HerbNetwork& network) {
  const Placement place(network);
  std::string x =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      // 1.2 is the version Gephi, networkx and the web viewers all read.
      "<gexf xmlns=\"http://www.gexf.net/1.2draft\" "
      "xmlns:viz=\"http://www.gexf.net/1.2draft/viz\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:schemaLocation=\"http://www.gexf.net/1.2draft "
      "http://www.gexf.net/1.2draft/gexf.xsd\" version=\"1.2\">\n"
      "  <meta>\n    <creator>Lindora</creator>\n    <description>药物网络</description>\n"
      "  </meta>\n"
      "  <graph mode=\"static\" defaultedgetype=\"undirected\">\n"
      "    <attributes class=\"node\">\n"
      "      <attribute id=\"frequency\" title=\"Frequency\" type=\"integer\"/>\n"
      "      <attribute id=\"community\" title=\"Community\" type=\"integer\"/>\n"
      "      <attribute id=\"degree\" title=\"Degree\" type=\"integer\"/>\n"
      "      <attribute id=\"weight\" title=\"WeightedDegree\" type=\"double\"/>\n"
      "      <attribute id=\"betweenness\" title=\"Betweenness\" type=\"double\"/>\n"
      "      <attribute id=\"closeness\" title=\"Closeness\" type=\"double\"/>\n"
      "    </attributes>\n    <nodes>\n";
  for (const NetworkNode& n : network.nodes) {
    const Rgb c = CommunityColor(n.community);
    x += "      <node id=\"" + XmlEscape(n.name) + "\" label=\"" + XmlEscape(n.name) + "\">\n";
    x += "        <attvalues>\n";
    auto att = [&](const char* id, const std::string& v) {
      x += std::string("          <attvalue for=\"") + id + "\" value=\"" + v + "\"/>\n";
    };
    att("frequency", std::to_string(n.frequency));
    att("community", std::to_string(n.community));
    att("degree", std::to_string(n.degree));
    att("weight", Number(n.strength));
    att("betweenness", Number(n.betweenness));
    att("closeness", Number(n.closeness));
    x += "        </attvalues>\n";
    x += "        <viz:color r=\"" + std::to_string(c.r) + "\" g=\"" + std::to_string(c.g) +
         "\" b=\"" + std::to_string(c.b) + "\"/>\n";
    x += "        <viz:position x=\"" + Number(place.X(n)) + "\" y=\"" + Number(-place.Y(n)) +
         "\" z=\"0\"/>\n";
    x += "        <viz:size value=\"" + Number(NodeSize(network, n)) + "\"/>\n";
    x += "      </node>\n";
  }
  x += "    </nodes>\n    <edges>\n";
  for (std::size_t i = 0; i < network.edges.size(); ++i) {
    const NetworkEdge& e = network.edges[i];
    x += "      <edge id=\"" + std::to_string(i) + "\" source=\"" +
         XmlEscape(network.nodes[e.source].name) + "\" target=\"" +
         XmlEscape(network.nodes[e.target].name) + "\" weight=\"" + std::to_string(e.weight) +
         "\"/>\n";
  }
  x += "    </edges>\n  </graph>\n</gexf>\n";
  return x;
}

std::string HerbNetworkGraphml(const HerbNetwork& network) {
  const Placement place(network);
  std::string x =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:schemaLocation=\"http://graphml.graphdrawing.org/xmlns "
      "http://graphml.graphdrawing.org/xmlns/1.0/graphml.xsd\">\n";
  struct Key {
    const char* id;
    const char* owner;
    const char* type;
  };
  constexpr Key kKeys[] = {{"label", "node", "string"},
                           {"frequency", "node", "int"},
                           {"community", "node", "int"},
                           {"degree", "node", "int"},
                           {"weighted_degree", "node", "double"},
                           {"betweenness", "node", "double"},
                           {"closeness", "node", "double"},
                           {"x", "node", "double"},
                           {"y", "node", "double"},
                           {"size", "node", "double"},
                           {"color", "node", "string"},
                           {"weight", "edge", "double"}};
  for (const Key& k : kKeys)
    x += std::string("  <key id=\"") + k.id + "\" for=\"" + k.owner + "\" attr.name=\"" + k.id +
         "\" attr.type=\"" + k.type + "\"/>\n";
  x += "  <graph id=\"药物网络\" edgedefault=\"undirected\">\n";
  for (const NetworkNode& n : network.nodes) {
    x += "    <node id=\"" + XmlEscape(n.name) + "\">\n";
    auto data = [&](const char* key, const std::string& v) {
      x += std::string("      <data key=\"") + key + "\">" + v + "</data>\n";
    };
    data("label", XmlEscape(n.name));
    data("frequency", std::to_string(n.frequency));
    data("community", std::to_string(n.community));
    data("degree", std::to_string(n.degree));
    data("weighted_degree", Number(n.strength));
    data("betweenness", Number(n.betweenness));
    data("closeness", Number(n.closeness));
    data("x", Number(place.X(n)));
    data("y", Number(place.Y(n)));
    data("size", Number(NodeSize(network, n)));
    data("color", HexColor(CommunityColor(n.community)));
    x += "    </node>\n";
  }
  for (const NetworkEdge& e : network.edges)
    x += "    <edge source=\"" + XmlEscape(network.nodes[e.source].name) + "\" target=\"" +
         XmlEscape(network.nodes[e.target].name) + "\">\n      <data key=\"weight\">" +
         std::to_string(e.weight) + "</data>\n    </edge>\n";
  x += "  </graph>\n</graphml>\n";
  return x;
}

std::vector<CsvRow> NodeTable(const HerbNetwork& network) {
  std::vector<CsvRow> nodes{{"Id", "Label", "Frequency", "Community", "Degree", "WeightedDegree",
                             "Betweenness", "Closeness"}};
  for (std::size_t v : NodesByStrength(network)) {
    const NetworkNode& n = network.nodes[v];
    nodes.push_back({n.name, n.name, std::to_string(n.frequency), std::to_string(n.community),
                     std::to_string(n.degree), Number(n.strength), Number(n.betweenness),
                     Number(n.closeness)});
  }
  return nodes;
}

namespace {

// The run id as a comment after the XML declaration, so a reader can tell the files of one run.
std::string WithRunId(std::string xml, const std::string& run_id) {
  const std::size_t line = xml.find('\n');
  const std::size_t at = xml.starts_with("<?xml") && line != std::string::npos ? line + 1 : 0;
  xml.insert(at, "<!-- Lindora run " + run_id + " -->\n");
  return xml;
}

}  // namespace

void WriteHerbNetworkFiles(const HerbNetwork& network, const std::filesystem::path& folder,
                           PictureWriter* pictures) {
  // Everything is computed before the first file is touched.
  AtomicFileSet files;
  const std::string& run = files.run_id();
  std::vector<std::pair<const char*, std::string>> content;
  content.emplace_back(kNetworkGexf, WithRunId(HerbNetworkGexf(network), run));
  content.emplace_back(kNetworkGraphml, WithRunId(HerbNetworkGraphml(network), run));

  const CsvOptions plain{.byte_order_mark = false};
  std::vector<CsvRow> edges{{"Source", "Target", "Weight", "Type"}};
  for (const NetworkEdge& e : network.edges)
    edges.push_back({network.nodes[e.source].name, network.nodes[e.target].name,
                     std::to_string(e.weight), "Undirected"});
  content.emplace_back(kNetworkEdgeCsv, CsvText(edges, plain));
  content.emplace_back(kNetworkNodeCsv, CsvText(NodeTable(network), plain));
  if (pictures) {
    const NetworkPicture picture = PictureOf(network);
    std::string png = pictures->NetworkPng(picture, kNetworkPictureWidth, kNetworkPictureHeight);
    if (png.empty())
      throw FileError(FileError::Kind::kWrite, folder / kNetworkPng, "PNG 图片编码失败");
    content.emplace_back(kNetworkPng, std::move(png));
    content.emplace_back(
        kNetworkSvg,
        WithRunId(pictures->NetworkSvg(picture, kNetworkPictureWidth, kNetworkPictureHeight), run));
  }
  for (const auto& [name, bytes] : content) files.Add(folder / name).WriteBytes(bytes);
  files.Commit();
}

}  // namespace lindora
