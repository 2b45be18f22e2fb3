#include "stats/dose_statistics.h"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <numeric>

namespace lindora {

double QuantileType7(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  const double h = static_cast<double>(sorted.size() - 1) * std::clamp(p, 0.0, 1.0);
  const auto lo = static_cast<std::size_t>(std::floor(h));
  if (lo + 1 >= sorted.size()) return sorted.back();
  return sorted[lo] + (h - static_cast<double>(lo)) * (sorted[lo + 1] - sorted[lo]);
}

DoseSummary Summarise(std::vector<double> values) {
  DoseSummary s;
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  s.n = values.size();
  s.min = values.front();
  s.max = values.back();
  s.q1 = QuantileType7(values, 0.25);
  s.median = QuantileType7(values, 0.5);
  s.q3 = QuantileType7(values, 0.75);
  s.mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(s.n);
  if (s.n > 1) {
    double squares = 0;
    for (double v : values) squares += (v - s.mean) * (v - s.mean);
    s.sd = std::sqrt(squares / static_cast<double>(s.n - 1));
  }
  // Runs of equal values in the sorted sample; the first longest run is the smallest mode.
  for (std::size_t i = 0; i < values.size();) {
    std::size_t j = i + 1;
    while (j < values.size() && values[j] - values[i] <= 1e-9) ++j;
    if (j - i > s.mode_count) {
      s.mode_count = j - i;
      s.mode = values[i];
    }
    i = j;
  }
  return s;
}

namespace {

// Mid-ranks of the pooled sample, doubled so that they are whole numbers, and the tie groups.
struct PooledRanks {
  std::vector<long> doubled;  // by position in the pooled sample (x first, then y)
  double tie_term = 0;        // Σ (t³ − t) over tie groups
};

PooledRanks Rank(const std::vector<double>& pooled) {
  const std::size_t n = pooled.size();
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return pooled[a] < pooled[b]; });
  PooledRanks r;
  r.doubled.resize(n);
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i + 1;
    while (j < n && pooled[order[j]] == pooled[order[i]]) ++j;
    // Ranks i+1 … j share their mean (i+1+j)/2; doubled: i+1+j.
    for (std::size_t k = i; k < j; ++k) r.doubled[order[k]] = static_cast<long>(i + 1 + j);
    const double t = static_cast<double>(j - i);
    r.tie_term += t * t * t - t;
    i = j;
  }
  return r;
}

// Exact two-sided p: the number of size-m subsets of the doubled ranks whose sum is at least
// as far from the mean as `observed`, over the number of all size-m subsets.
double ExactP(const std::vector<long>& doubled, std::size_t m, long observed) {
  const long total = std::accumulate(doubled.begin(), doubled.end(), 0L);
  // ways[k][s]: subsets of size k with doubled rank sum s (counts up to C(50,25) < 2^53).
  std::vector<std::vector<double>> ways(m + 1, std::vector<double>(total + 1, 0.0));
  ways[0][0] = 1;
  long reach = 0;
  for (std::size_t i = 0; i < doubled.size(); ++i) {
    const long r = doubled[i];
    reach += r;
    for (std::size_t k = std::min(m, i + 1); k >= 1; --k)
      for (long s = reach; s >= r; --s) ways[k][s] += ways[k - 1][s - r];
  }
  // The mean doubled rank sum is 2·m·(N+1)/2 = m·(N+1), a whole number.
  const long mean = static_cast<long>(m * (doubled.size() + 1));
  const long distance = std::labs(observed - mean);
  double extreme = 0, all = 0;
  for (long s = 0; s <= total; ++s) {
    const double w = ways[m][s];
    if (w == 0) continue;
    all += w;
    if (std::labs(s - mean) >= distance) extreme += w;
  }
  return all > 0 ? std::min(1.0, extreme / all) : 1.0;
}

}  // namespace

MannWhitney MannWhitneyTest(const std::vector<double>& x, const std::vector<double>& y) {
  MannWhitney result;
  const std::size_t m = x.size(), n = y.size();
  if (m == 0 || n == 0) return result;
  std::vector<double> pooled(x);
  pooled.insert(pooled.end(), y.begin(), y.end());
  const PooledRanks ranks = Rank(pooled);
  const long doubled_sum =
      std::accumulate(ranks.doubled.begin(), ranks.doubled.begin() + static_cast<long>(m), 0L);
  const double md = static_cast<double>(m), nd = static_cast<double>(n), big_n = md + nd;
  result.u = static_cast<double>(doubled_sum) / 2 - md * (md + 1) / 2;
  if (m + n <= kExactMannWhitneyLimit) {
    result.exact = true;
    result.p = ExactP(ranks.doubled, m, doubled_sum);
    return result;
  }
  const double mean = md * nd / 2;
  const double variance = md * nd / 12 * ((big_n + 1) - ranks.tie_term / (big_n * (big_n - 1)));
  if (variance <= 0) return result;  // every value equal: no evidence of a difference
  const double z = std::max(0.0, std::fabs(result.u - mean) - 0.5) / std::sqrt(variance);
  result.p = std::min(1.0, 2 * boost::math::cdf(boost::math::complement(
                                   boost::math::normal_distribution<double>(), z)));
  return result;
}

}  // namespace lindora
