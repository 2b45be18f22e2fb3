#include "analysis/core_combinations/core_combinations_analysis.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <deque>
#include <optional>
#include <queue>
#include <string_view>
#include <unordered_map>

#include "analysis/result_data.h"
#include "analysis/standardize.h"
#include "common/csv.h"
#include "common/files.h"
#include "common/safe_write.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/formula_db.h"
#include "formula/herb_list.h"
#include "formula/library.h"

namespace lindora {
namespace {

std::vector<CsvRow> CsvOf(const ResultTable& table) {
  std::vector<CsvRow> rows{table.header};
  for (const auto& row : table.rows) {
    rows.emplace_back();
    for (const TableCell& cell : row) rows.back().push_back(cell.text);
  }
  return rows;
}

}  // namespace

namespace {

// Entropy of counts sorted in place; summed in ascending order, so equal multisets of counts
// give the same bits whatever their order.
double SortedEntropy(std::int64_t* counts, std::size_t size, std::int64_t n) {
  if (n <= 0) return 0;
  std::sort(counts, counts + size);
  double h = 0;
  const double total = static_cast<double>(n);
  for (std::size_t i = 0; i < size; ++i)
    if (counts[i] > 0) {
      const double p = static_cast<double>(counts[i]) / total;
      h -= p * std::log2(p);
    }
  return h;
}

// Σ H(Xᵢ) − H(X) with the single entropies given; `cells` is used as scratch.
double TotalCorrelationOf(std::array<double, 4> singles, int k, std::int64_t* cells,
                          std::size_t size, std::int64_t n) {
  // Insertion sort of at most four values (std::sort on a prefix trips a false bounds warning).
  for (int i = 1; i < k; ++i)
    for (int j = i;
         j > 0 && singles[static_cast<std::size_t>(j)] < singles[static_cast<std::size_t>(j - 1)];
         --j)
      std::swap(singles[static_cast<std::size_t>(j)], singles[static_cast<std::size_t>(j - 1)]);
  double sum = 0;
  for (int i = 0; i < k; ++i) sum += singles[static_cast<std::size_t>(i)];
  return sum - SortedEntropy(cells, size, n);
}

double PresenceEntropy(std::int64_t present, std::int64_t n) {
  std::int64_t two[2] = {present, n - present};
  return SortedEntropy(two, 2, n);
}

}  // namespace

// The bit-set kernels of the search, built twice — with the POPCNT instruction and without —
// and chosen when the program loads: a baseline x86-64 build otherwise makes every popcount a
// library call, a fifth of the search's time.
[[gnu::target_clones("popcnt", "default")]] std::int64_t CoreAndCount(const std::uint64_t* x,
                                                                      const std::uint64_t* y,
                                                                      std::size_t words) {
  std::int64_t count = 0;
  for (std::size_t w = 0; w < words; ++w) count += std::popcount(x[w] & y[w]);
  return count;
}

[[gnu::target_clones("popcnt", "default")]] std::int64_t CoreAndInto(const std::uint64_t* x,
                                                                     const std::uint64_t* y,
                                                                     std::uint64_t* out,
                                                                     std::size_t words) {
  std::int64_t count = 0;
  for (std::size_t w = 0; w < words; ++w) count += std::popcount(out[w] = x[w] & y[w]);
  return count;
}

// The formulas a sparse set (its non-zero words `bits` at `at`) shares with each herb of
// `herbs`, whose sets are `words` long in `rows`.
[[gnu::target_clones("popcnt", "default")]] void CoreSparseCounts(
    const std::uint32_t* at, const std::uint64_t* bits, std::size_t n, const std::uint64_t* rows,
    std::size_t words, const std::size_t* herbs, std::size_t count, std::int64_t* out) {
  for (std::size_t h = 0; h < count; ++h) {
    const std::uint64_t* row = rows + herbs[h] * words;
    std::int64_t shared = 0;
    for (std::size_t i = 0; i < n; ++i) shared += std::popcount(bits[i] & row[at[i]]);
    out[h] = shared;
  }
}

PairInformation MutualInformation(std::int64_t n, std::int64_t a, std::int64_t b,
                                  std::int64_t both) {
  PairInformation info;
  if (n <= 0) return info;
  const std::int64_t cells[2][2] = {{n - a - b + both, b - both}, {a - both, both}};
  const std::int64_t row[2] = {n - a, a}, col[2] = {n - b, b};
  const double total = static_cast<double>(n);
  for (int x = 0; x < 2; ++x)
    for (int y = 0; y < 2; ++y) {
      const std::int64_t c = cells[x][y];
      if (c <= 0) continue;
      info.mi += static_cast<double>(c) / total *
                 std::log2(static_cast<double>(c) * total /
                           (static_cast<double>(row[x]) * static_cast<double>(col[y])));
    }
  info.mi = std::max(0.0, info.mi);  // rounding can leave −1e−17 for independent herbs
  const double ha = PresenceEntropy(a, n), hb = PresenceEntropy(b, n);
  const double low = std::min(ha, hb);
  info.normalised = low > 0 ? std::min(1.0, info.mi / low) : 0;
  return info;
}

double TotalCorrelation(const std::vector<std::int64_t>& cells, int k, std::int64_t n) {
  std::array<double, 4> singles{};
  for (int i = 0; i < k && i < 4; ++i) {
    std::int64_t present = 0;
    for (std::size_t mask = 0; mask < cells.size(); ++mask)
      if (mask & (std::size_t{1} << i)) present += cells[mask];
    singles[static_cast<std::size_t>(i)] = PresenceEntropy(present, n);
  }
  std::vector<std::int64_t> scratch = cells;
  return TotalCorrelationOf(singles, std::min(k, 4), scratch.data(), scratch.size(), n);
}

std::string CheckCoreOptions(const CoreOptions& o) {
  if (o.min_support < 1) return "最小支持度（方剂数）必须是正整数。";
  if (!(o.min_association >= 0 && o.min_association <= 1))
    return "最小关联度（标准化互信息）必须在 0 到 1 之间。";
  if (o.size != 3 && o.size != 4) return "核心组合的药味数只能是 3 或 4。";
  if (o.keep < 1) return "保留的核心组合数必须是正整数。";
  if (!(o.merge_similarity >= 0 && o.merge_similarity < 1))
    return "新方候选的合并相似度必须不小于 0 且小于 1。";
  return {};
}

bool CoreRankBefore(const CoreCombination& a, const CoreCombination& b) {
  if (a.total_correlation != b.total_correlation) return a.total_correlation > b.total_correlation;
  if (a.support != b.support) return a.support > b.support;
  return std::lexicographical_compare(a.herbs.begin(), a.herbs.begin() + a.size, b.herbs.begin(),
                                      b.herbs.begin() + b.size);
}

CoreAnalysis FindCoreCombinations(const Transactions& t, const CoreOptions& options) {
  CoreAnalysis r;
  r.options = options;
  r.formulas = static_cast<std::int64_t>(t.N());
  const std::int64_t n = r.formulas, s = std::max<std::int64_t>(1, options.min_support);
  std::vector<ItemId> order = t.ByFrequency();
  std::size_t m = 0;
  while (m < order.size() && t.frequency[order[m]] >= s) ++m;
  if (m > kMaxCoreHerbs) {
    r.too_many_herbs = m;
    return r;
  }
  order.resize(m);
  std::vector<std::uint32_t> index(t.names.size(), UINT32_MAX);
  for (std::size_t i = 0; i < m; ++i) {
    index[order[i]] = static_cast<std::uint32_t>(i);
    r.herbs.push_back(t.names[order[i]]);
    r.frequency.push_back(t.frequency[order[i]]);
  }
  // The formulas of each herb as a bit set: intersections are word-wise ANDs.
  const std::size_t words = (t.N() + 63) / 64;
  std::vector<std::uint64_t> bits(m * words, 0);
  std::vector<std::int64_t> together(m * m, 0);
  std::vector<std::uint32_t> present;
  for (std::size_t row = 0; row < t.N(); ++row) {
    present.clear();
    for (ItemId item : t.Row(row))
      if (index[item] != UINT32_MAX) present.push_back(index[item]);
    for (std::size_t a = 0; a < present.size(); ++a) {
      bits[present[a] * words + row / 64] |= std::uint64_t{1} << (row % 64);
      for (std::size_t b = a + 1; b < present.size(); ++b) {
        ++together[present[a] * m + present[b]];
        ++together[present[b] * m + present[a]];
      }
    }
  }
  std::vector<char> linked(m * m, 0);
  r.pairs.reserve(m * (m - (m > 0)) / 2);
  for (std::size_t a = 0; a < m; ++a)
    for (std::size_t b = a + 1; b < m; ++b) {
      const std::int64_t both = together[a * m + b];
      HerbPair p{a, b, both, MutualInformation(n, r.frequency[a], r.frequency[b], both)};
      p.linked = both >= s && both * n > r.frequency[a] * r.frequency[b] &&
                 p.info.normalised >= options.min_association;
      if (p.linked) linked[a * m + b] = linked[b * m + a] = 1;
      r.pairs.push_back(p);
    }
  std::sort(r.pairs.begin(), r.pairs.end(), [](const HerbPair& x, const HerbPair& y) {
    if (x.info.mi != y.info.mi) return x.info.mi > y.info.mi;
    return x.a != y.a ? x.a < y.a : x.b < y.b;
  });

  // The best `keep` so far, the worst on top.
  auto worse_first = [](const CoreCombination& x, const CoreCombination& y) {
    return CoreRankBefore(x, y);
  };
  std::priority_queue<CoreCombination, std::vector<CoreCombination>, decltype(worse_first)> best(
      worse_first);
  const int k = options.size;
  const std::size_t cells_count = std::size_t{1} << k;
  auto row_of = [&](std::size_t h) { return bits.data() + h * words; };
  auto and_into = [&](const std::uint64_t* x, const std::uint64_t* y, std::uint64_t* out) {
    return CoreAndInto(x, y, out, words);
  };
  auto and_count = [&](const std::uint64_t* x, const std::uint64_t* y) {
    return CoreAndCount(x, y, words);
  };
  // Supports of the triples that meet the thresholds, for the cells of the quadruples.
  std::unordered_map<std::uint64_t, std::int64_t> triples;
  auto triple_key = [m](std::size_t a, std::size_t b, std::size_t c) {
    return (static_cast<std::uint64_t>(a) * m + b) * m + c;
  };
  std::array<std::int64_t, 16> cells{};
  std::vector<double> herb_entropy(m);
  for (std::size_t h = 0; h < m; ++h) herb_entropy[h] = PresenceEntropy(r.frequency[h], n);
  // Cell counts from the supports of every subset (Möbius inversion over supersets), then
  // the total correlation.
  auto offer = [&](const std::array<std::size_t, 4>& h, std::int64_t support) {
    ++r.qualifying;
    for (std::size_t mask = 0; mask < cells_count; ++mask) {
      std::size_t in[4], count = 0;
      for (int i = 0; i < k; ++i)
        if (mask & (std::size_t{1} << i)) in[count++] = h[static_cast<std::size_t>(i)];
      switch (count) {
        case 0: cells[mask] = n; break;
        case 1: cells[mask] = r.frequency[in[0]]; break;
        case 2: cells[mask] = together[in[0] * m + in[1]]; break;
        case 3: cells[mask] = k == 3 ? support : triples.at(triple_key(in[0], in[1], in[2])); break;
        default: cells[mask] = support; break;
      }
    }
    for (int i = 0; i < k; ++i)
      for (std::size_t mask = 0; mask < cells_count; ++mask)
        if (!(mask & (std::size_t{1} << i))) cells[mask] -= cells[mask | (std::size_t{1} << i)];
    std::array<double, 4> singles{};
    for (int i = 0; i < k; ++i)
      singles[static_cast<std::size_t>(i)] = herb_entropy[h[static_cast<std::size_t>(i)]];
    CoreCombination combo{h, k, support,
                          TotalCorrelationOf(singles, k, cells.data(), cells_count, n)};
    if (best.size() < static_cast<std::size_t>(options.keep)) {
      best.push(combo);
    } else if (CoreRankBefore(combo, best.top())) {
      best.pop();
      best.push(combo);
    }
  };
  std::vector<std::uint64_t> t2(words), t3(words);
  // The words of a triple's set that hold a formula: the fourth herb is tested on those only.
  std::vector<std::uint32_t> t3_words;
  std::vector<std::uint64_t> t3_bits;
  std::vector<std::size_t> fourth;  // the herbs after c linked to a, b and c
  std::vector<std::int64_t> fourth_support;
  for (int pass = k == 3 ? 1 : 0; pass < 2; ++pass)
    for (std::size_t a = 0; a < m; ++a)
      for (std::size_t b = a + 1; b < m; ++b) {
        if (!linked[a * m + b]) continue;
        and_into(row_of(a), row_of(b), t2.data());
        for (std::size_t c = b + 1; c < m; ++c) {
          if (!linked[a * m + c] || !linked[b * m + c]) continue;
          if (pass == 0) {
            // Every triple inside a quadruple that qualifies qualifies itself.
            const std::int64_t support = and_count(t2.data(), row_of(c));
            if (support >= s) triples[triple_key(a, b, c)] = support;
            continue;
          }
          const std::int64_t support = and_into(t2.data(), row_of(c), t3.data());
          if (support < s) continue;
          if (k == 3) {
            offer({a, b, c, 0}, support);
            continue;
          }
          t3_words.clear();
          t3_bits.clear();
          for (std::size_t w = 0; w < words; ++w)
            if (t3[w]) {
              t3_words.push_back(static_cast<std::uint32_t>(w));
              t3_bits.push_back(t3[w]);
            }
          fourth.clear();
          for (std::size_t d = c + 1; d < m; ++d)
            if (linked[a * m + d] && linked[b * m + d] && linked[c * m + d]) fourth.push_back(d);
          fourth_support.resize(fourth.size());
          CoreSparseCounts(t3_words.data(), t3_bits.data(), t3_words.size(), bits.data(), words,
                           fourth.data(), fourth.size(), fourth_support.data());
          for (std::size_t i = 0; i < fourth.size(); ++i)
            if (fourth_support[i] >= s) offer({a, b, c, fourth[i]}, fourth_support[i]);
        }
      }
  while (!best.empty()) {
    r.kept.push_back(best.top());
    best.pop();
  }
  std::reverse(r.kept.begin(), r.kept.end());
  return r;
}

void LibrarySets::Add(std::string name, std::string_view composition) {
  // As Split(composition, "、") and Unique: every piece but the empty ones, once.
  const std::size_t first = herbs.size();
  constexpr std::string_view kSeparator = "、";
  for (std::size_t pos = 0;;) {
    const std::size_t hit = composition.find(kSeparator, pos);
    const std::string_view piece =
        composition.substr(pos, hit == std::string_view::npos ? hit : hit - pos);
    if (!piece.empty()) herbs.push_back(Number(piece));
    if (hit == std::string_view::npos) break;
    pos = hit + kSeparator.size();
  }
  Close(std::move(name), first);
}

void LibrarySets::Add(std::string name, const std::vector<std::string>& herb_names) {
  const std::size_t first = herbs.size();
  for (const std::string& h : herb_names)
    if (!h.empty()) herbs.push_back(Number(h));
  Close(std::move(name), first);
}

std::uint32_t LibrarySets::Number(std::string_view herb) {
  if (auto it = id.find(herb); it != id.end()) return it->second;
  const std::string_view kept = texts.emplace_back(herb);
  return id.emplace(kept, static_cast<std::uint32_t>(id.size())).first->second;
}

void LibrarySets::Close(std::string name, std::size_t first) {
  std::sort(herbs.begin() + static_cast<std::ptrdiff_t>(first), herbs.end());
  herbs.erase(std::unique(herbs.begin() + static_cast<std::ptrdiff_t>(first), herbs.end()),
              herbs.end());
  names.push_back(std::move(name));
  start.push_back(herbs.size());
}

LibrarySets ReadLibrarySets(Session& session) {
  LibrarySets library;
  HerbList herbs(HerbListSource::ForSession(session));
  // The open library, counted as its result sets are.
  ForEachLine(FormulaDbFile(session), [&](const std::string& line) {
    if (Trim(line).empty()) return true;
    std::vector<std::string> fields = Split(line, "\t");
    if (fields.size() < 3) return true;
    library.Add(Trim(fields[0]), herbs.Of(fields[1]));
    return true;
  });
  return library;
}

void BuildCandidates(CoreAnalysis& r, const std::vector<FormulaHerbs>& library) {
  LibrarySets sets;
  for (const FormulaHerbs& f : library) sets.Add(f.name, f.sorted);
  BuildCandidates(r, sets);
}

void BuildCandidates(CoreAnalysis& r, const LibrarySets& library) {
  r.candidates.clear();
  r.library_size = library.names.size();
  const std::size_t n = r.kept.size();
  if (n == 0) return;
  auto set_of = [&](std::size_t i) {
    const CoreCombination& c = r.kept[i];
    return std::vector<std::size_t>(c.herbs.begin(), c.herbs.begin() + c.size);
  };
  DistanceMatrix d{n, std::vector<double>(n * n, 0)};
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) {
      const auto a = set_of(i), b = set_of(j);
      std::vector<std::size_t> both;
      std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
      const double sim =
          static_cast<double>(both.size()) / static_cast<double>(a.size() + b.size() - both.size());
      d.d[i * n + j] = d.d[j * n + i] = 1 - sim;
    }
  const Dendrogram tree = Agglomerate(d, Linkage::kAverage);
  // Merges whose average similarity is above the threshold, i.e. whose distance is below
  // 1 − threshold (average linkage never merges lower after higher).
  const double limit = 1 - r.options.merge_similarity;
  std::size_t merges = 0;
  while (merges < tree.merges.size() && tree.merges[merges].height < limit - 1e-12) ++merges;
  const std::vector<int> cluster = CutIntoClusters(tree, n - merges);
  const int count = n ? *std::max_element(cluster.begin(), cluster.end()) : 0;
  std::vector<CandidateFormula> candidates(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < n; ++i) {
    CandidateFormula& c = candidates[static_cast<std::size_t>(cluster[i] - 1)];
    c.combinations.push_back(i);
    for (std::size_t h : set_of(i)) c.herbs.push_back(h);
  }
  for (CandidateFormula& c : candidates) {
    std::sort(c.herbs.begin(), c.herbs.end());
    c.herbs.erase(std::unique(c.herbs.begin(), c.herbs.end()), c.herbs.end());
    std::vector<std::uint32_t> mine;
    for (std::size_t h : c.herbs)
      if (auto it = library.id.find(r.herbs[h]); it != library.id.end()) mine.push_back(it->second);
    std::sort(mine.begin(), mine.end());
    std::optional<std::size_t> best;
    double best_similarity = 0;
    for (std::size_t i = 0; i < library.names.size(); ++i) {
      std::size_t shared = 0;
      for (std::size_t x = 0, y = library.start[i]; x < mine.size() && y < library.start[i + 1];) {
        if (mine[x] < library.herbs[y])
          ++x;
        else if (library.herbs[y] < mine[x])
          ++y;
        else
          ++shared, ++x, ++y;
      }
      if (shared >= 3) ++c.library_with_three;
      const std::size_t all = c.herbs.size() + (library.start[i + 1] - library.start[i]) - shared;
      const double similarity = all ? static_cast<double>(shared) / static_cast<double>(all) : 0;
      if (!best || similarity > best_similarity ||
          (similarity == best_similarity && library.names[i] < library.names[*best])) {
        best = i;
        best_similarity = similarity;
      }
    }
    if (best && best_similarity > 0) {
      c.closest = library.names[*best];
      c.closest_similarity = best_similarity;
    }
  }
  // Candidates in the order of their best-ranked combination.
  std::sort(candidates.begin(), candidates.end(),
            [](const auto& a, const auto& b) { return a.combinations[0] < b.combinations[0]; });
  r.candidates = std::move(candidates);
}

AnalysisOutput OutputOf(const CoreAnalysis& r) {
  AnalysisOutput out;
  auto names = [&](auto begin, auto end) {
    std::vector<std::string> v;
    for (auto it = begin; it != end; ++it) v.push_back(r.herbs[*it]);
    return Join(v, "、");
  };
  ResultTable mi{"mutual-information",
                 "药物互信息",
                 {"药物甲", "药物乙", "频数甲", "频数乙", "共现频数", "期望共现频数", "互信息",
                  "标准化互信息", "关联"},
                 {}};
  const double n = static_cast<double>(r.formulas);
  for (const HerbPair& p : r.pairs)
    mi.rows.push_back({TableCell::Text(r.herbs[p.a]), TableCell::Text(r.herbs[p.b]),
                       TableCell::Number(static_cast<double>(r.frequency[p.a])),
                       TableCell::Number(static_cast<double>(r.frequency[p.b])),
                       TableCell::Number(static_cast<double>(p.together)),
                       TableCell::Number(n > 0 ? static_cast<double>(r.frequency[p.a]) *
                                                     static_cast<double>(r.frequency[p.b]) / n
                                               : 0,
                                         2),
                       TableCell::Number(p.info.mi, 6), TableCell::Number(p.info.normalised, 6),
                       TableCell::Text(p.linked ? "是" : "否")});
  ResultTable core{"core-combinations",
                   "核心组合",
                   {"排名", "核心组合", "支持度（方剂数）", "总相关（比特）"},
                   {}};
  for (std::size_t i = 0; i < r.kept.size(); ++i) {
    const CoreCombination& c = r.kept[i];
    core.rows.push_back({TableCell::Number(static_cast<double>(i + 1)),
                         TableCell::Text(names(c.herbs.begin(), c.herbs.begin() + c.size)),
                         TableCell::Number(static_cast<double>(c.support)),
                         TableCell::Number(c.total_correlation, 6)});
  }
  ResultTable cand{"candidate-formulas",
                   "新方候选",
                   {"候选", "药物", "来源核心组合", "含其中≥3味的方剂数", "最相似方剂", "相似度"},
                   {}};
  for (std::size_t i = 0; i < r.candidates.size(); ++i) {
    const CandidateFormula& c = r.candidates[i];
    std::vector<std::string> ranks;
    for (std::size_t k : c.combinations) ranks.push_back(std::to_string(k + 1));
    cand.rows.push_back({TableCell::Number(static_cast<double>(i + 1)),
                         TableCell::Text(names(c.herbs.begin(), c.herbs.end())),
                         TableCell::Text(Join(ranks, "、")),
                         TableCell::Number(static_cast<double>(c.library_with_three)),
                         TableCell::Text(c.closest), TableCell::Number(c.closest_similarity, 4)});
  }
  out.tables = {std::move(mi), std::move(core), std::move(cand)};
  const CoreOptions& o = r.options;
  out.summary = "符合条件的 " + std::to_string(o.size) + " 味核心组合 " +
                std::to_string(r.qualifying) + " 个，保留 " + std::to_string(r.kept.size()) +
                " 个，合并为新方候选 " + std::to_string(r.candidates.size()) + " 个";
  const std::string sim = FixedDecimals(o.merge_similarity, 2);
  out.methods_zh =
      "以结果集 " + std::to_string(r.formulas) +
      " 首方剂中各药的有无为二值变量，熵以比特计（经验频率，0·log0 = 0）。两药的互信息 I(A;B) = "
      "Σ p(a,b) log₂[p(a,b)/(p(a)p(b))]（对四个格求和），标准化互信息为 "
      "I/min(H(A),H(B))；互信息表列出出现于至少 " +
      std::to_string(o.min_support) + " 首方剂的 " + std::to_string(r.herbs.size()) +
      " 味药的全部药对。核心组合为 " + std::to_string(o.size) + " 味药的组合，要求同时出现于至少 " +
      std::to_string(o.min_support) +
      " 首方剂（支持度计数），且其中每一药对都通过关联检验：共现频数至少 " +
      std::to_string(o.min_support) +
      "、高于随机期望 "
      "n_a·n_b/N（互信息也计入相互回避的药对，故须共现多于期望），标准化互信息不低于 " +
      FixedDecimals(o.min_association, 4) + "（互信息表“关联”列）" +
      "，按总相关 C(X) = ΣH(Xᵢ) − H(X₁,…,X_k) "
      "降序排列，相同时依次按支持度降序、药物顺序（频数降序，再按字符编码）排列，保留前 " +
      std::to_string(o.keep) + " 个（符合条件者共 " + std::to_string(r.qualifying) +
      " 个）。新方候选：以药物集合的 Jaccard "
      "相似度对保留的核心组合作平均连接聚类，类间平均相似度大于 " +
      sim +
      " 时合并，每类药物的并集为一个候选；对每个候选统计方剂库中含其中至少 3 味药的方剂数，并给出 "
      "Jaccard 相似度最高的现有方剂（相同时按名称）。";
  out.methods_en =
      "Each herb's presence in the " + std::to_string(r.formulas) +
      " formulas of the result set is a binary variable; entropies are empirical, in bits "
      "(0·log 0 = 0). The mutual information of two herbs is I(A;B) = Σ p(a,b) log₂ "
      "p(a,b)/(p(a)p(b)) over the four cells, normalised as I/min(H(A),H(B)); the table lists "
      "every pair of the " +
      std::to_string(r.herbs.size()) + " herbs in at least " + std::to_string(o.min_support) +
      " formulas. Core combinations are sets of " + std::to_string(o.size) +
      " herbs found together in at least " + std::to_string(o.min_support) +
      " formulas (support count) whose every pair passes the link test: found together in at "
      "least " +
      std::to_string(o.min_support) +
      " formulas and more often than chance predicts (observed above expected n_a·n_b/N, since "
      "mutual information also counts avoidance), with a normalised mutual information of at "
      "least " +
      FixedDecimals(o.min_association, 4) + " (column 关联 of the mutual information table)" +
      ", ranked by total correlation C(X) = Σ H(Xᵢ) − H(X₁,…,X_k), ties by support and then herb "
      "order (frequency descending, then code point); the first " +
      std::to_string(o.keep) + " of " + std::to_string(r.qualifying) +
      " are kept. Candidate new formulas are the unions of the clusters of the kept "
      "combinations under average-linkage clustering on the Jaccard similarity of their herb "
      "sets, merging while the average similarity exceeds " +
      sim +
      "; for each candidate the number of library formulas holding at least three of its herbs "
      "and the library formula with the highest Jaccard similarity (ties by name) are given.";
  return out;
}

Outcome RunCoreCombinations(Session& session, const CoreOptions& options, CoreAnalysis& result,
                            AnalysisOutput& output) {
  if (std::string problem = CheckCoreOptions(options); !problem.empty())
    return Refuse(session, problem);
  return Guard(session, [&]() -> Outcome {
    if (Outcome o = RequireResultData(session); o != Outcome::kDone) return o;
    Transactions t = HerbTransactionsOfResultSet(session);
    if (t.N() == 0 || t.names.empty()) return Refuse(session, kNoDataMessage);
    CoreAnalysis r = FindCoreCombinations(t, options);
    if (r.too_many_herbs)
      return Refuse(session, "出现于至少 " + std::to_string(options.min_support) +
                                 " 首方剂的药物有 " + std::to_string(r.too_many_herbs) +
                                 " 味，超过 " + std::to_string(kMaxCoreHerbs) +
                                 " 味的上限；请提高最小支持度。");
    if (r.herbs.size() < static_cast<std::size_t>(options.size))
      return Refuse(session, "出现于至少 " + std::to_string(options.min_support) +
                                 " 首方剂的药物不足 " + std::to_string(options.size) +
                                 " 味，无法寻找核心组合；请降低最小支持度。");
    // Without a library the candidates are still found, only not compared.
    const bool library = !r.kept.empty() && std::filesystem::exists(FormulaDbFile(session));
    BuildCandidates(r, library ? ReadLibrarySets(session) : LibrarySets{});
    AnalysisOutput out = OutputOf(r);
    if (!library && !r.kept.empty()) out.summary += "（未找到方剂库，候选未与现有方剂比较）";
    const std::filesystem::path folder = session.Path("\\Result");
    // The three files of one run are published together: all new or all old.
    AtomicFileSet files;
    files.Add(folder / kMutualInformationCsv).WriteBytes(CsvText(CsvOf(out.tables[0])));
    files.Add(folder / kCoreCombinationCsv).WriteBytes(CsvText(CsvOf(out.tables[1])));
    files.Add(folder / kCandidateCsv).WriteBytes(CsvText(CsvOf(out.tables[2])));
    files.Commit();
    out.files = {std::string("\\Result\\") + kMutualInformationCsv,
                 std::string("\\Result\\") + kCoreCombinationCsv,
                 std::string("\\Result\\") + kCandidateCsv};
    result = std::move(r);
    output = std::move(out);
    return Outcome::kDone;
  });
}

AnalysisDescriptor CoreCombinationsDescriptor() {
  AnalysisDescriptor d;
  d.key = "core-combinations";
  d.caption = "核心组合";
  // A tab of the clustering window, which the herb clustering's menu entry opens.
  d.options = {
      {"min-support", "最小支持度（方剂数）", AnalysisOption::Kind::kWhole, "3", 1, 1e9, {}},
      {"min-association", "最小关联度", AnalysisOption::Kind::kDecimal, "0.1", 0, 1, {}},
      {"size", "药味数", AnalysisOption::Kind::kChoice, "3", 0, 0, {"3", "4"}},
      {"keep", "保留组合数", AnalysisOption::Kind::kWhole, "20", 1, 100000, {}},
      {"merge-similarity", "候选合并相似度", AnalysisOption::Kind::kDecimal, "0.4", 0, 0.99, {}},
  };
  d.files = {std::string("\\Result\\") + kMutualInformationCsv,
             std::string("\\Result\\") + kCoreCombinationCsv,
             std::string("\\Result\\") + kCandidateCsv};
  d.usage =
      "core-combinations [--min-support S] [--min-association R] [--size 3|4] [--keep K] "
      "[--merge-similarity T]";
  d.help =
      "finds combinations of 3 or 4 herbs of the current result set together in at least S "
      "formulas (default 3) whose every pair occurs together more often than chance and has a "
      "normalised mutual information of at least R (default 0.1), ranked by total correlation (the "
      "first K, default 20), merges them into "
      "candidate new formulas (clusters whose average Jaccard similarity exceeds T, default 0.4), "
      "writes 药物互信息.csv, 核心组合.csv and 新方候选.csv to \\Result\\ "
      "and prints them";
  d.report_title = "核心组合与新方候选";
  d.run = [d](Session& session, const OptionValues& values, AnalysisOutput& output) {
    OptionValues v = values;
    if (std::string problem = CompleteOptions(d, v); !problem.empty())
      return Refuse(session, problem);
    CoreOptions o;
    o.min_support = WholeOption(v, "min-support");
    o.min_association = DecimalOption(v, "min-association");
    o.size = v["size"] == "4" ? 4 : 3;
    o.keep = static_cast<int>(WholeOption(v, "keep"));
    o.merge_similarity = DecimalOption(v, "merge-similarity");
    CoreAnalysis result;
    return RunCoreCombinations(session, o, result, output);
  };
  return d;
}

}  // namespace lindora
