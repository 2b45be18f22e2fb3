#include "stats/set_comparison.h"

#include <algorithm>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <string_view>
#include <unordered_map>

namespace lindora {

namespace {

// Tables within this relative distance of the observed probability count as equally probable,
// so rounding in the logarithms cannot decide whether a tied table is summed.
const double kLogTieTolerance = std::log1p(1e-7);
// A tail is summed until what is left cannot change the sum in double precision.
constexpr double kNegligible = 1e-17;

}  // namespace

FisherExact::FisherExact(std::int64_t max_total)
    : log_factorial_(static_cast<std::size_t>(std::max<std::int64_t>(max_total, 0)) + 1) {
  for (std::size_t i = 0; i < log_factorial_.size(); ++i)
    log_factorial_[i] = boost::math::lgamma(static_cast<double>(i) + 1.0);
}

double FisherExact::LogProbability(std::int64_t x, std::int64_t n_a, std::int64_t n_b,
                                   std::int64_t k) const {
  return LogChoose(n_a, x) + LogChoose(n_b, k - x) - LogChoose(n_a + n_b, k);
}

double FisherExact::LogTwoSided(std::int64_t a, std::int64_t n_a, std::int64_t b,
                                std::int64_t n_b) const {
  const std::int64_t k = a + b, total = n_a + n_b;
  const std::int64_t lo = std::max<std::int64_t>(0, k - n_b), hi = std::min(k, n_a);
  if (lo == hi) return 0;
  auto lp = [&](std::int64_t x) { return LogProbability(x, n_a, n_b, k); };
  const double observed = lp(a);
  const double threshold = observed + kLogTieTolerance;
  const std::int64_t mode = std::clamp((k + 1) * (n_a + 1) / (total + 2), lo, hi);
  // The distribution is log-concave: it rises up to the mode and falls after it, so the tables
  // not more probable than the observed one form a left tail [lo, left] and a right tail
  // [right, hi], found by bisection.
  if (lp(mode) <= threshold) return 0;
  std::int64_t left = lo - 1;  // largest x < mode with lp(x) <= threshold
  for (std::int64_t l = lo, h = mode - 1; l <= h;) {
    std::int64_t mid = l + (h - l) / 2;
    if (lp(mid) <= threshold) {
      left = mid;
      l = mid + 1;
    } else {
      h = mid - 1;
    }
  }
  std::int64_t right = hi + 1;  // smallest x > mode with lp(x) <= threshold
  for (std::int64_t l = mode + 1, h = hi; l <= h;) {
    std::int64_t mid = l + (h - l) / 2;
    if (lp(mid) <= threshold) {
      right = mid;
      h = mid - 1;
    } else {
      l = mid + 1;
    }
  }

  // Terms relative to the observed probability: at most 1 + 1e-7 each, so nothing overflows,
  // and a term that underflows is negligible against the observed one.
  double sum = 0;
  if (left >= lo) {
    double term = std::exp(lp(left) - observed);
    for (std::int64_t x = left;; --x) {
      sum += term;
      if (x == lo) break;
      // P(x−1) / P(x)
      double ratio = static_cast<double>(x) * static_cast<double>(n_b - k + x) /
                     (static_cast<double>(n_a - x + 1) * static_cast<double>(k - x + 1));
      term *= ratio;
      // The ratios keep falling away from the mode, so the rest is below a geometric series.
      if (term == 0 || (ratio < 1 && term / (1 - ratio) < kNegligible * sum)) break;
    }
  }
  if (right <= hi) {
    double term = std::exp(lp(right) - observed);
    for (std::int64_t x = right;; ++x) {
      sum += term;
      if (x == hi) break;
      // P(x+1) / P(x)
      double ratio = static_cast<double>(n_a - x) * static_cast<double>(k - x) /
                     (static_cast<double>(x + 1) * static_cast<double>(n_b - k + x + 1));
      term *= ratio;
      if (term == 0 || (ratio < 1 && term / (1 - ratio) < kNegligible * sum)) break;
    }
  }
  return std::min(0.0, observed + std::log(sum));
}

double OddsRatio(std::int64_t a, std::int64_t n_a, std::int64_t b, std::int64_t n_b) {
  double cells[4] = {static_cast<double>(a), static_cast<double>(n_a - a), static_cast<double>(b),
                     static_cast<double>(n_b - b)};
  if (std::find(std::begin(cells), std::end(cells), 0.0) != std::end(cells))
    for (double& c : cells) c += 0.5;
  return cells[0] * cells[3] / (cells[2] * cells[1]);
}

std::vector<double> LogBenjaminiHochberg(const std::vector<double>& log_p) {
  const std::size_t m = log_p.size();
  std::vector<std::size_t> order(m);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t x, std::size_t y) { return log_p[x] < log_p[y]; });
  std::vector<double> log_q(m);
  const double log_m = std::log(static_cast<double>(m));
  double running = 0;  // log 1: q never exceeds 1
  for (std::size_t rank = m; rank >= 1; --rank) {
    std::size_t i = order[rank - 1];
    running = std::min(running, log_p[i] + log_m - std::log(static_cast<double>(rank)));
    log_q[i] = running;
  }
  return log_q;
}

std::string ScientificFromLog(double log_value) {
  char buf[64];
  if (log_value == -std::numeric_limits<double>::infinity()) return "0.000e+00";
  // Within the range of doubles the C library rounds; below it the digits come from log10.
  if (log_value > -690) {
    std::snprintf(buf, sizeof buf, "%.3e", std::exp(log_value));
    return buf;
  }
  const double log10_value = log_value / std::log(10.0);
  double exponent = std::floor(log10_value);
  double mantissa = std::round(std::pow(10.0, log10_value - exponent) * 1000) / 1000;
  if (mantissa >= 10) {
    mantissa /= 10;
    exponent += 1;
  }
  std::snprintf(buf, sizeof buf, "%.3fe-%02lld", mantissa, static_cast<long long>(-exponent));
  return buf;
}

SetComparison CompareTransactions(const Transactions& set_a, const Transactions& set_b,
                                  std::int64_t min_count) {
  SetComparison result;
  result.n_a = static_cast<std::int64_t>(set_a.N());
  result.n_b = static_cast<std::int64_t>(set_b.N());
  result.min_count = min_count;

  std::unordered_map<std::string_view, ItemId> in_b;
  in_b.reserve(set_b.names.size());
  for (ItemId i = 0; i < set_b.names.size(); ++i) in_b.emplace(set_b.names[i], i);
  std::vector<bool> b_seen(set_b.names.size(), false);
  auto add = [&](const std::string& name, std::int64_t a, std::int64_t b) {
    if (a + b < min_count) return;
    ItemComparison item;
    item.name = name;
    item.a = a;
    item.b = b;
    result.items.push_back(std::move(item));
  };
  for (ItemId i = 0; i < set_a.names.size(); ++i) {
    std::int64_t b = 0;
    if (auto it = in_b.find(set_a.names[i]); it != in_b.end()) {
      b = set_b.frequency[it->second];
      b_seen[it->second] = true;
    }
    add(set_a.names[i], set_a.frequency[i], b);
  }
  for (ItemId i = 0; i < set_b.names.size(); ++i)
    if (!b_seen[i]) add(set_b.names[i], 0, set_b.frequency[i]);

  const FisherExact fisher(result.n_a + result.n_b);
  std::vector<double> log_p;
  log_p.reserve(result.items.size());
  for (ItemComparison& item : result.items) {
    item.rate_a = result.n_a ? 100.0 * static_cast<double>(item.a) / result.n_a : 0;
    item.rate_b = result.n_b ? 100.0 * static_cast<double>(item.b) / result.n_b : 0;
    item.odds_ratio = OddsRatio(item.a, result.n_a, item.b, result.n_b);
    item.log_p = fisher.LogTwoSided(item.a, result.n_a, item.b, result.n_b);
    log_p.push_back(item.log_p);
  }
  std::vector<double> log_q = LogBenjaminiHochberg(log_p);
  for (std::size_t i = 0; i < log_q.size(); ++i) result.items[i].log_q = log_q[i];
  std::sort(result.items.begin(), result.items.end(),
            [](const ItemComparison& x, const ItemComparison& y) {
              if (x.log_q != y.log_q) return x.log_q < y.log_q;
              if (x.log_p != y.log_p) return x.log_p < y.log_p;
              return x.name < y.name;
            });
  return result;
}

const std::vector<std::string>& ComparisonHeader() {
  static const std::vector<std::string> header = {"名称",     "A方剂数", "A占比(%)", "B方剂数",
                                                  "B占比(%)", "比值比",  "P值",      "Q值"};
  return header;
}

std::string ReadablePFromLog(double log_value) {
  // Compared on the log so that values far below the range of doubles need no exp().
  if (log_value < std::log(0.0001) - 1e-12) return "< 0.0001";
  return FixedDecimals(std::exp(log_value), 4);
}

std::string SignificantDigits4(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%#.4g", value);
  return buf;
}

CsvRow ComparisonCells(const ItemComparison& item, bool scientific_p) {
  auto p = [&](double log_value) {
    return scientific_p ? ScientificFromLog(log_value) : ReadablePFromLog(log_value);
  };
  return {item.name,
          std::to_string(item.a),
          FixedDecimals(item.rate_a, 2),
          std::to_string(item.b),
          FixedDecimals(item.rate_b, 2),
          SignificantDigits4(item.odds_ratio),
          p(item.log_p),
          p(item.log_q)};
}

}  // namespace lindora
