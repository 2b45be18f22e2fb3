// The herb co-occurrence network of a result set: the most frequent herbs as nodes, pairs that
// occur together often enough as weighted edges, communities, centralities and a layout
// computed with igraph, and the files network tools read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/transactions.h"
#include "common/csv.h"
#include "common/pictures.h"

namespace lindora {

// The seed of the community partition and the layout: the same data give the same picture.
inline constexpr unsigned long kNetworkSeed = 20240607;

struct NetworkThresholds {
  // Nodes: the `top` most frequent herbs (ties at the cut included), or, when min_frequency is
  // above 0, every herb in at least that many transactions.
  int top = 30;
  std::int64_t min_frequency = 0;
  // Edges: pairs of nodes together in at least this many transactions.
  std::int64_t min_edge = 2;
};

// The largest network drawn: beyond it the pairs, the layout and the drawing take minutes and
// gigabytes, and the picture is unreadable anyway.
inline constexpr std::size_t kMaxNetworkNodes = 500;
// The largest frequency or edge threshold read (nine digits).
inline constexpr std::int64_t kMaxNetworkThreshold = 999'999'999;

// How many nodes the thresholds select (ties included), counted without building anything.
std::size_t NetworkNodeCount(const Transactions& transactions, const NetworkThresholds& thresholds);
// The message when the thresholds select more than kMaxNetworkNodes nodes, else "".
std::string NetworkSizeProblem(const Transactions& transactions,
                               const NetworkThresholds& thresholds);

struct NetworkNode {
  std::string name;
  std::int64_t frequency = 0;
  int community = 0;  // 1-based, numbered in node order
  int degree = 0;
  double strength = 0;  // weighted degree
  double betweenness = 0;
  double closeness = 0;
  double x = 0, y = 0;
};

struct NetworkEdge {
  std::size_t source = 0, target = 0;  // node indices, source < target
  std::int64_t weight = 0;
};

struct HerbNetwork {
  std::vector<NetworkNode> nodes;  // by descending frequency, ties by name
  std::vector<NetworkEdge> edges;  // by descending weight, then node order
  int communities = 0;
};

// Nodes and edges only.
HerbNetwork BuildHerbNetwork(const Transactions& transactions, const NetworkThresholds& thresholds);
// Communities (multilevel modularity on the weights), centralities (betweenness and closeness
// on distances 1/weight) and a force-directed layout; the same input gives the same result.
void AnalyseHerbNetwork(HerbNetwork& network);

// Node indices by descending weighted degree, ties by node order: the order of the node table.
std::vector<std::size_t> NodesByStrength(const HerbNetwork& network);

// The drawing of the network: node size by frequency, edge width by weight, community colours.
NetworkPicture PictureOf(const HerbNetwork& network);

// File names in the result folder.
inline constexpr const char* kNetworkGexf = "药物网络.gexf";
inline constexpr const char* kNetworkGraphml = "药物网络.graphml";
inline constexpr const char* kNetworkEdgeCsv = "药物网络_边.csv";
inline constexpr const char* kNetworkNodeCsv = "药物网络_节点.csv";
inline constexpr const char* kNetworkPng = "药物网络.png";
inline constexpr const char* kNetworkSvg = "药物网络.svg";
inline constexpr int kNetworkPictureWidth = 1600;
inline constexpr int kNetworkPictureHeight = 1200;

// The GEXF, GraphML and the two CSV files in `folder`, and with `pictures` the PNG and SVG
// drawings, published as one unit: all new or all old. The XML files name the run.
void WriteHerbNetworkFiles(const HerbNetwork& network, const std::filesystem::path& folder,
                           PictureWriter* pictures);

// The node file's rows, header first, by descending weighted degree.
std::vector<CsvRow> NodeTable(const HerbNetwork& network);

// The texts of the files, for writing and reading back.
std::string HerbNetworkGexf(const HerbNetwork& network);
std::string HerbNetworkGraphml(const HerbNetwork& network);

}  // namespace lindora
