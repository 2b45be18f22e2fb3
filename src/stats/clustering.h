// Agglomerative hierarchical clustering on a distance matrix, exact and deterministic: each
// step merges the closest pair of clusters, a tie going to the pair whose first members come
// first in the input order. The tree, its cuts, its cophenetic correlation and its Newick text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace lindora {

enum class Linkage { kAverage, kComplete, kSingle, kWard };

// A symmetric n × n matrix of distances, row by row; the diagonal is ignored.
struct DistanceMatrix {
  std::size_t n = 0;
  std::vector<double> d;
  double At(std::size_t i, std::size_t j) const { return d[i * n + j]; }
};

// One merge. Nodes 0…n−1 are the leaves; the merge of step s creates node n+s.
struct ClusterMerge {
  std::size_t left = 0, right = 0;  // left holds the smaller first leaf
  double height = 0;
  std::size_t size = 0;  // leaves under the new node
};

struct Dendrogram {
  std::size_t leaves = 0;
  std::vector<ClusterMerge> merges;  // leaves − 1 of them, in merge order
};

// Merges until one cluster is left. Average (UPGMA), complete and single linkage work on any
// distance; Ward expects squared Euclidean distances and its heights are in the same unit (twice
// the rise of the within-cluster sum of squares). Equal distances (within 1e−12 relative) count
// as ties.
Dendrogram Agglomerate(const DistanceMatrix& distances, Linkage linkage);

// The leaves in the order the tree draws them: at each node the child with the smaller first
// leaf first.
std::vector<std::size_t> LeafOrder(const Dendrogram& tree);

// Cluster of each leaf (1-based, numbered by the tree order of their first leaf) after the first
// leaves − k merges, or after every merge no higher than `height`.
std::vector<int> CutIntoClusters(const Dendrogram& tree, std::size_t k);
std::vector<int> CutAtHeight(const Dendrogram& tree, double height);

// The merge height at which leaves i and j first share a cluster, as an n × n matrix.
DistanceMatrix CopheneticMatrix(const Dendrogram& tree);
// Pearson correlation of the distances and the cophenetic heights over all pairs; none when
// either has no spread.
std::optional<double> CopheneticCorrelation(const DistanceMatrix& distances,
                                            const Dendrogram& tree);

// The tree as Newick text with branch lengths (parent height minus child height); labels that
// hold a Newick delimiter or a blank are quoted.
std::string NewickText(const Dendrogram& tree, const std::vector<std::string>& labels);

// A tree read back from Newick text: each node's label and height (distance from the deepest
// leaf level, i.e. the root's height minus the path length to the root). Children in text order.
struct NewickNode {
  std::string label;
  double height = 0;
  std::vector<std::size_t> children;  // indices into the node list
};
// Node 0 is the root. Returns none for text that is not a well-formed rooted tree.
std::optional<std::vector<NewickNode>> ParseNewick(const std::string& text);

}  // namespace lindora
