// Which items (herbs or symptoms) set two result sets apart: per item the formulas of each set
// that contain it, the odds ratio, Fisher's exact test and Benjamini–Hochberg q-values.
// Probabilities are kept as natural logarithms, so sets of any size neither overflow nor
// underflow; a p-value of 1e-5000 is still printed as such.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/csv.h"
#include "stats/transactions.h"

namespace lindora {

// Log-factorials up to a bound, and the exact test on 2×2 tables whose total stays within it.
class FisherExact {
 public:
  explicit FisherExact(std::int64_t max_total);

  // Natural log of the two-sided p-value for the table
  //   a  n_a−a
  //   b  n_b−b
  // with margins fixed: the sum of the probabilities of all tables that are not more probable
  // than the observed one (relative tolerance 1e-7 for ties).
  double LogTwoSided(std::int64_t a, std::int64_t n_a, std::int64_t b, std::int64_t n_b) const;
  // Natural log of the hypergeometric probability of x in the first cell, k = a + b.
  double LogProbability(std::int64_t x, std::int64_t n_a, std::int64_t n_b, std::int64_t k) const;

 private:
  double LogChoose(std::int64_t n, std::int64_t k) const {
    return log_factorial_[n] - log_factorial_[k] - log_factorial_[n - k];
  }
  std::vector<double> log_factorial_;
};

// (a·(n_b−b)) / (b·(n_a−a)), with 0.5 added to every cell when one of them is 0.
double OddsRatio(std::int64_t a, std::int64_t n_a, std::int64_t b, std::int64_t n_b);

// Benjamini–Hochberg q-values of the given log p-values, as log q-values in the same order:
// q of the i-th smallest p is min over j ≥ i of p_(j)·m/j, at most 1 (log 0).
std::vector<double> LogBenjaminiHochberg(const std::vector<double>& log_p);

// Scientific notation with 4 significant digits ("1.235e-05"), from a natural log.
std::string ScientificFromLog(double log_value);
// A p- or q-value as a paper prints it, from a natural log: four decimals ("0.0012", "1.0000"),
// or "< 0.0001" below that.
std::string ReadablePFromLog(double log_value);
// Four significant digits in any magnitude ("0.3333", "4.000", "1.000e+10").
std::string SignificantDigits4(double value);

struct ItemComparison {
  std::string name;
  std::int64_t a = 0, b = 0;      // formulas of A and of B that contain the item
  double rate_a = 0, rate_b = 0;  // percent
  double odds_ratio = 0;
  double log_p = 0, log_q = 0;
};

struct SetComparison {
  std::int64_t n_a = 0, n_b = 0;
  std::int64_t min_count = 0;
  // The tested items (a + b ≥ min_count): q ascending, then p, then the name's code points.
  std::vector<ItemComparison> items;
};

inline constexpr std::int64_t kDefaultMinCount = 5;

SetComparison CompareTransactions(const Transactions& set_a, const Transactions& set_b,
                                  std::int64_t min_count = kDefaultMinCount);

// The header of the grid and of the comparison file.
const std::vector<std::string>& ComparisonHeader();
// One item as the grid and the report print it (p and q readable), or the file (p and q in
// scientific notation, so no digits are lost): rates with 2 decimals, odds ratio with four
// significant digits.
CsvRow ComparisonCells(const ItemComparison& item, bool scientific_p = false);

}  // namespace lindora
