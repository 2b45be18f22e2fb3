// The fast descending sort must leave items exactly where the exchange procedure leaves them.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <string>

#include "stats/sort_by_count.h"

namespace lindora {
namespace {

// The procedure as users know it, step by step.
std::vector<std::size_t> LiteralExchangeOrder(std::vector<std::int64_t> c) {
  std::vector<std::size_t> s(c.size());
  std::iota(s.begin(), s.end(), std::size_t{0});
  const std::size_t n = c.size();
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      if (c[j] > c[i]) {
        std::swap(c[i], c[j]);
        std::swap(s[i], s[j]);
      }
  return s;
}

std::vector<std::int64_t> RandomCounts(std::mt19937_64& rng, std::size_t n, int distinct) {
  std::uniform_int_distribution<int> value(1, distinct);
  std::vector<std::int64_t> c(n);
  for (auto& x : c) x = value(rng);
  return c;
}

TEST(SortByCountTest, TieOrderOfTheSmallExample) {
  // Counts 1, 1, 2 for A, B, C come out C, B, A: the exchange is not stable.
  std::vector<std::int64_t> counts{1, 1, 2};
  std::vector<std::string> items{"A", "B", "C"};
  SortByCount(counts, items, 3);
  EXPECT_EQ(items, (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(counts, (std::vector<std::int64_t>{2, 1, 1}));
}

TEST(SortByCountTest, SortsOnlyTheFirstNEntries) {
  std::vector<std::int64_t> counts{1, 3, 2, 99};
  std::vector<std::string> items{"a", "b", "c", "tail"};
  SortByCount(counts, items, 3);
  EXPECT_EQ(items, (std::vector<std::string>{"b", "c", "a", "tail"}));
  EXPECT_EQ(counts, (std::vector<std::int64_t>{3, 2, 1, 99}));
}

TEST(SortByCountTest, EmptyAndSingle) {
  EXPECT_TRUE(SortByCountOrder({}).empty());
  std::vector<std::int64_t> one{7};
  EXPECT_EQ(SortByCountOrder(one), std::vector<std::size_t>{0});
}

TEST(SortByCountTest, EqualsExchangeOnEveryShortSequence) {
  // Every sequence of length up to 7 over three values: all tie patterns of small arrays.
  for (std::size_t n = 0; n <= 7; ++n) {
    std::size_t total = 1;
    for (std::size_t i = 0; i < n; ++i) total *= 3;
    for (std::size_t code = 0; code < total; ++code) {
      std::vector<std::int64_t> c(n);
      std::size_t rest = code;
      for (auto& x : c) {
        x = static_cast<std::int64_t>(rest % 3);
        rest /= 3;
      }
      ASSERT_EQ(SortByCountOrder(c), LiteralExchangeOrder(c)) << "n=" << n << " code=" << code;
    }
  }
}

TEST(SortByCountTest, EqualsExchangeOnRandomArraysWithManyTies) {
  std::mt19937_64 rng(20240601);
  for (int round = 0; round < 3000; ++round) {
    std::size_t n = std::uniform_int_distribution<std::size_t>(2, 60)(rng);
    int distinct = std::uniform_int_distribution<int>(1, 6)(rng);
    auto c = RandomCounts(rng, n, distinct);
    ASSERT_EQ(SortByCountOrder(c), LiteralExchangeOrder(c)) << "round " << round;
  }
  for (int round = 0; round < 200; ++round) {
    std::size_t n = std::uniform_int_distribution<std::size_t>(100, 1500)(rng);
    int distinct = std::uniform_int_distribution<int>(1, 40)(rng);
    auto c = RandomCounts(rng, n, distinct);
    ASSERT_EQ(SortByCountOrder(c), LiteralExchangeOrder(c)) << "round " << round;
  }
}

TEST(SortByCountTest, EqualsExchangeOnShapedArrays) {
  // Shapes that stress the chains: ascending runs, descending runs, a heavy tail of ones as in
  // group tables, and alternating blocks.
  std::mt19937_64 rng(7);
  std::vector<std::vector<std::int64_t>> cases;
  std::vector<std::int64_t> up, down, blocks;
  for (int i = 0; i < 400; ++i) up.push_back(i / 7);
  for (int i = 0; i < 400; ++i) down.push_back(60 - i / 7);
  for (int i = 0; i < 400; ++i) blocks.push_back((i / 25) % 2 ? 1 : 5 + (i % 3));
  cases = {up, down, blocks};
  std::geometric_distribution<int> tail(0.6);
  for (int r = 0; r < 20; ++r) {
    std::vector<std::int64_t> c(800);
    for (auto& x : c) x = 1 + tail(rng);
    cases.push_back(c);
  }
  for (const auto& c : cases) ASSERT_EQ(SortByCountOrder(c), LiteralExchangeOrder(c));
}

TEST(SortByCountTest, EqualsExchangeOnLargeArrays) {
  std::mt19937_64 rng(99);
  std::geometric_distribution<int> tail(0.3);
  for (std::size_t n : {20000u, 30000u}) {
    std::vector<std::int64_t> c(n);
    for (auto& x : c) x = 1 + tail(rng);
    ASSERT_EQ(SortByCountOrder(c), LiteralExchangeOrder(c)) << "n=" << n;
  }
  auto c = RandomCounts(rng, 25000, 500);
  ASSERT_EQ(SortByCountOrder(c), LiteralExchangeOrder(c));
}

TEST(SortByCountTest, ResultIsDescendingAndAPermutation) {
  std::mt19937_64 rng(3);
  auto c = RandomCounts(rng, 5000, 30);
  auto order = SortByCountOrder(c);
  std::vector<bool> seen(c.size());
  for (std::size_t r = 0; r < order.size(); ++r) {
    ASSERT_FALSE(seen[order[r]]);
    seen[order[r]] = true;
    if (r > 0) {
      ASSERT_GE(c[order[r - 1]], c[order[r]]);
    }
  }
}

}  // namespace
}  // namespace lindora
