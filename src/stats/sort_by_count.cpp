// Why this gives the exchange procedure's order. Fix one count value v and call the items
// with a larger count H, with count v V, the rest L. In pass i the swaps follow the chain of
// strict running maxima from position i: every item on the chain moves to the next chain
// position and the last one (the first maximum of the suffix) moves to i. Looking only at
// H/V/L this means:
//  - the H positions are consumed in ascending order of their original positions, one per
//    pass, while H items remain (passes 0..G-1, G = number of H items);
//  - in such a pass, if the leftmost V lies before the consumed H position h, that V item
//    moves to h (it is the chain record between the L records and the H records); no other
//    V item moves;
//  - once no H item is left, V items are taken in their current left-to-right order.
// So the order of the V items is decided by a queue: walk the H positions h > a0 (a0 = first
// V position) in ascending order; at each one the leftmost V item (an untouched original or
// the oldest re-placed one) is re-placed at h. Re-placed items form a FIFO whose positions
// are the most recent H positions, so which item is taken depends only on positions, and the
// steps where an original item is taken can be found by rank queries. Between two of them
// the FIFO only rotates. A Fenwick tree answers the ranks (classes are handled from the
// largest count down) and an implicit treap does the rotations.
#include "stats/sort_by_count.h"

#include <algorithm>
#include <numeric>

namespace lindora {
namespace {

// Counts of already placed (larger-count) items by original position.
class Fenwick {
 public:
  explicit Fenwick(std::size_t n) : tree_(n + 1, 0) {}
  void Add(std::size_t pos) {
    for (std::size_t i = pos + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
  }
  // Number of marked positions below pos.
  std::int64_t Below(std::size_t pos) const {
    std::int64_t s = 0;
    for (std::size_t i = pos; i > 0; i -= i & (~i + 1)) s += tree_[i];
    return s;
  }

 private:
  std::vector<std::int64_t> tree_;
};

// A sequence with append and rotate, both O(log n) expected.
class RotatingQueue {
 public:
  void Reset() {
    nodes_.clear();
    root_ = kNil;
  }
  std::size_t Size() const { return SizeOf(root_); }
  void Append(std::size_t value) {
    nodes_.push_back(Node{kNil, kNil, NextPriority(), 1, value});
    root_ = Merge(root_, static_cast<int>(nodes_.size() - 1));
  }
  // Moves the first `count` entries to the end.
  void RotateLeft(std::size_t count) {
    if (count == 0 || count >= Size()) return;
    auto [front, back] = Split(root_, count);
    root_ = Merge(back, front);
  }
  void AppendTo(std::vector<std::size_t>& out) const {
    // In-order walk with an explicit stack.
    std::vector<int> stack;
    int cur = root_;
    while (cur != kNil || !stack.empty()) {
      while (cur != kNil) {
        stack.push_back(cur);
        cur = nodes_[cur].left;
      }
      cur = stack.back();
      stack.pop_back();
      out.push_back(nodes_[cur].value);
      cur = nodes_[cur].right;
    }
  }

 private:
  static constexpr int kNil = -1;
  struct Node {
    int left, right;
    std::uint32_t priority;
    std::size_t size;
    std::size_t value;
  };
  std::size_t SizeOf(int t) const { return t == kNil ? 0 : nodes_[t].size; }
  void Update(int t) { nodes_[t].size = 1 + SizeOf(nodes_[t].left) + SizeOf(nodes_[t].right); }
  std::uint32_t NextPriority() {
    // xorshift: deterministic, and good enough to keep the tree shallow.
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    return seed_;
  }
  int Merge(int a, int b) {
    if (a == kNil) return b;
    if (b == kNil) return a;
    if (nodes_[a].priority > nodes_[b].priority) {
      nodes_[a].right = Merge(nodes_[a].right, b);
      Update(a);
      return a;
    }
    nodes_[b].left = Merge(a, nodes_[b].left);
    Update(b);
    return b;
  }
  // First `count` entries and the rest.
  std::pair<int, int> Split(int t, std::size_t count) {
    if (t == kNil) return {kNil, kNil};
    std::size_t left_size = SizeOf(nodes_[t].left);
    if (count <= left_size) {
      auto [a, b] = Split(nodes_[t].left, count);
      nodes_[t].left = b;
      Update(t);
      return {a, t};
    }
    auto [a, b] = Split(nodes_[t].right, count - left_size - 1);
    nodes_[t].right = a;
    Update(t);
    return {t, b};
  }

  std::vector<Node> nodes_;
  int root_ = kNil;
  std::uint32_t seed_ = 2463534242u;
};

}  // namespace

std::vector<std::size_t> SortByCountOrder(std::span<const std::int64_t> counts) {
  const std::size_t n = counts.size();
  std::vector<std::size_t> by_count(n);
  std::iota(by_count.begin(), by_count.end(), std::size_t{0});
  std::stable_sort(by_count.begin(), by_count.end(),
                   [&](std::size_t a, std::size_t b) { return counts[a] > counts[b]; });

  std::vector<std::size_t> order;
  order.reserve(n);
  Fenwick larger(n);
  RotatingQueue queue;
  std::vector<std::int64_t> rank;  // per item of the class: larger items before it
  std::size_t begin = 0;
  while (begin < n) {
    std::size_t end = begin;
    while (end < n && counts[by_count[end]] == counts[by_count[begin]]) ++end;
    // The class: original positions a[0] < a[1] < … (stable sort kept them ascending).
    const std::size_t* a = by_count.data() + begin;
    const std::size_t k = end - begin;
    const std::int64_t g = static_cast<std::int64_t>(begin);    // items with a larger count
    const std::int64_t m = k > 1 ? g - larger.Below(a[0]) : 0;  // H positions after a[0]
    if (m == 0) {
      order.insert(order.end(), a, a + k);
    } else {
      rank.resize(k);
      for (std::size_t y = 0; y < k; ++y) rank[y] = larger.Below(a[y]);
      queue.Reset();
      std::int64_t t = 1;  // next step; step s is the H position of global rank g - m + s
      std::size_t x = 0;   // originals taken so far (= queue length)
      while (x < k) {
        // First step whose H position lies after a[x], shifted by the queue length: the
        // queue's front then sits beyond a[x] and the original is the leftmost V.
        const std::int64_t first_after = rank[x] - (g - m) + 1;
        const std::int64_t take = std::max(t, first_after + static_cast<std::int64_t>(x));
        if (take > m) break;
        if (x > 0) queue.RotateLeft(static_cast<std::size_t>(take - t) % x);
        queue.Append(a[x]);
        ++x;
        t = take + 1;
      }
      queue.RotateLeft(static_cast<std::size_t>(m - t + 1) % x);
      // The queue sits on the x largest H positions; merge it with the untouched originals.
      std::vector<std::size_t> queued;
      queued.reserve(x);
      queue.AppendTo(queued);
      std::size_t q = 0;
      for (std::size_t y = x; y < k; ++y) {
        const std::int64_t before = std::clamp<std::int64_t>(
            rank[y] - (g - static_cast<std::int64_t>(x)), 0, static_cast<std::int64_t>(x));
        while (static_cast<std::int64_t>(q) < before) order.push_back(queued[q++]);
        order.push_back(a[y]);
      }
      while (q < x) order.push_back(queued[q++]);
    }
    for (std::size_t y = begin; y < end; ++y) larger.Add(by_count[y]);
    begin = end;
  }
  return order;
}

}  // namespace lindora
