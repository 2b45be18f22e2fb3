// The descending sort of every frequency table of the analyses. Users compare our tables with
// published ones, so ties must come out exactly as the classic exchange procedure leaves them:
//   for i in 0..n-2: for j in i+1..n-1: if c[j] > c[i]: swap(i, j)
// That procedure is quadratic; SortByCountOrder yields the identical permutation in
// O(n log n).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace lindora {

// order[r] is the index of the item that the exchange procedure leaves at position r.
std::vector<std::size_t> SortByCountOrder(std::span<const std::int64_t> counts);

// Sorts the first n entries of two parallel arrays by count, descending, in the exchange
// procedure's order.
template <class T>
void SortByCount(std::vector<std::int64_t>& counts, std::vector<T>& items, std::size_t n) {
  std::vector<std::size_t> order = SortByCountOrder(std::span(counts.data(), n));
  std::vector<std::int64_t> sorted_counts(n);
  std::vector<T> sorted_items;
  sorted_items.reserve(n);
  for (std::size_t r = 0; r < n; ++r) {
    sorted_counts[r] = counts[order[r]];
    sorted_items.push_back(std::move(items[order[r]]));
  }
  std::move(sorted_counts.begin(), sorted_counts.end(), counts.begin());
  std::move(sorted_items.begin(), sorted_items.end(), items.begin());
}

}  // namespace lindora
