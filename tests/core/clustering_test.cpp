// Hierarchical clustering, the Newick file, mutual information and total correlation, core
// combinations against a brute-force enumeration, and the engines end to end.
#include "stats/clustering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>

#include "analysis/core_combinations/core_combinations_analysis.h"
#include "analysis/herb_clustering/herb_clustering_analysis.h"
#include "analysis/herb_clustering/herb_clustering_window.h"
#include "common/text.h"
#include "support/cli_runner.h"
#include "support/fake_ports.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

DistanceMatrix Matrix(std::size_t n, const std::map<std::pair<int, int>, double>& pairs) {
  DistanceMatrix m{n, std::vector<double>(n * n, 0)};
  for (auto [ij, d] : pairs) {
    m.d[static_cast<std::size_t>(ij.first) * n + static_cast<std::size_t>(ij.second)] = d;
    m.d[static_cast<std::size_t>(ij.second) * n + static_cast<std::size_t>(ij.first)] = d;
  }
  return m;
}

using Merges = std::vector<std::tuple<std::size_t, std::size_t, double>>;
Merges MergesOf(const Dendrogram& t) {
  Merges m;
  for (const ClusterMerge& x : t.merges) m.emplace_back(x.left, x.right, x.height);
  return m;
}

// Worked by hand: A–B and C–D are tied at 1 and A–B goes first (its first member comes first);
// average, complete and single linkage then join the pairs at 4.5, 6 and 3.
TEST(ClusteringTest, LinkagesOnAHandMadeMatrixWithTies) {
  const DistanceMatrix d =
      Matrix(4, {{{0, 1}, 1}, {{2, 3}, 1}, {{0, 2}, 4}, {{0, 3}, 6}, {{1, 2}, 5}, {{1, 3}, 3}});
  EXPECT_EQ(MergesOf(Agglomerate(d, Linkage::kAverage)),
            (Merges{{0, 1, 1}, {2, 3, 1}, {4, 5, 4.5}}));
  EXPECT_EQ(MergesOf(Agglomerate(d, Linkage::kComplete)),
            (Merges{{0, 1, 1}, {2, 3, 1}, {4, 5, 6}}));
  EXPECT_EQ(MergesOf(Agglomerate(d, Linkage::kSingle)), (Merges{{0, 1, 1}, {2, 3, 1}, {4, 5, 3}}));

  // Everything equally far: the tree chains in input order.
  const DistanceMatrix flat = Matrix(3, {{{0, 1}, 2}, {{0, 2}, 2}, {{1, 2}, 2}});
  EXPECT_EQ(MergesOf(Agglomerate(flat, Linkage::kAverage)), (Merges{{0, 1, 2}, {3, 2, 2}}));
  // B–C and A–D tie; A–D holds the first leaf. Single linkage: then {A,D}–B (2) before C.
  const DistanceMatrix tie =
      Matrix(4, {{{1, 2}, 1}, {{0, 3}, 1}, {{0, 1}, 2}, {{0, 2}, 3}, {{1, 3}, 4}, {{2, 3}, 5}});
  EXPECT_EQ(MergesOf(Agglomerate(tie, Linkage::kSingle)),
            (Merges{{0, 3, 1}, {1, 2, 1}, {4, 5, 2}}));

  const Dendrogram avg = Agglomerate(d, Linkage::kAverage);
  EXPECT_EQ(LeafOrder(avg), (std::vector<std::size_t>{0, 1, 2, 3}));
  EXPECT_EQ(CutIntoClusters(avg, 2), (std::vector<int>{1, 1, 2, 2}));
  EXPECT_EQ(CutAtHeight(avg, 1), (std::vector<int>{1, 1, 2, 2}));
  EXPECT_EQ(CutAtHeight(avg, 0.5), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(CutIntoClusters(avg, 1), (std::vector<int>{1, 1, 1, 1}));
  // Cophenetic heights 1, 1 and 4.5 for the four cross pairs, against 1, 1, 4, 6, 5, 3.
  const double x[] = {1, 1, 4, 6, 5, 3}, y[] = {1, 1, 4.5, 4.5, 4.5, 4.5};
  double mx = 20.0 / 6, my = 20.0 / 6, sxy = 0, sxx = 0, syy = 0;
  for (int i = 0; i < 6; ++i)
    sxy += (x[i] - mx) * (y[i] - my), sxx += (x[i] - mx) * (x[i] - mx),
        syy += (y[i] - my) * (y[i] - my);
  ASSERT_TRUE(CopheneticCorrelation(d, avg).has_value());
  EXPECT_NEAR(*CopheneticCorrelation(d, avg), sxy / std::sqrt(sxx * syy), 1e-12);
}

// Ward on squared Euclidean distances of points on a line: every merge height must be twice the
// rise of the within-cluster sum of squares, 2·nₐn_b/(nₐ+n_b)·(cₐ−c_b)², from the centroids.
TEST(ClusteringTest, WardHeightsMatchCentroidGeometry) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    const std::size_t n = 3 + rng() % 12;
    std::vector<double> x(n);
    for (double& v : x) v = static_cast<double>(rng() % 1000) / 10;
    DistanceMatrix d{n, std::vector<double>(n * n)};
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < n; ++j) d.d[i * n + j] = (x[i] - x[j]) * (x[i] - x[j]);
    const Dendrogram t = Agglomerate(d, Linkage::kWard);
    ASSERT_EQ(t.merges.size(), n - 1);
    std::vector<double> sum(x), count(n, 1);
    for (const ClusterMerge& m : t.merges) {
      const double ca = sum[m.left] / count[m.left], cb = sum[m.right] / count[m.right];
      const double expect = 2 * count[m.left] * count[m.right] / (count[m.left] + count[m.right]) *
                            (ca - cb) * (ca - cb);
      EXPECT_NEAR(m.height, expect, 1e-7 * std::max(1.0, expect));
      sum.push_back(sum[m.left] + sum[m.right]);
      count.push_back(count[m.left] + count[m.right]);
    }
  }
}

// Newick text read back gives the same labels, the same groups of leaves under every node and
// the same heights; labels with delimiters survive quoting.
TEST(ClusteringTest, NewickRoundTrip) {
  std::mt19937 rng(3);
  for (int round = 0; round < 10; ++round) {
    const std::size_t n = 2 + rng() % 15;
    DistanceMatrix d{n, std::vector<double>(n * n, 0)};
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = i + 1; j < n; ++j)
        d.d[i * n + j] = d.d[j * n + i] = static_cast<double>(1 + rng() % 97) / 97;
    const Dendrogram t = Agglomerate(d, Linkage::kAverage);
    std::vector<std::string> labels;
    const std::vector<std::string> kinds = {"桂枝", "a b", "x'y", "(甘草)", "c:d"};
    for (std::size_t i = 0; i < n; ++i)
      labels.push_back(kinds[i % kinds.size()] + std::to_string(i));
    auto parsed = ParseNewick(NewickText(t, labels));
    ASSERT_TRUE(parsed.has_value());
    // Leaf sets with heights, from the tree and from the text.
    std::set<std::pair<std::set<std::string>, long long>> want, got;
    std::vector<std::set<std::string>> under(n + t.merges.size());
    for (std::size_t i = 0; i < n; ++i) under[i] = {labels[i]};
    for (std::size_t s = 0; s < t.merges.size(); ++s) {
      under[n + s] = under[t.merges[s].left];
      under[n + s].insert(under[t.merges[s].right].begin(), under[t.merges[s].right].end());
      want.insert({under[n + s], std::llround(t.merges[s].height * 1e6)});
    }
    const auto& nodes = *parsed;
    std::function<std::set<std::string>(std::size_t)> leaves = [&](std::size_t v) {
      if (nodes[v].children.empty()) return std::set<std::string>{nodes[v].label};
      std::set<std::string> all;
      for (std::size_t c : nodes[v].children) {
        auto part = leaves(c);
        all.insert(part.begin(), part.end());
      }
      got.insert({all, std::llround(nodes[v].height * 1e6)});
      return all;
    };
    EXPECT_EQ(leaves(0), std::set<std::string>(labels.begin(), labels.end()));
    EXPECT_EQ(got, want);
  }
  EXPECT_FALSE(ParseNewick("((a,b),c").has_value());
  EXPECT_FALSE(ParseNewick("(a:x,b);").has_value());
}

TEST(ClusteringTest, MutualInformationAndTotalCorrelationByHand) {
  // Two herbs always together in half the formulas: one bit, normalised 1.
  EXPECT_NEAR(MutualInformation(8, 4, 4, 4).mi, 1, 1e-12);
  EXPECT_NEAR(MutualInformation(8, 4, 4, 4).normalised, 1, 1e-12);
  // Independent.
  EXPECT_NEAR(MutualInformation(4, 2, 2, 1).mi, 0, 1e-15);
  // n = 4, A in 2, B in 1, together 1: cells 1, 1, 0, 2.
  const double mi = 0.25 * std::log2(2.0) + 0.25 * std::log2(2.0 / 3) + 0.5 * std::log2(4.0 / 3);
  const double hb = -(0.25 * std::log2(0.25) + 0.75 * std::log2(0.75));
  EXPECT_NEAR(MutualInformation(4, 2, 1, 1).mi, mi, 1e-12);
  EXPECT_NEAR(MutualInformation(4, 2, 1, 1).normalised, mi / hb, 1e-12);
  // A herb in every formula carries no information.
  EXPECT_EQ(MutualInformation(5, 5, 2, 2).normalised, 0);

  // X₃ = X₁ xor X₂, uniform: each single has 1 bit, the joint 2 bits, C = 1.
  std::vector<std::int64_t> xor_cells(8, 0);
  xor_cells[0] = xor_cells[3] = xor_cells[5] = xor_cells[6] = 1;
  EXPECT_NEAR(TotalCorrelation(xor_cells, 3, 4), 1, 1e-12);
  // Three copies of one fair variable: 3 − 1 = 2 bits.
  std::vector<std::int64_t> same(8, 0);
  same[0] = same[7] = 2;
  EXPECT_NEAR(TotalCorrelation(same, 3, 4), 2, 1e-12);
}

// Random formulas; every k-set of herbs checked directly.
TEST(ClusteringTest, CoreCombinationsMatchBruteForce) {
  std::mt19937 rng(11);
  for (int round = 0; round < 30; ++round) {
    test::TestFolder folder;
    // Up to 200 formulas, so the formula sets span several 64-bit words.
    const int herbs = 6 + static_cast<int>(rng() % 5),
              formulas = 15 + static_cast<int>(rng() % (round % 3 ? 30 : 190));
    std::vector<std::string> lines;
    for (int f = 0; f < formulas; ++f) {
      std::string line = "方" + std::to_string(f) + "\t";
      for (int h = 0; h < herbs; ++h)
        if (static_cast<int>(rng() % 100) < 70 - 6 * h) line += "药" + std::to_string(h) + "、";
      lines.push_back(line + "\t症\t");
    }
    folder.WriteLines("Result/Result.DB.stand", lines);
    const Transactions t = ReadHerbTransactions(folder / "Result/Result.DB.stand");
    CoreOptions o;
    o.min_support = 1 + static_cast<int>(rng() % 5);
    o.min_association = std::vector<double>{0, 0.02, 0.1, 0.3}[rng() % 4];
    o.size = rng() % 2 ? 3 : 4;
    o.keep = 1 + static_cast<int>(rng() % 15);
    const CoreAnalysis got = FindCoreCombinations(t, o);

    // Herb order as the analyses use it.
    std::vector<ItemId> order;
    for (ItemId id : t.ByFrequency())
      if (t.frequency[id] >= o.min_support) order.push_back(id);
    ASSERT_EQ(got.herbs.size(), order.size());
    const std::size_t m = order.size(), n = t.N();
    auto has = [&](std::size_t row, std::size_t h) {
      auto r = t.Row(row);
      return std::find(r.begin(), r.end(), order[h]) != r.end();
    };
    std::vector<CoreCombination> all;
    std::vector<std::size_t> pick(static_cast<std::size_t>(o.size));
    std::function<void(std::size_t, std::size_t)> choose = [&](std::size_t from, std::size_t at) {
      if (at == pick.size()) {
        std::vector<std::int64_t> cells(std::size_t{1} << o.size, 0);
        for (std::size_t row = 0; row < n; ++row) {
          unsigned mask = 0;
          for (std::size_t i = 0; i < pick.size(); ++i)
            if (has(row, pick[i])) mask |= 1u << i;
          ++cells[mask];
        }
        const std::int64_t support = cells.back();
        if (support < o.min_support) return;
        for (std::size_t i = 0; i < pick.size(); ++i)
          for (std::size_t j = i + 1; j < pick.size(); ++j) {
            std::int64_t both = 0;
            for (std::size_t row = 0; row < n; ++row)
              both += has(row, pick[i]) && has(row, pick[j]);
            const std::int64_t fa = t.frequency[order[pick[i]]], fb = t.frequency[order[pick[j]]];
            if (MutualInformation(static_cast<std::int64_t>(n), fa, fb, both).normalised <
                    o.min_association ||
                both * static_cast<std::int64_t>(n) <= fa * fb)
              return;
          }
        CoreCombination c{
            {}, o.size, support, TotalCorrelation(cells, o.size, static_cast<std::int64_t>(n))};
        std::copy(pick.begin(), pick.end(), c.herbs.begin());
        all.push_back(c);
        return;
      }
      for (std::size_t h = from; h < m; ++h) {
        pick[at] = h;
        choose(h + 1, at + 1);
      }
    };
    choose(0, 0);
    std::sort(all.begin(), all.end(), CoreRankBefore);
    all.resize(std::min(all.size(), static_cast<std::size_t>(o.keep)));
    EXPECT_EQ(got.qualifying >= all.size(), true);
    ASSERT_EQ(got.kept.size(), all.size()) << "round " << round;
    for (std::size_t i = 0; i < all.size(); ++i) {
      EXPECT_EQ(got.kept[i].herbs, all[i].herbs) << "round " << round << " rank " << i;
      EXPECT_EQ(got.kept[i].support, all[i].support);
      EXPECT_NEAR(got.kept[i].total_correlation, all[i].total_correlation, 1e-12);
    }

    // The candidates against a library of random formulas (with equal names, so ties by name
    // and then by record order count): as SharedCount and RankSimilar find them.
    std::vector<FormulaHerbs> library;
    for (int f = 0; f < 40; ++f) {
      FormulaHerbs formula{"库方" + std::to_string(rng() % 12), {}, {}};
      for (int h = 0; h < herbs + 2; ++h)
        if (rng() % 3 == 0) formula.herbs.push_back("药" + std::to_string(h));
      formula.sorted = formula.herbs;
      std::sort(formula.sorted.begin(), formula.sorted.end());
      library.push_back(std::move(formula));
    }
    CoreAnalysis with_candidates = got;
    BuildCandidates(with_candidates, library);
    for (const CandidateFormula& c : with_candidates.candidates) {
      FormulaHerbs as_formula;
      for (std::size_t h : c.herbs) as_formula.sorted.push_back(got.herbs[h]);
      std::sort(as_formula.sorted.begin(), as_formula.sorted.end());
      std::size_t with_three = 0;
      for (const FormulaHerbs& f : library)
        with_three += SharedCount(as_formula.sorted, f.sorted) >= 3;
      EXPECT_EQ(c.library_with_three, with_three);
      const std::vector<SimilarFormula> best = RankSimilar(as_formula, library, std::nullopt, 1);
      ASSERT_EQ(best.size(), 1u);
      EXPECT_EQ(c.closest, best[0].similarity > 0 ? library[best[0].index].name : "");
      EXPECT_EQ(c.closest_similarity, best[0].similarity > 0 ? best[0].similarity : 0);
    }
  }
}

// Herbs that avoid each other share as much information as herbs that go together; only the
// second pass the link test, and the pair table says which.
TEST(ClusteringTest, TheLinkTestPassesOnlyPairsTogetherMoreOftenThanChance) {
  test::TestFolder folder;
  std::vector<std::string> lines;
  // 生姜 and 干姜 never together (10 formulas each); 桂枝 with 芍药 in 8 of their 10, and
  // each of them with one ginger in half of its formulas.
  for (int f = 0; f < 20; ++f) {
    std::string herbs = f < 10 ? "生姜、" : "干姜、";
    if (f % 2 == 0) herbs += "桂枝、";
    if (f % 2 == 0 ? f < 16 : f >= 17) herbs += "芍药、";
    lines.push_back("方" + std::to_string(f) + "\t" + herbs + "\t症\t");
  }
  folder.WriteLines("Result/Result.DB.stand", lines);
  CoreOptions o;
  o.min_support = 1;
  o.size = 3;
  const CoreAnalysis r =
      FindCoreCombinations(ReadHerbTransactions(folder / "Result/Result.DB.stand"), o);
  auto pair = [&](std::string_view a, std::string_view b) -> const HerbPair& {
    for (const HerbPair& p : r.pairs)
      if ((r.herbs[p.a] == a && r.herbs[p.b] == b) || (r.herbs[p.a] == b && r.herbs[p.b] == a))
        return p;
    throw std::runtime_error("no pair");
  };
  const HerbPair& gingers = pair("生姜", "干姜");
  EXPECT_EQ(gingers.together, 0);
  EXPECT_NEAR(gingers.info.normalised, 1, 1e-12);  // fully informative, by avoidance
  EXPECT_FALSE(gingers.linked);
  EXPECT_TRUE(pair("桂枝", "芍药").linked);  // 8 together, 10·10/20 = 5 expected
  // No combination holds both gingers, though every pair clears the information threshold.
  for (const CoreCombination& c : r.kept) {
    std::set<std::string> names;
    for (int i = 0; i < c.size; ++i) names.insert(r.herbs[c.herbs[static_cast<std::size_t>(i)]]);
    EXPECT_FALSE(names.count("生姜") && names.count("干姜"));
  }
  // The table shows the expectation and the verdict.
  const AnalysisOutput out = OutputOf(r);
  const ResultTable& mi = out.tables[0];
  ASSERT_EQ(mi.header.size(), 9u);
  EXPECT_EQ(mi.header[5], "期望共现频数");
  for (const auto& row : mi.rows)
    if ((row[0].text == "生姜" && row[1].text == "干姜") ||
        (row[0].text == "干姜" && row[1].text == "生姜")) {
      EXPECT_EQ(row[5].text, "5.00");
      EXPECT_EQ(row[8].text, "否");
    }
  EXPECT_TRUE(Contains(out.methods_zh, "高于随机期望"));
}

// Three herbs worked by hand: 甲 in formulas 1–4, 乙 in 1–2, 丙 in 3–5 (and 丁 once, cut off).
TEST(ClusteringTest, HerbDistancesAndTheTopCut) {
  test::TestFolder folder;
  folder.WriteLines("Result/Result.DB.stand", {"a\t甲、乙\t\t", "b\t甲、乙\t\t", "c\t甲、丙\t\t",
                                               "d\t甲、丙、丁\t\t", "e\t丙\t\t"});
  const Transactions t = ReadHerbTransactions(folder / "Result/Result.DB.stand");
  HerbClusteringOptions o;
  o.top = 3;
  o.k = 2;
  const HerbClustering c = ClusterHerbs(t, o);
  ASSERT_EQ(c.herbs, (std::vector<std::string>{"甲", "丙", "乙"}));
  // 甲–丙 share 2 of 5 formulas, 甲–乙 2 of 4, 丙–乙 none.
  EXPECT_DOUBLE_EQ(c.distances.At(0, 1), 1 - 2.0 / 5);
  EXPECT_DOUBLE_EQ(c.distances.At(0, 2), 1 - 2.0 / 4);
  EXPECT_DOUBLE_EQ(c.distances.At(1, 2), 1);
  const std::vector<ItemId> ids = {0, 2, 1};  // 甲, 丙, 乙 by first appearance: 甲 0, 乙 1, 丙 2
  const DistanceMatrix e = HerbDistances(t, ids, HerbDistance::kEuclidean);
  EXPECT_EQ(e.At(0, 1), 4 + 3 - 2 * 2);
  EXPECT_EQ(e.At(1, 2), 3 + 2);
  const DistanceMatrix cos = HerbDistances(t, ids, HerbDistance::kCosine);
  EXPECT_DOUBLE_EQ(cos.At(0, 2), 1 - 2 / std::sqrt(4.0 * 2));
  // Jaccard, average: 甲 and 乙 first (0.5), then 丙 at (0.6 + 1) / 2.
  ASSERT_EQ(c.tree.merges.size(), 2u);
  EXPECT_DOUBLE_EQ(c.tree.merges[1].height, 0.8);
  EXPECT_EQ(c.cluster, (std::vector<int>{1, 2, 1}));
  EXPECT_EQ(LeafOrder(c.tree), (std::vector<std::size_t>{0, 2, 1}));
  // The picture: leaves in tree order, each bracket between its children's positions.
  const DendrogramPicture p = PictureOf(c);
  EXPECT_EQ(p.labels, (std::vector<std::string>{"甲", "乙", "丙"}));
  ASSERT_EQ(p.links.size(), 2u);
  EXPECT_EQ(p.links[0].y1, 0);
  EXPECT_EQ(p.links[0].y2, 1);
  EXPECT_EQ(p.links[1].y1, 0.5);
  EXPECT_EQ(p.links[1].y2, 2);
  EXPECT_GT(p.cut, 0.5);
  EXPECT_LT(p.cut, 0.8);
  // Two herbs (no tie at the cut extends them) are too few to cluster.
  o.top = 2;
  EXPECT_TRUE(ClusterHerbs(t, o).herbs.empty());
}

// Similarity ranking against a direct computation, with many ties resolved by name.
TEST(ClusteringTest, SimilarFormulasRankByJaccardThenName) {
  std::mt19937 rng(5);
  for (int round = 0; round < 20; ++round) {
    std::vector<FormulaHerbs> library;
    for (int f = 0; f < 40; ++f) {
      std::vector<std::string> herbs;
      for (int h = 0; h < 6; ++h)
        if (rng() % 2) herbs.push_back("药" + std::to_string(h));
      FormulaHerbs x{"方" + std::to_string(rng() % 15), herbs, herbs};
      std::sort(x.sorted.begin(), x.sorted.end());
      library.push_back(x);
    }
    const std::size_t self = rng() % library.size();
    const std::vector<SimilarFormula> got = RankSimilar(library[self], library, self, 10);
    std::vector<std::tuple<double, std::string, std::size_t>> all;
    for (std::size_t i = 0; i < library.size(); ++i) {
      if (i == self) continue;
      std::set<std::string> a(library[self].herbs.begin(), library[self].herbs.end()),
          b(library[i].herbs.begin(), library[i].herbs.end()), u = a;
      u.insert(b.begin(), b.end());
      std::size_t both = 0;
      for (const std::string& h : a) both += b.count(h);
      all.emplace_back(u.empty() ? 0.0 : -static_cast<double>(both) / static_cast<double>(u.size()),
                       library[i].name, i);
    }
    std::sort(all.begin(), all.end());
    ASSERT_EQ(got.size(), 10u);
    for (std::size_t r = 0; r < got.size(); ++r) {
      EXPECT_EQ(got[r].index, std::get<2>(all[r])) << "round " << round << " rank " << r;
      EXPECT_DOUBLE_EQ(got[r].similarity, -std::get<0>(all[r]));
    }
  }
}

class ClusteringEngineTest : public ::testing::Test {
 protected:
  ClusteringEngineTest() { folder.WriteLines("Result/Result.DB", Records()); }
  static std::vector<std::string> Records() {
    return {"桂枝汤\t桂枝、芍药、甘草、生姜、大枣\t发热",
            "桂枝加桂汤\t桂枝、芍药、甘草、生姜、大枣\t气上冲",
            "麻黄汤\t麻黄、桂枝、杏仁、甘草\t无汗",
            "大青龙汤\t麻黄、桂枝、杏仁、甘草、石膏、生姜、大枣\t烦躁",
            "小柴胡汤\t柴胡、黄芩、人参、半夏、甘草、生姜、大枣\t往来寒热",
            "大柴胡汤\t柴胡、黄芩、芍药、半夏、生姜、枳实、大枣、大黄\t呕不止",
            "大承气汤\t大黄、厚朴、枳实、芒硝\t潮热",
            "小承气汤\t大黄、厚朴、枳实\t谵语",
            "四逆汤\t甘草、干姜、附子\t厥逆"};
  }
  std::string Bytes(const char* name) { return folder.ReadBytes(std::string("Result/") + name); }
  test::TestFolder folder;
  test::FakeWorld world{folder.root()};
};

TEST_F(ClusteringEngineTest, RunsAreByteIdenticalAndBadInputReplacesNothing) {
  folder.WriteLines("DB/Fangji.DB", Records());
  const AnalysisList list = {HerbClusteringDescriptor(), FormulaClusteringDescriptor(),
                             CoreCombinationsDescriptor(), SimilarFormulasDescriptor()};
  const std::vector<OptionValues> values = {{{"top", "8"}, {"k", "3"}},
                                            {{"min-similarity", "0.3"}},
                                            {{"min-support", "2"}, {"min-association", "0"}},
                                            {{"formula", "桂枝汤"}, {"top", "3"}}};
  std::map<std::string, std::string> first;
  for (int pass = 0; pass < 2; ++pass)
    for (std::size_t a = 0; a < list.size(); ++a) {
      AnalysisOutput out;
      ASSERT_EQ(list[a].run(world.session, values[a], out), Outcome::kDone) << list[a].key;
      for (const std::string& file : out.files) {
        if (file.ends_with(".png") || file.ends_with(".svg")) continue;
        const std::string bytes = folder.ReadBytes(file.substr(1));
        if (pass == 0)
          first[file] = bytes;
        else
          EXPECT_EQ(bytes, first[file]) << file;
      }
    }
  // UTF-8 with BOM, CR LF; the similar formulas start with the identical one.
  const std::string similar = Bytes(kSimilarFormulaCsv);
  EXPECT_TRUE(similar.starts_with("\xEF\xBB\xBF排名,方剂,相似度"));
  EXPECT_NE(similar.find("\r\n1,桂枝加桂汤,1.0000,5,"), std::string::npos);
  // The two 承气 formulas (similarity 0.75) and the two 桂枝 formulas fall together.
  const std::string clusters = Bytes(kFormulaClusterCsv);
  auto cluster_of = [&](const std::string& name) {
    std::size_t at = clusters.find("," + name + ",");
    return clusters.substr(
        clusters.rfind("\n", at) + 1,
        clusters.find(',', clusters.rfind("\n", at) + 1) - clusters.rfind("\n", at) - 1);
  };
  EXPECT_EQ(cluster_of("大承气汤"), cluster_of("小承气汤"));
  EXPECT_EQ(cluster_of("桂枝汤"), cluster_of("桂枝加桂汤"));
  EXPECT_NE(cluster_of("四逆汤"), cluster_of("桂枝汤"));
  EXPECT_EQ(ParseNewick(Bytes(kHerbTreeNewick)).has_value(), true);

  const std::vector<std::pair<std::size_t, OptionValues>> bad = {
      {0, {{"linkage", "ward"}}},          // Ward needs squared Euclidean
      {0, {{"top", "2"}}},                 // too few herbs
      {0, {{"k", "0"}}},                   // no cluster
      {1, {{"min-similarity", "1.5"}}},    // out of range
      {2, {{"size", "5"}}},                //
      {2, {{"min-association", "-0.1"}}},  //
      {2, {{"min-support", "100"}}},       // no herb that frequent
      {3, {{"formula", "不存在汤"}}}};
  std::map<std::string, std::string> before;
  for (const auto& [file, bytes] : first) before[file] = folder.ReadBytes(file.substr(1));
  for (const auto& [a, v] : bad) {
    AnalysisOutput out;
    EXPECT_EQ(list[a].run(world.session, v, out), Outcome::kRefused) << list[a].key;
  }
  EXPECT_EQ(world.dialogs.Messages().size(), bad.size());
  for (const auto& [file, bytes] : before)
    EXPECT_EQ(folder.ReadBytes(file.substr(1)), bytes) << file;
}

TEST_F(ClusteringEngineTest, CandidatesJoinOverlappingCombinations) {
  folder.WriteLines("DB/Fangji.DB", Records());
  CoreOptions o;
  o.min_support = 2;
  o.min_association = 0;
  o.keep = 50;
  CoreAnalysis r;
  AnalysisOutput out;
  ASSERT_EQ(RunCoreCombinations(world.session, o, r, out), Outcome::kDone);
  ASSERT_FALSE(r.candidates.empty());
  // Every combination is in exactly one candidate, and inside its herbs.
  std::vector<int> seen(r.kept.size(), 0);
  for (const CandidateFormula& c : r.candidates)
    for (std::size_t k : c.combinations) {
      ++seen[k];
      for (int i = 0; i < r.kept[k].size; ++i)
        EXPECT_TRUE(std::binary_search(c.herbs.begin(), c.herbs.end(),
                                       r.kept[k].herbs[static_cast<std::size_t>(i)]));
    }
  EXPECT_EQ(seen, std::vector<int>(r.kept.size(), 1));
  // 大黄、厚朴、枳实 is in both 承气 formulas and nothing else joins it (芒硝 is in one formula).
  bool found = false;
  for (const CandidateFormula& c : r.candidates) {
    std::set<std::string> names;
    for (std::size_t h : c.herbs) names.insert(r.herbs[h]);
    if (names.count("厚朴")) {
      found = true;
      EXPECT_EQ(names, (std::set<std::string>{"大黄", "厚朴", "枳实"}));
      EXPECT_EQ(c.closest, "小承气汤");
      EXPECT_EQ(c.closest_similarity, 1);
      EXPECT_EQ(c.library_with_three, 2u);  // 大柴胡汤 has only 大黄 and 枳实
    }
  }
  EXPECT_TRUE(found);

  // The engine's compact reading of the library holds the herb sets ReadLibraryFormulas reads,
  // also for doses, brackets, repeated herbs, empty pieces and short or blank lines.
  std::vector<std::string> records = Records();
  records.insert(records.end(), {"  乙方 \t桂枝（去皮）3两、桂枝、、芍药2两、\t", "\t\t",
                                 "短行\t甘草", "   ", "丙方\t\t无药"});
  folder.WriteLines("DB/Fangji.DB", records);
  const std::vector<FormulaHerbs> texts = ReadLibraryFormulas(world.session);
  const LibrarySets sets = ReadLibrarySets(world.session);
  ASSERT_EQ(sets.names.size(), texts.size());
  std::vector<std::string> name_of(sets.id.size());
  for (const auto& [name, number] : sets.id) name_of[number] = std::string(name);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(sets.names[i], texts[i].name);
    std::vector<std::string> herbs;
    for (std::size_t k = sets.start[i]; k < sets.start[i + 1]; ++k)
      herbs.push_back(name_of[sets.herbs[k]]);
    std::sort(herbs.begin(), herbs.end());
    EXPECT_EQ(herbs, texts[i].sorted) << texts[i].name;
  }
}

TEST_F(ClusteringEngineTest, FormulaChooserOffersTheLibraryNamesHoldingTheTypedText) {
  std::vector<std::string> records = Records();
  records.insert(records.end(), {"柴胡桂枝汤\t柴胡、桂枝、黄芩\t", "  Abc方 \t甲、乙\t",
                                 "桂枝汤\t桂枝\t", "短行\t甘草", "\t\t", "丙方\t\t无药"});
  folder.WriteLines("DB/Fangji.DB", records);
  HerbClusteringWindow& window = world.session.Window<HerbClusteringWindow>();
  // Unfiltered: each name the similar-formula search looks up, once, in library order.
  std::vector<std::string> searched;
  for (const FormulaHerbs& f : ReadLibraryFormulas(world.session))
    if (!f.name.empty() && std::find(searched.begin(), searched.end(), f.name) == searched.end())
      searched.push_back(f.name);
  EXPECT_EQ(window.FormulaChoices(), searched);
  EXPECT_EQ(window.FormulaChoices("  "), searched);
  // Names that begin with the text come before those that hold it further in.
  EXPECT_EQ(window.FormulaChoices("柴胡"),
            (std::vector<std::string>{"柴胡桂枝汤", "小柴胡汤", "大柴胡汤"}));
  EXPECT_EQ(window.FormulaChoices("abc"), std::vector<std::string>{"Abc方"});
  EXPECT_TRUE(window.FormulaChoices("无此方").empty());
  // A name offered is one the search finds.
  window.SetFormulaName(window.FormulaChoices("承气").back());
  EXPECT_EQ(window.Cmd_SimilarFormulas_Click(), Outcome::kDone);
}

TEST(ClusteringCliTest, CommandsPrintAndRefuse) {
  test::TestFolder folder;
  folder.WriteLines("Result/Result.DB", {"甲方\t桂枝、芍药、甘草\t头痛", "乙方\t桂枝、芍药\t发热",
                                         "丙方\t桂枝、甘草、麻黄\t恶寒", "丁方\t麻黄、杏仁\t咳"});
  const std::string root = folder.root().string();
  test::CliRun run = test::RunCli({"--root", root, "cluster-herbs", "--k", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("药物\t频数\t类\t树中顺序\n桂枝\t3\t1\t1"), std::string::npos) << run.out;
  EXPECT_EQ(test::RunCli({"--root", root, "cluster-herbs", "--linkage", "ward"}).status, 1);
  EXPECT_EQ(test::RunCli({"--root", root, "cluster-herbs", "--bogus", "1"}).status, 1);
  EXPECT_EQ(test::RunCli({"--root", root, "cluster-formulas", "--min-similarity", "x"}).status, 1);
  EXPECT_EQ(test::RunCli({"--root", root, "core-combinations", "--min-support", "2",
                          "--min-association", "0"})
                .status,
            0);
  EXPECT_EQ(test::RunCli({"--root", root, "similar-formulas"}).status, 1);
#ifdef LINDORA_CLI_PICTURES
  const std::string png = (folder / "tree.png").string();
  ASSERT_EQ(test::RunCli({"--root", root, "cluster-herbs", "--png", png}).status, 0);
  EXPECT_EQ(folder.ReadBytes("tree.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_NE(folder.ReadBytes(std::string("Result/") + kHerbTreeSvg).find("<svg"),
            std::string::npos);
  EXPECT_EQ(test::RunCli({"--root", root, "cluster-herbs", "--png", png + ".jpg"}).status, 1);
#endif
}

}  // namespace
}  // namespace lindora
