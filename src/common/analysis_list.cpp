#include "common/analysis_list.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "common/text.h"

namespace lindora {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

// A whole number as typed: optional minus, 1 to 15 digits (exact in a double).
std::optional<std::int64_t> ReadWholeNumber(std::string_view text) {
  const std::string t = Trim(text);
  const bool negative = !t.empty() && t[0] == '-';
  const std::optional<std::int64_t> value =
      ParseDigits(std::string_view(t).substr(negative ? 1 : 0), 15);
  if (!value) return std::nullopt;
  return negative ? -*value : *value;
}

std::optional<double> ReadDecimalNumber(std::string_view text) {
  std::string t = Trim(text);
  std::size_t start = !t.empty() && t[0] == '-' ? 1 : 0;
  int points = 0, digits = 0;
  for (std::size_t i = start; i < t.size(); ++i) {
    if (t[i] == '.')
      ++points;
    else if (IsDigit(t[i]))
      ++digits;
    else
      return std::nullopt;
  }
  if (digits == 0 || digits > 15 || points > 1) return std::nullopt;
  return std::strtod(t.c_str(), nullptr);
}

std::string DecimalText(double value) {
  std::string s = TableCell::Fixed(value, 6);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

namespace {

std::string RangeText(const AnalysisOption& option) {
  const int decimals = option.kind == AnalysisOption::Kind::kWhole ? 0 : -1;
  auto shown = [&](double v) {
    if (decimals == 0) return std::to_string(static_cast<std::int64_t>(v));
    return DecimalText(v);
  };
  return shown(option.min) + " 到 " + shown(option.max);
}

}  // namespace

AnalysisOption AnalysisOption::Whole(std::string key, std::string caption, std::int64_t value,
                                     std::int64_t min, std::int64_t max) {
  return {std::move(key),
          std::move(caption),
          Kind::kWhole,
          std::to_string(value),
          static_cast<double>(min),
          static_cast<double>(max),
          {}};
}

AnalysisOption AnalysisOption::Decimal(std::string key, std::string caption, double value,
                                       double min, double max) {
  return {std::move(key), std::move(caption), Kind::kDecimal, DecimalText(value), min, max, {}};
}

AnalysisOption AnalysisOption::Choice(std::string key, std::string caption, std::string value,
                                      std::vector<std::string> choices) {
  return {std::move(key),    std::move(caption), Kind::kChoice, std::move(value), 0, 0,
          std::move(choices)};
}

AnalysisOption AnalysisOption::Text(std::string key, std::string caption, std::string value) {
  return {std::move(key), std::move(caption), Kind::kText, std::move(value), 0, 0, {}};
}

const AnalysisDescriptor* FindAnalysis(const AnalysisList& list, std::string_view key) {
  for (const AnalysisDescriptor& d : list)
    if (d.key == key) return &d;
  return nullptr;
}

const AnalysisOption* FindOption(const AnalysisDescriptor& analysis, std::string_view key) {
  for (const AnalysisOption& o : analysis.options)
    if (o.key == key) return &o;
  return nullptr;
}

const std::string& ReportKey(const AnalysisDescriptor& analysis) {
  return analysis.report_key.empty() ? analysis.key : analysis.report_key;
}

std::string CheckOptionText(const AnalysisOption& option, std::string_view text) {
  const std::string label = option.caption.empty() ? option.key : option.caption;
  switch (option.kind) {
    case AnalysisOption::Kind::kWhole: {
      std::optional<std::int64_t> v = ReadWholeNumber(text);
      if (!v || static_cast<double>(*v) < option.min || static_cast<double>(*v) > option.max)
        return label + "应为 " + RangeText(option) + " 之间的整数：“" + std::string(text) + "”";
      return {};
    }
    case AnalysisOption::Kind::kDecimal: {
      std::optional<double> v = ReadDecimalNumber(text);
      if (!v || *v < option.min || *v > option.max)
        return label + "应为 " + RangeText(option) + " 之间的数：“" + std::string(text) + "”";
      return {};
    }
    case AnalysisOption::Kind::kChoice:
      if (std::find(option.choices.begin(), option.choices.end(), text) == option.choices.end())
        return label + "应为 " + Join(option.choices, "、") + " 之一：“" + std::string(text) + "”";
      return {};
    case AnalysisOption::Kind::kText: return {};
  }
  return {};
}

void FillDefaults(const AnalysisDescriptor& analysis, OptionValues& values) {
  for (const AnalysisOption& option : analysis.options)
    values.emplace(option.key, option.default_value);
}

std::string CompleteOptions(const AnalysisDescriptor& analysis, OptionValues& values) {
  for (const auto& entry : values) {
    // A named reference, not a structured binding: clang before 16 cannot capture one.
    const std::string& key = entry.first;
    const bool known = std::any_of(analysis.options.begin(), analysis.options.end(),
                                   [&](const AnalysisOption& o) { return o.key == key; });
    if (!known) return analysis.caption + "没有选项“" + key + "”。";
  }
  for (const AnalysisOption& option : analysis.options) {
    auto it = values.find(option.key);
    if (it == values.end()) it = values.emplace(option.key, option.default_value).first;
    if (std::string problem = CheckOptionText(option, it->second); !problem.empty()) return problem;
  }
  return {};
}

std::int64_t WholeOption(const OptionValues& values, const std::string& key) {
  auto it = values.find(key);
  if (it == values.end()) return 0;
  return ReadWholeNumber(it->second).value_or(0);
}

double DecimalOption(const OptionValues& values, const std::string& key) {
  auto it = values.find(key);
  if (it == values.end()) return 0;
  return ReadDecimalNumber(it->second).value_or(0);
}

}  // namespace lindora
