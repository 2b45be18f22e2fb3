#include "stats/association_rules.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <utility>

namespace lindora {
namespace {

using Int128 = __int128;
using UInt128 = unsigned __int128;

constexpr int kMaxDigits = 9;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsWhole(const Decimal& d) {
  return d.denominator == 1;
}

// a/b compared with c/d, all non-negative and b, d positive.
int CompareFractions(Int128 a, Int128 b, Int128 c, Int128 d) {
  Int128 left = a * d, right = c * b;
  return left < right ? -1 : left > right ? 1 : 0;
}

std::string ToDecimalText(UInt128 v) {
  std::string s;
  do {
    s.push_back(static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  } while (v != 0);
  std::reverse(s.begin(), s.end());
  return s;
}

// ---- the miner: Eclat on transaction-id sets ------------------------------------------------

// The transactions that hold an itemset. A set that holds more than one transaction in 64 is
// kept as a bit set (at most twice the size of the list, and much faster to intersect), a rarer
// one as a sorted list of ids.
struct TidSet {
  std::int64_t count = 0;
  std::vector<std::uint64_t> bits;
  std::vector<std::uint32_t> tids;
  bool Dense() const { return !bits.empty(); }
};

// The two loops that take most of the mining time. Every x86-64 processor of the last fifteen
// years counts bits in one instruction, but the baseline target does not assume it: a clone for
// it is chosen when the program starts.
__attribute__((target_clones("popcnt", "default"))) std::int64_t AndCount(const std::uint64_t* a,
                                                                          const std::uint64_t* b,
                                                                          std::size_t words) {
  std::int64_t c = 0;
  for (std::size_t w = 0; w < words; ++w) c += std::popcount(a[w] & b[w]);
  return c;
}

__attribute__((target_clones("popcnt", "default"))) std::int64_t AndInto(const std::uint64_t* a,
                                                                         const std::uint64_t* b,
                                                                         std::uint64_t* out,
                                                                         std::size_t words) {
  std::int64_t c = 0;
  for (std::size_t w = 0; w < words; ++w) {
    out[w] = a[w] & b[w];
    c += std::popcount(out[w]);
  }
  return c;
}

// An itemset as the miner finds it: ids of the mining order, ascending. The same type as the
// result, so the list is turned into the result in place rather than copied.
using Key = Itemset;

// The places of the pairs in the list of itemsets by their two items: open addressing, at most
// half full.
class PairPlaces {
 public:
  explicit PairPlaces(std::size_t at_most) {
    std::size_t size = 16;
    shift_ = 60;
    while (size < 2 * at_most) {
      size *= 2;
      --shift_;
    }
    slots_.assign(size, {0, 0});
  }
  std::uint32_t& Add(std::uint32_t a, std::uint32_t b) {
    const std::uint64_t key = Key(a, b);
    std::size_t i = Hash(key);
    while (slots_[i].first != 0) i = (i + 1) & (slots_.size() - 1);
    slots_[i].first = key;
    return slots_[i].second;
  }
  // The pair must have been added.
  std::uint32_t Find(std::uint32_t a, std::uint32_t b) const {
    const std::uint64_t key = Key(a, b);
    std::size_t i = Hash(key);
    while (slots_[i].first != key) i = (i + 1) & (slots_.size() - 1);
    return slots_[i].second;
  }

 private:
  static std::uint64_t Key(std::uint32_t a, std::uint32_t b) {
    return (std::uint64_t{a} << 32 | b) + 1;  // 0 marks an empty slot
  }
  std::size_t Hash(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  int shift_;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> slots_;  // key, place
};

// The itemsets of three items by their items: open addressing of their places in the list, at
// most half full. An antecedent of three herbs is found at once.
class TripleIndex {
 public:
  TripleIndex(const std::vector<Itemset>& list, std::size_t at_most) : list_(list) {
    std::size_t size = 16;
    shift_ = 60;
    while (size < 2 * at_most) {
      size *= 2;
      --shift_;
    }
    slots_.assign(size, 0);
  }
  void Add(std::uint32_t place) {
    std::size_t i = Hash(list_[place]);
    while (slots_[i] != 0) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = place + 1;
  }
  // The count of the itemset, which must have been added.
  std::int64_t Count(const Itemset& k) const {
    std::size_t i = Hash(k);
    for (;; i = (i + 1) & (slots_.size() - 1)) {
      const Itemset& s = list_[slots_[i] - 1];
      if (s.items[0] == k.items[0] && s.items[1] == k.items[1] && s.items[2] == k.items[2])
        return s.count;
    }
  }

 private:
  std::size_t Hash(const Itemset& k) const {
    const std::uint64_t key = (std::uint64_t{k.items[0]} << 42) ^
                              (std::uint64_t{k.items[1]} << 21) ^ std::uint64_t{k.items[2]};
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  const std::vector<Itemset>& list_;
  int shift_;
  std::vector<std::uint32_t> slots_;  // place + 1, 0 for an empty slot
};

class Miner {
 public:
  Miner(const Transactions& t, const std::vector<std::int64_t>& mining_id, std::size_t frequent,
        std::int64_t min_count, int max_size, std::size_t max_itemsets)
      : n_(t.N()),
        words_((n_ + 63) / 64),
        min_count_(min_count),
        max_size_(max_size),
        max_itemsets_(max_itemsets),
        t_(t),
        mining_id_(mining_id),
        row_length_(std::max<std::size_t>(1, t.items.size() / std::max<std::size_t>(1, n_))),
        frequent_(frequent),
        class_pos_{std::vector<std::int32_t>(frequent, -1), std::vector<std::int32_t>(frequent, -1),
                   std::vector<std::int32_t>(frequent, -1)} {}

  bool WantsBits(std::int64_t count) const { return static_cast<std::size_t>(count) * 64 > n_; }

  std::vector<std::uint64_t> EmptyBits() const { return std::vector<std::uint64_t>(words_, 0); }

  std::int64_t Count(const TidSet& a, const TidSet& b) const {
    if (a.Dense() && b.Dense()) return AndCount(a.bits.data(), b.bits.data(), words_);
    if (a.Dense() || b.Dense()) {
      const TidSet& dense = a.Dense() ? a : b;
      const TidSet& sparse = a.Dense() ? b : a;
      std::int64_t c = 0;
      for (std::uint32_t t : sparse.tids) c += (dense.bits[t >> 6] >> (t & 63)) & 1;
      return c;
    }
    // Branch-free steps: which list advances is unpredictable.
    std::int64_t c = 0;
    const std::uint32_t *i = a.tids.data(), *i_end = i + a.tids.size();
    const std::uint32_t *j = b.tids.data(), *j_end = j + b.tids.size();
    while (i != i_end && j != j_end) {
      const std::uint32_t x = *i, y = *j;
      c += x == y;
      i += x <= y;
      j += y <= x;
    }
    return c;
  }

  // The set of an itemset, or only its count when that is below the minimum.
  TidSet Intersect(const TidSet& a, const TidSet& b) {
    TidSet out;
    if (a.Dense() && b.Dense()) {
      scratch_.resize(words_);
      out.count = AndInto(a.bits.data(), b.bits.data(), scratch_.data(), words_);
      if (out.count < min_count_) return out;
      if (WantsBits(out.count)) {
        out.bits = scratch_;
      } else {
        out.tids.reserve(static_cast<std::size_t>(out.count));
        for (std::size_t w = 0; w < words_; ++w)
          for (std::uint64_t x = scratch_[w]; x; x &= x - 1)
            out.tids.push_back(static_cast<std::uint32_t>(w * 64 + std::countr_zero(x)));
      }
      return out;
    }
    if (a.Dense() || b.Dense()) {
      const TidSet& dense = a.Dense() ? a : b;
      const TidSet& sparse = a.Dense() ? b : a;
      for (std::uint32_t t : sparse.tids)
        if ((dense.bits[t >> 6] >> (t & 63)) & 1) out.tids.push_back(t);
    } else {
      out.tids.resize(std::min(a.tids.size(), b.tids.size()));
      std::uint32_t* o = out.tids.data();
      const std::uint32_t *i = a.tids.data(), *i_end = i + a.tids.size();
      const std::uint32_t *j = b.tids.data(), *j_end = j + b.tids.size();
      while (i != i_end && j != j_end) {
        const std::uint32_t x = *i, y = *j;
        *o = x;
        o += x == y;
        i += x <= y;
        j += y <= x;
      }
      out.tids.resize(static_cast<std::size_t>(o - out.tids.data()));
    }
    out.count = static_cast<std::int64_t>(out.tids.size());
    return out;
  }

  using Class = std::vector<std::pair<std::uint32_t, TidSet>>;

  // Every frequent itemset that extends `prefix` (of `depth` items) by one of the siblings and
  // then by later siblings only.
  void Mine(Key prefix, int depth, const Class& siblings) {
    const bool extended = depth + 1 < max_size_;
    if (extended) {
      for (std::size_t j = 0; j < siblings.size(); ++j)
        class_pos_[depth][siblings[j].first] = static_cast<std::int32_t>(j);
    }
    MineClass(prefix, depth, siblings);
    if (extended) {
      for (const auto& sibling : siblings) class_pos_[depth][sibling.first] = -1;
    }
  }

  void MineClass(Key prefix, int depth, const Class& siblings) {
    for (std::size_t i = 0; i < siblings.size() && !too_many_; ++i) {
      const auto& [item, set] = siblings[i];
      prefix.items[depth] = item;
      Emit(prefix, depth + 1, set.count);
      if (depth + 1 == max_size_) continue;
      if (depth + 2 == max_size_) {
        // The last level needs counts only, no sets. A short list of transactions is cheaper
        // to read row by row, counting every later sibling at once, than to intersect with
        // each sibling in turn.
        const bool by_rows = ByRows(set, siblings, i);
        if (by_rows) CountByRows(set, siblings, i, depth);
        for (std::size_t j = i + 1; j < siblings.size() && !too_many_; ++j) {
          std::int64_t c = by_rows ? tally_[j] : Count(set, siblings[j].second);
          if (c < min_count_) continue;
          prefix.items[depth + 1] = siblings[j].first;
          Emit(prefix, depth + 2, c);
        }
        continue;
      }
      Class children;
      if (ByRows(set, siblings, i)) {
        DeliverByRows(set, siblings, i, depth, children);
      } else {
        for (std::size_t j = i + 1; j < siblings.size(); ++j) {
          TidSet s = Intersect(set, siblings[j].second);
          if (s.count >= min_count_) children.emplace_back(siblings[j].first, std::move(s));
        }
      }
      Mine(prefix, depth + 1, children);
    }
  }

  // Whether reading the rows of the short list of sibling i is cheaper than a merge with each
  // later sibling: a row is read only as far as its items come after sibling i.
  bool ByRows(const TidSet& set, const Class& siblings, std::size_t i) const {
    if (set.Dense()) return false;
    const std::size_t later = siblings.size() - i - 1;
    const std::size_t items_after = frequent_ - 1 - siblings[i].first;
    return later * 2 * frequent_ >= row_length_ * items_after;
  }

  std::vector<Key>& keys() { return keys_; }
  bool too_many() const { return too_many_; }

 private:
  // tally_[j]: the transactions of `set` that hold sibling j, for every j after `i`.
  void CountByRows(const TidSet& set, const Class& siblings, std::size_t i, int depth) {
    if (row_offsets_.empty()) BuildRows();
    tally_.assign(siblings.size(), 0);
    // The rows are in mining order, and so are the siblings: the later siblings are at the end.
    const std::uint32_t after = siblings[i].first;
    const std::vector<std::int32_t>& class_pos = class_pos_[depth];
    for (std::uint32_t tid : set.tids) {
      const std::uint32_t* first = rows_.data() + row_offsets_[tid];
      for (const std::uint32_t* m = rows_.data() + row_offsets_[tid + 1]; m != first;) {
        if (*--m <= after) break;
        const std::int32_t pos = class_pos[*m];
        if (pos >= 0) ++tally_[static_cast<std::size_t>(pos)];
      }
    }
  }

  // The sets of the frequent extensions of sibling i by later siblings, each transaction of its
  // short list handed to the siblings its row holds: one pass over the rows instead of a merge
  // with every sibling's much longer list.
  void DeliverByRows(const TidSet& set, const Class& siblings, std::size_t i, int depth,
                     Class& children) {
    CountByRows(set, siblings, i, depth);
    slot_.assign(siblings.size(), -1);
    for (std::size_t j = i + 1; j < siblings.size(); ++j) {
      if (tally_[j] < min_count_) continue;
      slot_[j] = static_cast<std::int32_t>(children.size());
      children.emplace_back(siblings[j].first, TidSet{});
      children.back().second.count = tally_[j];
      children.back().second.tids.reserve(static_cast<std::size_t>(tally_[j]));
    }
    if (children.empty()) return;
    const std::uint32_t after = siblings[i].first;
    const std::vector<std::int32_t>& class_pos = class_pos_[depth];
    // Ascending transactions, so every list comes out sorted.
    for (std::uint32_t tid : set.tids) {
      const std::uint32_t* first = rows_.data() + row_offsets_[tid];
      for (const std::uint32_t* m = rows_.data() + row_offsets_[tid + 1]; m != first;) {
        if (*--m <= after) break;
        const std::int32_t pos = class_pos[*m];
        if (pos < 0) continue;
        const std::int32_t s = slot_[static_cast<std::size_t>(pos)];
        if (s >= 0) children[static_cast<std::size_t>(s)].second.tids.push_back(tid);
      }
    }
  }

  // The frequent items of every transaction as ascending mining ids.
  void BuildRows() {
    row_offsets_.reserve(n_ + 1);
    row_offsets_.push_back(0);
    for (std::size_t tid = 0; tid < n_; ++tid) {
      const std::size_t start = rows_.size();
      for (ItemId id : t_.Row(tid))
        if (mining_id_[id] >= 0) rows_.push_back(static_cast<std::uint32_t>(mining_id_[id]));
      std::sort(rows_.begin() + static_cast<std::ptrdiff_t>(start), rows_.end());
      row_offsets_.push_back(rows_.size());
    }
  }

  void Emit(Key k, int size, std::int64_t count) {
    for (int i = size; i < 4; ++i) k.items[i] = 0;
    k.size = size;
    k.count = count;
    keys_.push_back(k);
    if (keys_.size() > max_itemsets_) too_many_ = true;
  }

  std::size_t n_, words_;
  std::int64_t min_count_;
  int max_size_;
  std::size_t max_itemsets_;
  std::vector<Key> keys_;
  std::vector<std::uint64_t> scratch_;
  const Transactions& t_;
  const std::vector<std::int64_t>& mining_id_;  // by item id; -1 for an infrequent item
  std::size_t row_length_;                      // items of an average transaction
  std::size_t frequent_;                        // frequent items
  // By depth of the class, by mining id: place in the class, -1 for none.
  std::array<std::vector<std::int32_t>, 3> class_pos_;
  std::vector<std::int32_t> slot_;   // by place in the class: index among the children
  std::vector<std::uint32_t> rows_;  // see BuildRows
  std::vector<std::size_t> row_offsets_;
  std::vector<std::int64_t> tally_;
  bool too_many_ = false;
};

// The order of the names and of texts joined from them by "、", as ranks (equal names, equal
// ranks). No name holds "、", so a name followed by "、" never begins another name followed by
// "、": comparing two joined texts is comparing their names one by one in this order, the
// shorter list first when one begins the other.
struct NameRanks {
  std::vector<std::uint32_t> name, joined;  // by item id
  int CompareJoined(const ItemId* a, int a_size, const ItemId* b, int b_size) const {
    for (int i = 0; i < a_size && i < b_size; ++i)
      if (joined[a[i]] != joined[b[i]]) return joined[a[i]] < joined[b[i]] ? -1 : 1;
    return (a_size > b_size) - (a_size < b_size);
  }
};

std::vector<std::uint32_t> Ranks(const std::vector<std::string>& texts) {
  std::vector<std::uint32_t> order(texts.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return texts[a] < texts[b]; });
  std::vector<std::uint32_t> rank(texts.size());
  for (std::size_t i = 0, r = 0; i < order.size(); ++i) {
    if (i && texts[order[i]] != texts[order[i - 1]]) ++r;
    rank[order[i]] = static_cast<std::uint32_t>(r);
  }
  return rank;
}

std::optional<NameRanks> RankNames(const Transactions& t) {
  std::vector<std::string> joined;
  joined.reserve(t.names.size());
  for (const std::string& name : t.names) {
    if (name.find("、") != std::string::npos) return std::nullopt;
    joined.push_back(name + "、");
  }
  return NameRanks{Ranks(t.names), Ranks(joined)};
}

// Puts v[order[i]] at place i, following the cycles of the permutation, so a long list is not
// copied; `order` is used up.
template <class T>
void Permute(std::vector<T>& v, std::vector<std::uint32_t>& order) {
  for (std::uint32_t i = 0; i < order.size(); ++i) {
    if (order[i] == i) continue;
    T first = v[i];
    std::uint32_t j = i;
    while (order[j] != i) {
      const std::uint32_t k = order[j];
      v[j] = v[k];
      order[j] = j;
      j = k;
    }
    v[j] = first;
    order[j] = j;
  }
}

// Sorts by the low `bits` bits of the keys, eleven bits a pass from the lowest; equal keys keep
// their order.
template <class T, class KeyOf>
void RadixSort(std::vector<T>& keys, int bits, KeyOf key_of) {
  constexpr int kDigit = 11;
  constexpr std::uint64_t kMask = (std::uint64_t{1} << kDigit) - 1;
  std::vector<T> other(keys.size());
  std::vector<std::size_t> start(std::size_t{1} << kDigit);
  for (int shift = 0; shift < bits; shift += kDigit) {
    std::fill(start.begin(), start.end(), 0);
    for (const T& k : keys) ++start[(key_of(k) >> shift) & kMask];
    std::size_t sum = 0;
    for (std::size_t& s : start) sum += std::exchange(s, sum);
    for (const T& k : keys) other[start[(key_of(k) >> shift) & kMask]++] = k;
    keys.swap(other);
  }
}

// The order of the itemsets sorted as numbers: size, count descending and the ranks of the
// names packed into 64 bits, which a sort compares in one step instead of item by item. False,
// with the list untouched, when they do not fit.
bool SortItemsetsByKeys(std::vector<Itemset>& itemsets, const NameRanks& ranks, std::int64_t n) {
  const int rank_bits = std::bit_width(ranks.joined.size());  // rank + 1, 0 for no item
  const int count_bits = std::bit_width(static_cast<std::uint64_t>(n));
  if (3 + count_bits + 4 * rank_bits > 64 || itemsets.size() >= (std::size_t{1} << 32))
    return false;
  auto key_of = [&](const Itemset& s) {
    std::uint64_t k =
        static_cast<std::uint64_t>(s.size) << count_bits | static_cast<std::uint64_t>(n - s.count);
    for (int j = 0; j < 4; ++j)
      k = k << rank_bits | (j < s.size ? ranks.joined[s.items[j]] + 1u : 0u);
    return k;
  };
  const int key_bits = 3 + count_bits + 4 * rank_bits;
  const int index_bits = std::bit_width(itemsets.size());
  std::vector<std::uint32_t> order(itemsets.size());
  if (key_bits + index_bits <= 64) {
    // The place rides below the key: half the memory of pairs.
    std::vector<std::uint64_t> keys(itemsets.size());
    for (std::uint32_t i = 0; i < itemsets.size(); ++i)
      keys[i] = key_of(itemsets[i]) << index_bits | i;
    RadixSort(keys, key_bits + index_bits, [](std::uint64_t k) { return k; });
    const std::uint64_t mask = (std::uint64_t{1} << index_bits) - 1;
    for (std::size_t i = 0; i < keys.size(); ++i)
      order[i] = static_cast<std::uint32_t>(keys[i] & mask);
  } else {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keys(itemsets.size());
    for (std::uint32_t i = 0; i < itemsets.size(); ++i) keys[i] = {key_of(itemsets[i]), i};
    RadixSort(keys, key_bits, [](const auto& k) { return k.first; });
    for (std::size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].second;
  }
  Permute(itemsets, order);
  return true;
}

// The rules sorted on small records: the confidence as a double, the lift as its two integers,
// the texts as packed ranks. Two confidences of counts below 2^26 differ by more than 2^-52
// unless equal, and a quotient is rounded once, to the nearest of doubles 2^-53 apart or
// closer: equal doubles are equal fractions, and unequal ones are ordered as the fractions are.
// False, with the rules untouched, when the counts or the ranks are too large for that.
bool SortRulesByKeys(std::vector<Rule>& rules, const NameRanks& ranks, std::int64_t n) {
  const int rank_bits = std::bit_width(ranks.joined.size());
  if (n >= (std::int64_t{1} << 26) || 4 * rank_bits > 64 || rules.size() >= (std::size_t{1} << 32))
    return false;
  struct RuleKey {
    double confidence;
    std::uint64_t lift_denominator;  // lift = count × N / this
    std::uint64_t texts;
    std::uint32_t count, index;
  };
  std::vector<RuleKey> keys(rules.size());
  for (std::uint32_t i = 0; i < rules.size(); ++i) {
    const Rule& r = rules[i];
    std::uint64_t texts = 0;
    for (int j = 0; j < 3; ++j)
      texts =
          texts << rank_bits | (j < r.antecedent_size ? ranks.joined[r.antecedent[j]] + 1u : 0u);
    texts = texts << rank_bits | ranks.name[r.consequent];
    keys[i] = {static_cast<double>(r.count) / static_cast<double>(r.antecedent_count),
               static_cast<std::uint64_t>(r.antecedent_count * r.consequent_count), texts,
               static_cast<std::uint32_t>(r.count), i};
  }
  std::sort(keys.begin(), keys.end(), [](const RuleKey& a, const RuleKey& b) {
    if (a.confidence != b.confidence) return a.confidence > b.confidence;
    if (a.count != b.count) return a.count > b.count;
    const UInt128 left = static_cast<UInt128>(a.count) * b.lift_denominator;
    const UInt128 right = static_cast<UInt128>(b.count) * a.lift_denominator;
    if (left != right) return left > right;
    return a.texts < b.texts;
  });
  std::vector<std::uint32_t> order(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].index;
  keys = {};
  Permute(rules, order);
  return true;
}

std::string JoinNames(const Transactions& t, const ItemId* ids, int size) {
  std::string s;
  for (int i = 0; i < size; ++i) {
    if (i) s += "、";
    s += t.names[ids[i]];
  }
  return s;
}

}  // namespace

std::optional<Decimal> ParseDecimal(std::string_view text) {
  text = TrimBlanks(text);
  std::size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  auto digits = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digits(whole) || !digits(fraction)) return std::nullopt;
  while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  if (whole.size() > kMaxDigits || fraction.size() > kMaxDigits) return std::nullopt;
  Decimal d;
  for (char c : whole) d.numerator = d.numerator * 10 + (c - '0');
  for (char c : fraction) {
    d.numerator = d.numerator * 10 + (c - '0');
    d.denominator *= 10;
  }
  return d;
}

ParsedThresholds ParseThresholds(std::string_view min_support, std::string_view min_confidence,
                                 std::string_view min_lift, std::string_view max_size) {
  ParsedThresholds out;
  RuleThresholds t;

  std::string_view support = TrimBlanks(min_support);
  t.min_support.percent = false;
  for (std::string_view sign : {"%", "％"}) {
    if (support.ends_with(sign)) {
      support.remove_suffix(sign.size());
      t.min_support.percent = true;
      break;
    }
  }
  std::optional<Decimal> s = ParseDecimal(support);
  bool support_ok =
      s && (t.min_support.percent ? s->numerator > 0 && s->numerator <= 100 * s->denominator
                                  : IsWhole(*s) && s->numerator >= 2);
  if (!support_ok) {
    out.message =
        "最小支持度应为百分比（大于 0% 且不超过 100%，如 10%）或方剂数（不小于 2 的整数，如 "
        "25）。";
    return out;
  }
  t.min_support.value = *s;

  std::optional<Decimal> c = ParseDecimal(min_confidence);
  if (!c || c->numerator > c->denominator) {
    out.message = "最小置信度应为 0 到 1 之间的数（如 0.6）。";
    return out;
  }
  t.min_confidence = *c;

  std::optional<Decimal> l = ParseDecimal(min_lift);
  if (!l) {
    out.message = "最小提升度应为不小于 0 的数（如 1.2）。";
    return out;
  }
  t.min_lift = *l;

  std::optional<Decimal> k = ParseDecimal(max_size);
  if (!k || !IsWhole(*k) || k->numerator < 2 || k->numerator > 4) {
    out.message = "最大规则长度应为 2、3 或 4。";
    return out;
  }
  t.max_size = static_cast<int>(k->numerator);
  out.thresholds = t;
  return out;
}

std::int64_t MinSupportCount(const MinSupport& min_support, std::int64_t n) {
  const Decimal& v = min_support.value;
  if (!min_support.percent) return v.numerator;
  Int128 num = static_cast<Int128>(v.numerator) * n;
  Int128 den = static_cast<Int128>(v.denominator) * 100;
  auto count = static_cast<std::int64_t>((num + den - 1) / den);
  return std::max<std::int64_t>(count, 2);
}

RuleMining MineRules(const Transactions& t, std::int64_t min_count, int max_size,
                     const Decimal& min_confidence, const Decimal& min_lift,
                     std::size_t max_itemsets) {
  RuleMining out;
  out.n = static_cast<std::int64_t>(t.N());
  out.min_count = min_count;
  max_size = std::clamp(max_size, 1, 4);
  min_count = std::max<std::int64_t>(min_count, 1);

  // Mining order: ascending support, the reverse of the display order, so that the rare items
  // open the search and their small classes prune it early.
  const std::vector<ItemId> display = t.ByFrequency();
  std::size_t frequent = 0;
  while (frequent < display.size() && t.frequency[display[frequent]] >= min_count) ++frequent;
  auto item_of = [&](std::uint32_t m) { return display[frequent - 1 - m]; };
  std::vector<std::int64_t> mining_id(t.names.size(), -1);
  for (std::uint32_t m = 0; m < frequent; ++m) mining_id[item_of(m)] = m;

  Miner miner(t, mining_id, frequent, min_count, max_size, max_itemsets);
  Miner::Class roots(frequent);
  for (std::uint32_t m = 0; m < frequent; ++m) {
    roots[m].first = m;
    TidSet& s = roots[m].second;
    s.count = t.frequency[item_of(m)];
    if (miner.WantsBits(s.count)) {
      s.bits = miner.EmptyBits();
    } else {
      s.tids.reserve(static_cast<std::size_t>(s.count));
    }
  }
  for (std::size_t tid = 0; tid < t.N(); ++tid) {
    for (ItemId id : t.Row(tid)) {
      std::int64_t m = mining_id[id];
      if (m < 0) continue;
      TidSet& s = roots[static_cast<std::size_t>(m)].second;
      if (s.Dense()) {
        s.bits[tid >> 6] |= std::uint64_t{1} << (tid & 63);
      } else {
        s.tids.push_back(static_cast<std::uint32_t>(tid));
      }
    }
  }
  miner.Mine(Key{}, 0, roots);
  roots = {};
  if (miner.too_many()) {
    out.too_many = true;
    return out;
  }
  const std::vector<Key>& keys = miner.keys();  // moved into the result at the end

  auto to_display = [&](const Key& k, ItemId* ids, int skip) {
    int n = 0;
    for (int i = k.size - 1; i >= 0; --i)
      if (i != skip) ids[n++] = item_of(k.items[i]);
    return n;
  };

  // Where the itemsets of one, two and three items lie in the list: every antecedent is found
  // at once.
  if (keys.size() >= (std::size_t{1} << 31)) {
    out.too_many = true;
    return out;
  }
  // The look-up tables live only while the rules are made.
  {
    std::vector<std::uint32_t> singles(frequent);
    PairPlaces pairs(static_cast<std::size_t>(
        std::count_if(keys.begin(), keys.end(), [](const Key& k) { return k.size == 2; })));
    TripleIndex triples(
        keys, static_cast<std::size_t>(std::count_if(keys.begin(), keys.end(),
                                                     [](const Key& k) { return k.size == 3; })));
    for (std::uint32_t i = 0; i < keys.size(); ++i) {
      const Key& k = keys[i];
      if (k.size == 1) singles[k.items[0]] = i;
      if (k.size == 2) pairs.Add(k.items[0], k.items[1]) = i;
      if (k.size == 3) triples.Add(i);
    }

    for (const Key& k : keys) {
      if (k.size < 2) continue;
      for (int y = 0; y < k.size; ++y) {
        Key x;
        for (int i = 0, n = 0; i < k.size; ++i)
          if (i != y) x.items[n++] = k.items[i];
        x.size = k.size - 1;
        // Every subset of a frequent itemset is frequent, so X is in the list.
        Rule r;
        r.count = k.count;
        r.antecedent_count =
            x.size == 3
                ? triples.Count(x)
                : keys[x.size == 1 ? singles[x.items[0]] : pairs.Find(x.items[0], x.items[1])]
                      .count;
        r.consequent = item_of(k.items[y]);
        r.consequent_count = t.frequency[r.consequent];
        if (static_cast<Int128>(r.count) * min_confidence.denominator <
            static_cast<Int128>(min_confidence.numerator) * r.antecedent_count)
          continue;
        if (static_cast<Int128>(r.count) * out.n * min_lift.denominator <
            static_cast<Int128>(min_lift.numerator) * r.antecedent_count * r.consequent_count)
          continue;
        r.antecedent_size = to_display(k, r.antecedent.data(), y);
        out.rules.push_back(r);
      }
    }
  }

  out.itemsets = std::move(miner.keys());
  for (Itemset& s : out.itemsets) {
    const Key k = s;
    to_display(k, s.items.data(), -1);
  }

  // Ties of the counts are common, and joining names for each comparison took most of the
  // sorting time: the names are ranked once instead.
  const std::optional<NameRanks> ranks = RankNames(t);
  if (ranks) {
    if (!SortItemsetsByKeys(out.itemsets, *ranks, out.n))
      std::sort(out.itemsets.begin(), out.itemsets.end(), [&](const Itemset& a, const Itemset& b) {
        if (a.size != b.size) return a.size < b.size;
        if (a.count != b.count) return a.count > b.count;
        return ranks->CompareJoined(a.items.data(), a.size, b.items.data(), b.size) < 0;
      });
    if (!SortRulesByKeys(out.rules, *ranks, out.n))
      std::sort(out.rules.begin(), out.rules.end(), [&](const Rule& a, const Rule& b) {
        if (int c = CompareConfidence(a, b)) return c > 0;
        if (a.count != b.count) return a.count > b.count;
        if (int c = CompareLift(a, b)) return c > 0;
        if (int c = ranks->CompareJoined(a.antecedent.data(), a.antecedent_size,
                                         b.antecedent.data(), b.antecedent_size))
          return c < 0;
        return ranks->name[a.consequent] < ranks->name[b.consequent];
      });
    return out;
  }
  std::sort(out.itemsets.begin(), out.itemsets.end(), [&](const Itemset& a, const Itemset& b) {
    if (a.size != b.size) return a.size < b.size;
    if (a.count != b.count) return a.count > b.count;
    return ItemsetText(t, a) < ItemsetText(t, b);
  });
  std::sort(out.rules.begin(), out.rules.end(),
            [&](const Rule& a, const Rule& b) { return DefaultRuleOrder(t, a, b); });
  return out;
}

std::string ItemsetText(const Transactions& t, const Itemset& s) {
  return JoinNames(t, s.items.data(), s.size);
}

std::string AntecedentText(const Transactions& t, const Rule& r) {
  return JoinNames(t, r.antecedent.data(), r.antecedent_size);
}

int CompareConfidence(const Rule& a, const Rule& b) {
  return CompareFractions(a.count, a.antecedent_count, b.count, b.antecedent_count);
}

int CompareLift(const Rule& a, const Rule& b) {
  // The common factor N cancels.
  return CompareFractions(a.count, static_cast<Int128>(a.antecedent_count) * a.consequent_count,
                          b.count, static_cast<Int128>(b.antecedent_count) * b.consequent_count);
}

bool DefaultRuleOrder(const Transactions& t, const Rule& a, const Rule& b) {
  if (int c = CompareConfidence(a, b)) return c > 0;
  if (a.count != b.count) return a.count > b.count;
  if (int c = CompareLift(a, b)) return c > 0;
  if (int c = AntecedentText(t, a).compare(AntecedentText(t, b))) return c < 0;
  return t.names[a.consequent] < t.names[b.consequent];
}

void AppendFraction(std::string& out, UInt128 numerator, UInt128 denominator, int decimals) {
  UInt128 scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const UInt128 top = 2 * numerator * scale + denominator, bottom = 2 * denominator;
  // The counts of a run keep both within 64 bits, where division is many times faster; the
  // files print millions of these.
  constexpr UInt128 kMax64 = ~std::uint64_t{0};
  const UInt128 q = top <= kMax64
                        ? static_cast<std::uint64_t>(top) / static_cast<std::uint64_t>(bottom)
                        : top / bottom;
  const std::ptrdiff_t d = decimals;
  if (q <= kMax64 && d <= 20) {
    // Written from the last digit back, the point among them, with zeros up to one digit
    // before the point; one append.
    char buf[48];
    char* const end = buf + sizeof buf;
    char* first = end;
    auto v = static_cast<std::uint64_t>(q);
    for (std::ptrdiff_t k = 0; v != 0 || k <= d; ++k) {
      if (k == d && d != 0) *--first = '.';
      *--first = static_cast<char>('0' + v % 10);
      v /= 10;
    }
    out.append(first, end);
    return;
  }
  std::string digits = ToDecimalText(q);
  if (digits.size() < static_cast<std::size_t>(d) + 1) digits.insert(0, d + 1 - digits.size(), '0');
  out.append(digits, 0, digits.size() - d);
  if (d == 0) return;
  out += '.';
  out.append(digits, digits.size() - d);
}

std::string FormatFraction(UInt128 numerator, UInt128 denominator, int decimals) {
  std::string out;
  AppendFraction(out, numerator, denominator, decimals);
  return out;
}

void AppendSupportPercent(std::string& out, std::int64_t count, std::int64_t n) {
  if (n <= 0) {
    out += "0.00";
    return;
  }
  AppendFraction(out, static_cast<UInt128>(count) * 100, static_cast<UInt128>(n), 2);
}

void AppendConfidence(std::string& out, const Rule& r) {
  AppendFraction(out, static_cast<UInt128>(r.count), static_cast<UInt128>(r.antecedent_count), 4);
}

void AppendLift(std::string& out, const Rule& r, std::int64_t n) {
  AppendFraction(
      out, static_cast<UInt128>(r.count) * static_cast<UInt128>(n),
      static_cast<UInt128>(r.antecedent_count) * static_cast<UInt128>(r.consequent_count), 4);
}

std::string SupportPercentText(std::int64_t count, std::int64_t n) {
  std::string out;
  AppendSupportPercent(out, count, n);
  return out;
}

std::string ConfidenceText(const Rule& r) {
  std::string out;
  AppendConfidence(out, r);
  return out;
}

std::string LiftText(const Rule& r, std::int64_t n) {
  std::string out;
  AppendLift(out, r, n);
  return out;
}

}  // namespace lindora
