// Descriptive statistics of dose samples and the rank test that compares two of them.
#pragma once

#include <cstddef>
#include <vector>

namespace lindora {

// The p-th quantile (0 ≤ p ≤ 1) of sorted values by linear interpolation between order
// statistics: h = (n−1)·p, x[⌊h⌋] + (h−⌊h⌋)·(x[⌊h⌋+1] − x[⌊h⌋]) (Hyndman and Fan's definition 7,
// R's default). Undefined for an empty sample (returns 0).
double QuantileType7(const std::vector<double>& sorted, double p);

struct DoseSummary {
  std::size_t n = 0;
  double min = 0, q1 = 0, median = 0, q3 = 0, max = 0;
  double mean = 0;
  double sd = 0;               // sample standard deviation (n − 1); 0 for a single value
  double mode = 0;             // the most frequent value; ties: the smallest of them
  std::size_t mode_count = 0;  // how often it occurs
};

// Summarises a non-empty sample (any order). Values that agree to 1e-9 count as one value for
// the mode.
DoseSummary Summarise(std::vector<double> values);

struct MannWhitney {
  double u = 0;        // U of the first sample: pairs (x, y) with x > y, ties counting ½
  double p = 1;        // two-sided
  bool exact = false;  // from the exact permutation distribution, else the normal approximation
};

// Samples up to this many values together are tested exactly.
inline constexpr std::size_t kExactMannWhitneyLimit = 50;

// Two-sided Mann–Whitney U test. Up to kExactMannWhitneyLimit values in all, the p-value is
// exact: the share of all splits of the pooled (mid-)ranks into groups of the two sizes whose
// rank sum lies at least as far from its mean as the observed one, ties included. Beyond it,
// the normal approximation with the tie-corrected variance and a continuity correction of ½.
// An empty sample gives p = 1.
MannWhitney MannWhitneyTest(const std::vector<double>& x, const std::vector<double>& y);

}  // namespace lindora
