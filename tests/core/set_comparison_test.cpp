// The statistics of the set comparison: Fisher's exact test, odds ratios, q-values, order.
#include "stats/set_comparison.h"

#include <gtest/gtest.h>

#include <array>
#include <boost/math/distributions/chi_squared.hpp>
#include <cmath>
#include <map>
#include <random>
#include <tuple>

namespace lindora {
namespace {

double TwoSided(std::int64_t a, std::int64_t n_a, std::int64_t b, std::int64_t n_b) {
  return std::exp(FisherExact(n_a + n_b).LogTwoSided(a, n_a, b, n_b));
}

// Every table with the margins of (a, b), weighed with exact binomial coefficients.
long double BruteForceTwoSided(int a, int n_a, int b, int n_b) {
  auto choose = [](int n, int k) {
    long double c = 1;
    for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
    return c;
  };
  const int k = a + b;
  const long double observed = choose(n_a, a) * choose(n_b, b);
  long double sum = 0, all = 0;
  for (int x = std::max(0, k - n_b); x <= std::min(k, n_a); ++x) {
    long double w = choose(n_a, x) * choose(n_b, k - x);
    all += w;
    if (w <= observed * (1 + 1e-7L)) sum += w;
  }
  return sum / all;
}

// Transactions from lists of item names.
Transactions Make(const std::vector<std::vector<std::string>>& rows) {
  Transactions t{{}, {}, {}, {0}};
  std::map<std::string, ItemId> ids;
  for (const auto& row : rows) {
    std::vector<ItemId> items;
    for (const std::string& name : row) {
      auto [it, added] = ids.try_emplace(name, static_cast<ItemId>(t.names.size()));
      if (added) t.names.push_back(name), t.frequency.push_back(0);
      items.push_back(it->second);
    }
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    for (ItemId i : items) t.items.push_back(i), ++t.frequency[i];
    t.offsets.push_back(t.items.size());
  }
  return t;
}

TEST(FisherExactTest, HandComputedTables) {
  // A zero cell: only the two extreme tables (1/252 each) are as improbable as the observed one.
  EXPECT_NEAR(TwoSided(0, 5, 5, 5), 1.0 / 126, 1e-15);
  EXPECT_NEAR(OddsRatio(0, 5, 5, 5), 0.5 * 0.5 / (5.5 * 5.5), 1e-15);
  // Equal rows make x and k−x equally probable: 16/70 on both sides is a tie that is summed.
  EXPECT_NEAR(TwoSided(1, 4, 3, 4), 34.0 / 70, 1e-14);
  EXPECT_NEAR(TwoSided(3, 4, 1, 4), 34.0 / 70, 1e-14);
  // The observed table at the mode: every table is at most as probable.
  EXPECT_DOUBLE_EQ(TwoSided(2, 4, 2, 4), 1.0);
  EXPECT_NEAR(OddsRatio(7, 10, 2, 10), 7.0 * 8 / (2.0 * 3), 1e-12);

  // 7/10 against 2/10: the chi-square test calls it significant, the exact test does not.
  const double a = 7, b = 3, c = 2, d = 8, n = a + b + c + d;
  const double chi2 = n * std::pow(a * d - b * c, 2) / ((a + b) * (c + d) * (a + c) * (b + d));
  const double chi_p = boost::math::cdf(complement(boost::math::chi_squared(1), chi2));
  EXPECT_LT(chi_p, 0.05);
  EXPECT_NEAR(TwoSided(7, 10, 2, 10), 293.0 / 4199, 1e-14);
  EXPECT_GT(TwoSided(7, 10, 2, 10), 0.05);
}

TEST(FisherExactTest, RandomTablesMatchBruteForceEnumeration) {
  std::mt19937 rng(17);
  const FisherExact fisher(120);
  for (int i = 0; i < 3000; ++i) {
    int n_a = std::uniform_int_distribution<int>(1, 60)(rng);
    int n_b = std::uniform_int_distribution<int>(1, 60)(rng);
    int a = std::uniform_int_distribution<int>(0, n_a)(rng);
    int b = std::uniform_int_distribution<int>(0, n_b)(rng);
    const double expected = static_cast<double>(BruteForceTwoSided(a, n_a, b, n_b));
    const double got = std::exp(fisher.LogTwoSided(a, n_a, b, n_b));
    ASSERT_NEAR(got, expected, 1e-9 * expected) << a << "/" << n_a << " " << b << "/" << n_b;
  }
}

TEST(FisherExactTest, HugeSetsStayInLogSpace) {
  // All of A against none of B, 50,000 each: p = 2 / C(100000, 50000), far below any double.
  const double log_p = FisherExact(100000).LogTwoSided(50000, 50000, 0, 50000);
  const double expected = std::log(2.0) - (std::lgamma(100001.0) - 2 * std::lgamma(50001.0));
  EXPECT_NEAR(log_p, expected, 1e-6 * std::abs(expected));
  EXPECT_EQ(ScientificFromLog(log_p).substr(5), "e-30101");
  EXPECT_EQ(ScientificFromLog(std::log(1.23456e-5)), "1.235e-05");
  EXPECT_EQ(ScientificFromLog(0), "1.000e+00");
  EXPECT_EQ(ScientificFromLog(std::log(2.5) - 5000 * std::log(10.0)), "2.500e-5000");
  EXPECT_EQ(ScientificFromLog(std::log(9.9996) - 800 * std::log(10.0)), "1.000e-799");
  // the window's and the report's form
  EXPECT_EQ(ReadablePFromLog(log_p), "< 0.0001");
  EXPECT_EQ(ReadablePFromLog(std::log(0.00009)), "< 0.0001");
  EXPECT_EQ(ReadablePFromLog(std::log(0.0001)), "0.0001");
  EXPECT_EQ(ReadablePFromLog(std::log(0.00123)), "0.0012");
  EXPECT_EQ(ReadablePFromLog(0), "1.0000");
}

TEST(OddsRatioTest, PrintedWithFourSignificantDigitsInAnyMagnitude) {
  // 100,000 formulas each, the herb in all of A and in none of B: the 0.5 correction gives
  // an odds ratio near 4e10 that fixed decimals would print with 15 digits.
  const double huge = OddsRatio(100000, 100000, 0, 100000);
  EXPECT_NEAR(huge, 100000.5 * 100000.5 / 0.25, 1);
  EXPECT_EQ(SignificantDigits4(huge), "4.000e+10");
  const double tiny = OddsRatio(0, 100000, 100000, 100000);
  EXPECT_EQ(SignificantDigits4(tiny), "2.500e-11");
  EXPECT_EQ(SignificantDigits4(OddsRatio(1, 4, 1, 2)), "0.3333");
  EXPECT_EQ(SignificantDigits4(OddsRatio(2, 3, 1, 3)), "4.000");
}

TEST(BenjaminiHochbergTest, StepUpWithTiesAndCap) {
  std::vector<double> p = {0.01, 0.04, 0.04, 0.03, 0.5};
  std::vector<double> log_p;
  for (double v : p) log_p.push_back(std::log(v));
  std::vector<double> log_q = LogBenjaminiHochberg(log_p);
  std::vector<double> expected = {0.05, 0.05, 0.05, 0.05, 0.5};
  for (std::size_t i = 0; i < p.size(); ++i) EXPECT_NEAR(std::exp(log_q[i]), expected[i], 1e-12);
  EXPECT_EQ(log_q[1], log_q[2]);  // tied p-values share their q exactly
  EXPECT_TRUE(LogBenjaminiHochberg({}).empty());
}

TEST(CompareTransactionsTest, RandomSetsMatchDefinitions) {
  std::mt19937 rng(5);
  const std::vector<std::string> pool = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "Z"};
  for (int round = 0; round < 40; ++round) {
    std::vector<std::vector<std::string>> rows[2];
    std::map<std::string, std::array<int, 2>> counts;  // formulas of A and of B per item
    for (int s = 0; s < 2; ++s) {
      const int n = std::uniform_int_distribution<int>(1, 25)(rng);
      const double bias = std::uniform_real_distribution<double>(0.1, 0.9)(rng);
      for (int t = 0; t < n; ++t) {
        rows[s].emplace_back();
        for (const std::string& item : pool)
          if (std::bernoulli_distribution(bias * (item == "Z" ? 0.2 : 1))(rng))
            rows[s].back().push_back(item), ++counts[item][s];
      }
    }
    const int min_count = round % 4, n_a = static_cast<int>(rows[0].size()),
              n_b = static_cast<int>(rows[1].size());
    SetComparison c = CompareTransactions(Make(rows[0]), Make(rows[1]), min_count);
    std::erase_if(counts, [&](const auto& e) { return e.second[0] + e.second[1] < min_count; });
    ASSERT_EQ(c.items.size(), counts.size());
    std::vector<double> p;
    for (const ItemComparison& item : c.items) {
      const auto [a, b] = counts.at(item.name);
      ASSERT_EQ(item.a, a);
      ASSERT_EQ(item.b, b);
      const double expected = static_cast<double>(BruteForceTwoSided(a, n_a, b, n_b));
      EXPECT_NEAR(std::exp(item.log_p), expected, 1e-9 * expected);
      p.push_back(expected);
    }
    // q = min over the p-values at least as large of p_j · m / rank_j.
    for (std::size_t i = 0; i < p.size(); ++i) {
      double q = 1;
      for (double pj : p) {
        auto rank = std::count_if(p.begin(), p.end(), [&](double x) { return x <= pj * 1.000001; });
        if (pj >= p[i] * 0.999999) q = std::min(q, pj * static_cast<double>(p.size()) / rank);
      }
      EXPECT_NEAR(std::exp(c.items[i].log_q), q, 1e-6 * q);
    }
    for (std::size_t i = 1; i < c.items.size(); ++i) {
      const ItemComparison &x = c.items[i - 1], &y = c.items[i];
      ASSERT_TRUE(std::tie(x.log_q, x.log_p, x.name) < std::tie(y.log_q, y.log_p, y.name));
    }
  }
}

TEST(CompareTransactionsTest, TiesAreOrderedByCodePoint) {
  // Every p and q is 1 here, so the names decide: Z (U+005A) < 丙 (U+4E19) < 乙 (U+4E59) <
  // 甲 (U+7532), neither pinyin nor stroke order.
  Transactions a = Make({{"甲", "乙", "Z"}, {"甲", "乙", "Z"}, {}});
  Transactions b = Make({{}, {}, {"甲", "乙", "Z", "丙"}});
  SetComparison c = CompareTransactions(a, b, 1);
  std::vector<std::string> names;
  for (const auto& item : c.items) names.push_back(item.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Z", "丙", "乙", "甲"}));
  EXPECT_EQ(ComparisonCells(c.items[0]),
            (CsvRow{"Z", "2", "66.67", "1", "33.33", "4.000", "1.0000", "1.0000"}));
  EXPECT_EQ(ComparisonCells(c.items[0], true)[6], "1.000e+00");
  EXPECT_TRUE(CompareTransactions(a, b, 4).items.empty());
}

}  // namespace
}  // namespace lindora
