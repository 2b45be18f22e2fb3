// Association rules among the herbs of a set of formulas: the frequent itemsets of up to four
// herbs and the rules X → y they give, with support, confidence and lift. Every comparison with
// a threshold and every ordering is done on exact fractions of the counts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stats/transactions.h"

namespace lindora {

// A non-negative decimal number as the user typed it, kept exactly: numerator / denominator,
// the denominator a power of ten.
struct Decimal {
  std::int64_t numerator = 0;
  std::int64_t denominator = 1;
};

// Reads "0.6", "12", ".5", "3." (blanks around allowed); nullopt for anything else, such as a
// sign, an exponent, more than 9 digits before or after the point.
std::optional<Decimal> ParseDecimal(std::string_view text);

// The minimum support as typed: a percentage of the transactions ("10%") or a count ("25").
struct MinSupport {
  bool percent = true;
  Decimal value;
};

struct RuleThresholds {
  MinSupport min_support;
  Decimal min_confidence;
  Decimal min_lift;
  int max_size = 4;  // |X| + 1 of a rule, and the largest itemset mined
};

// The thresholds from the texts of the four input fields; the message tells what is wrong with
// the first text that is not acceptable.
struct ParsedThresholds {
  std::optional<RuleThresholds> thresholds;
  std::string message;
};
ParsedThresholds ParseThresholds(std::string_view min_support, std::string_view min_confidence,
                                 std::string_view min_lift, std::string_view max_size);

// The support count an itemset needs among `n` transactions: a percentage is rounded up to a
// whole transaction and is at least 2; a count is taken as it is.
std::int64_t MinSupportCount(const MinSupport& min_support, std::int64_t n);

// A frequent itemset; its herbs in display order (descending support count of the single herb,
// ties by code point).
struct Itemset {
  std::array<ItemId, 4> items{};
  int size = 0;
  std::int64_t count = 0;  // transactions that hold all its herbs
};

// X → y, X in display order.
struct Rule {
  std::array<ItemId, 3> antecedent{};
  int antecedent_size = 0;
  ItemId consequent = 0;
  std::int64_t count = 0;             // transactions with X and y
  std::int64_t antecedent_count = 0;  // with X
  std::int64_t consequent_count = 0;  // with y
};

struct RuleMining {
  std::int64_t n = 0;          // transactions
  std::int64_t min_count = 0;  // the support count used
  // Itemsets by size, then descending support count, then text; rules in the default order
  // (see DefaultRuleOrder).
  std::vector<Itemset> itemsets;
  std::vector<Rule> rules;
  // Mining stopped because there were more than `max_itemsets` frequent itemsets; the lists
  // are then incomplete and must not be shown as a result.
  bool too_many = false;
};

// Beyond this many frequent itemsets the result is of no use to a reader and would only fill
// the memory: the mining stops and says so.
inline constexpr std::size_t kMaxItemsets = 2000000;

// Mines every itemset of 1 to `max_size` herbs with a support count of at least `min_count`
// and every rule X → y from them with the confidence and lift thresholds met.
RuleMining MineRules(const Transactions& transactions, std::int64_t min_count, int max_size,
                     const Decimal& min_confidence, const Decimal& min_lift,
                     std::size_t max_itemsets = kMaxItemsets);

// The herbs joined by "、".
std::string ItemsetText(const Transactions& t, const Itemset& s);
std::string AntecedentText(const Transactions& t, const Rule& r);

// Exact comparisons of two rules: negative, zero or positive as a's value is below, equal to or
// above b's.
int CompareConfidence(const Rule& a, const Rule& b);
int CompareLift(const Rule& a, const Rule& b);

// Confidence descending, support count descending, lift descending, antecedent text, then
// consequent (code point order).
bool DefaultRuleOrder(const Transactions& t, const Rule& a, const Rule& b);

// numerator / denominator with `decimals` decimals, rounded half up; both non-negative,
// denominator positive.
std::string FormatFraction(unsigned __int128 numerator, unsigned __int128 denominator,
                           int decimals);

// The values as the table and the files print them.
std::string SupportPercentText(std::int64_t count, std::int64_t n);  // 2 decimals
std::string ConfidenceText(const Rule& r);                           // 4 decimals
std::string LiftText(const Rule& r, std::int64_t n);                 // 4 decimals
// The same texts appended to `out`, for writers of many rows.
void AppendFraction(std::string& out, unsigned __int128 numerator, unsigned __int128 denominator,
                    int decimals);
void AppendSupportPercent(std::string& out, std::int64_t count, std::int64_t n);
void AppendConfidence(std::string& out, const Rule& r);
void AppendLift(std::string& out, const Rule& r, std::int64_t n);

}  // namespace lindora
