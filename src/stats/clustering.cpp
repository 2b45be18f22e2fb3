#include "stats/clustering.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

namespace lindora {
namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// Strictly smaller, beyond rounding: updated distances of equal clusters may differ in the
// last bits according to the order they were formed in.
bool Below(double x, double y) {
  return x < y - 1e-12 * std::max(1.0, std::fabs(y));
}

std::string Number(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.10g", value);
  return buffer;
}

}  // namespace

Dendrogram Agglomerate(const DistanceMatrix& distances, Linkage linkage) {
  const std::size_t n = distances.n;
  Dendrogram tree;
  tree.leaves = n;
  if (n < 2) return tree;
  // A cluster lives in the slot of its first leaf, so the slot order is the tie order.
  std::vector<double> d = distances.d;
  std::vector<bool> active(n, true);
  std::vector<std::size_t> size(n, 1), node(n);
  for (std::size_t i = 0; i < n; ++i) node[i] = i;
  // Each active slot's nearest active slot above it (ties: the lowest), the usual speed-up.
  std::vector<std::size_t> nearest(n, kNone);
  std::vector<double> nearest_d(n, std::numeric_limits<double>::infinity());
  auto scan = [&](std::size_t i) {
    nearest[i] = kNone;
    nearest_d[i] = std::numeric_limits<double>::infinity();
    for (std::size_t j = i + 1; j < n; ++j)
      if (active[j] && (nearest[i] == kNone || Below(d[i * n + j], nearest_d[i]))) {
        nearest[i] = j;
        nearest_d[i] = d[i * n + j];
      }
  };
  for (std::size_t i = 0; i < n; ++i) scan(i);

  for (std::size_t step = 0; step + 1 < n; ++step) {
    std::size_t a = kNone;
    for (std::size_t i = 0; i < n; ++i)
      if (active[i] && nearest[i] != kNone && (a == kNone || Below(nearest_d[i], nearest_d[a])))
        a = i;
    const std::size_t b = nearest[a];
    const double h = d[a * n + b];
    const double na = static_cast<double>(size[a]), nb = static_cast<double>(size[b]);
    for (std::size_t k = 0; k < n; ++k) {
      if (!active[k] || k == a || k == b) continue;
      const double dak = d[a * n + k], dbk = d[b * n + k];
      double v = 0;
      switch (linkage) {
        case Linkage::kAverage: v = (na * dak + nb * dbk) / (na + nb); break;
        case Linkage::kComplete: v = std::max(dak, dbk); break;
        case Linkage::kSingle: v = std::min(dak, dbk); break;
        case Linkage::kWard: {
          const double nk = static_cast<double>(size[k]);
          v = ((na + nk) * dak + (nb + nk) * dbk - nk * h) / (na + nb + nk);
          break;
        }
      }
      d[a * n + k] = d[k * n + a] = v;
    }
    tree.merges.push_back({node[a], node[b], h, size[a] + size[b]});
    active[b] = false;
    size[a] += size[b];
    node[a] = n + step;
    for (std::size_t i = 0; i < n; ++i) {
      if (!active[i]) continue;
      if (i == a || nearest[i] == a || nearest[i] == b) {
        scan(i);
      } else if (i < a && (Below(d[i * n + a], nearest_d[i]) ||
                           (!Below(nearest_d[i], d[i * n + a]) && a < nearest[i]))) {
        nearest[i] = a;
        nearest_d[i] = d[i * n + a];
      }
    }
  }
  return tree;
}

std::vector<std::size_t> LeafOrder(const Dendrogram& tree) {
  std::vector<std::size_t> order;
  if (tree.leaves == 0) return order;
  std::vector<std::size_t> stack{tree.leaves + tree.merges.size() - 1};
  while (!stack.empty()) {
    const std::size_t v = stack.back();
    stack.pop_back();
    if (v < tree.leaves) {
      order.push_back(v);
    } else {
      const ClusterMerge& m = tree.merges[v - tree.leaves];
      stack.push_back(m.right);
      stack.push_back(m.left);
    }
  }
  return order;
}

namespace {

// Clusters after the first `merges` merges, numbered by the tree order.
std::vector<int> ClustersAfter(const Dendrogram& tree, std::size_t merges) {
  const std::size_t n = tree.leaves;
  std::vector<std::size_t> parent(n + tree.merges.size());
  for (std::size_t i = 0; i < parent.size(); ++i) parent[i] = i;
  std::function<std::size_t(std::size_t)> root = [&](std::size_t v) {
    while (parent[v] != v) v = parent[v] = parent[parent[v]];
    return v;
  };
  for (std::size_t s = 0; s < merges && s < tree.merges.size(); ++s) {
    parent[root(tree.merges[s].left)] = n + s;
    parent[root(tree.merges[s].right)] = n + s;
  }
  std::vector<int> cluster(n, 0);
  std::vector<int> number(parent.size(), 0);
  int next = 0;
  for (std::size_t leaf : LeafOrder(tree)) {
    const std::size_t r = root(leaf);
    if (number[r] == 0) number[r] = ++next;
    cluster[leaf] = number[r];
  }
  return cluster;
}

}  // namespace

std::vector<int> CutIntoClusters(const Dendrogram& tree, std::size_t k) {
  const std::size_t n = tree.leaves;
  k = std::clamp<std::size_t>(k, n == 0 ? 0 : 1, n);
  return ClustersAfter(tree, n - k);
}

std::vector<int> CutAtHeight(const Dendrogram& tree, double height) {
  std::size_t merges = 0;
  while (merges < tree.merges.size() && !Below(height, tree.merges[merges].height)) ++merges;
  return ClustersAfter(tree, merges);
}

DistanceMatrix CopheneticMatrix(const Dendrogram& tree) {
  const std::size_t n = tree.leaves;
  DistanceMatrix c{n, std::vector<double>(n * n, 0)};
  std::vector<std::vector<std::size_t>> members(n + tree.merges.size());
  for (std::size_t i = 0; i < n; ++i) members[i] = {i};
  for (std::size_t s = 0; s < tree.merges.size(); ++s) {
    const ClusterMerge& m = tree.merges[s];
    for (std::size_t i : members[m.left])
      for (std::size_t j : members[m.right]) c.d[i * n + j] = c.d[j * n + i] = m.height;
    std::vector<std::size_t>& joined = members[n + s];
    joined = std::move(members[m.left]);
    joined.insert(joined.end(), members[m.right].begin(), members[m.right].end());
    members[m.right].clear();
  }
  return c;
}

std::optional<double> CopheneticCorrelation(const DistanceMatrix& distances,
                                            const Dendrogram& tree) {
  const std::size_t n = distances.n;
  if (n < 3) return std::nullopt;
  const DistanceMatrix c = CopheneticMatrix(tree);
  double mx = 0, my = 0, pairs = 0;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) mx += distances.At(i, j), my += c.At(i, j), ++pairs;
  mx /= pairs, my /= pairs;
  double sxy = 0, sxx = 0, syy = 0;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) {
      const double x = distances.At(i, j) - mx, y = c.At(i, j) - my;
      sxy += x * y, sxx += x * x, syy += y * y;
    }
  if (sxx <= 0 || syy <= 0) return std::nullopt;
  return sxy / std::sqrt(sxx * syy);
}

namespace {

bool NeedsQuotes(const std::string& label) {
  return label.empty() || label.find_first_of("()[]':;, \t_") != std::string::npos;
}

std::string QuotedLabel(const std::string& label) {
  if (!NeedsQuotes(label)) return label;
  std::string q = "'";
  for (char ch : label) q += ch == '\'' ? std::string("''") : std::string(1, ch);
  return q + "'";
}

}  // namespace

std::string NewickText(const Dendrogram& tree, const std::vector<std::string>& labels) {
  const std::size_t n = tree.leaves;
  if (n == 0) return ";";
  auto height = [&](std::size_t v) { return v < n ? 0.0 : tree.merges[v - n].height; };
  std::function<std::string(std::size_t)> text = [&](std::size_t v) -> std::string {
    if (v < n) return QuotedLabel(labels[v]);
    const ClusterMerge& m = tree.merges[v - n];
    return "(" + text(m.left) + ":" + Number(m.height - height(m.left)) + "," + text(m.right) +
           ":" + Number(m.height - height(m.right)) + ")";
  };
  return text(n + tree.merges.size() - 1) + ";";
}

std::optional<std::vector<NewickNode>> ParseNewick(const std::string& text) {
  std::vector<NewickNode> nodes;
  std::vector<double> length;  // branch length above each node
  std::vector<std::size_t> parent;
  std::size_t p = 0;
  auto blank = [&] {
    while (p < text.size() &&
           (text[p] == ' ' || text[p] == '\t' || text[p] == '\r' || text[p] == '\n'))
      ++p;
  };
  auto label = [&](std::string& out) -> bool {
    blank();
    if (p < text.size() && text[p] == '\'') {
      ++p;
      for (;;) {
        if (p >= text.size()) return false;
        if (text[p] == '\'') {
          if (p + 1 < text.size() && text[p + 1] == '\'') {
            out += '\'';
            p += 2;
            continue;
          }
          ++p;
          return true;
        }
        out += text[p++];
      }
    }
    while (p < text.size() && std::string("()[]':;, \t\r\n").find(text[p]) == std::string::npos)
      out += text[p++];
    return true;
  };
  // Read with a stack of open brackets rather than by recursion: a deeply nested text (a
  // chain-shaped tree, or a damaged file) must not exhaust the call stack.
  const auto add = [&](std::size_t up) {
    const std::size_t me = nodes.size();
    nodes.push_back({});
    length.push_back(0);
    parent.push_back(up);
    if (up != kNone) nodes[up].children.push_back(me);
    return me;
  };
  std::vector<std::size_t> open;
  std::size_t current = add(kNone);
  bool closed = false;  // the current node's children are read; its label comes next
  for (;;) {
    blank();
    if (!closed && p < text.size() && text[p] == '(') {
      ++p;
      open.push_back(current);
      current = add(current);
      continue;
    }
    if (!label(nodes[current].label)) return std::nullopt;
    blank();
    if (p < text.size() && text[p] == ':') {
      ++p;
      const char* start = text.c_str() + p;
      char* end = nullptr;
      errno = 0;
      length[current] = std::strtod(start, &end);
      if (end == start || errno == ERANGE) return std::nullopt;
      p += static_cast<std::size_t>(end - start);
    }
    if (open.empty()) break;
    blank();
    if (p < text.size() && text[p] == ',') {
      ++p;
      current = add(open.back());
      closed = false;
    } else if (p < text.size() && text[p] == ')') {
      ++p;
      current = open.back();
      open.pop_back();
      closed = true;
    } else {
      return std::nullopt;
    }
  }
  blank();
  if (p >= text.size() || text[p] != ';') return std::nullopt;
  ++p;
  blank();
  if (p != text.size()) return std::nullopt;
  // Depth of every node below the root; parents come before their children.
  std::vector<double> depth(nodes.size(), 0);
  double deepest = 0;
  for (std::size_t v = 1; v < nodes.size(); ++v) {
    depth[v] = depth[parent[v]] + length[v];
    deepest = std::max(deepest, depth[v]);
  }
  for (std::size_t v = 0; v < nodes.size(); ++v) nodes[v].height = deepest - depth[v];
  return nodes;
}

}  // namespace lindora
