#include "analysis/transactions.h"

#include <algorithm>
#include <unordered_map>

#include "analysis/standardize.h"
#include "common/files.h"
#include "common/session.h"
#include "common/text.h"

namespace lindora {
namespace {

// Builds the transactions one record at a time, interning names.
class Builder {
 public:
  void Add(std::vector<std::string>&& names) {
    std::size_t start = t_.items.size();
    for (std::string& name : names) {
      if (name.empty()) continue;
      auto [it, inserted] = index_.try_emplace(name, static_cast<ItemId>(t_.names.size()));
      if (inserted) {
        t_.names.push_back(std::move(name));
        t_.frequency.push_back(0);
      }
      t_.items.push_back(it->second);
    }
    auto first = t_.items.begin() + static_cast<std::ptrdiff_t>(start);
    std::sort(first, t_.items.end());
    t_.items.erase(std::unique(first, t_.items.end()), t_.items.end());
    for (auto it = first; it != t_.items.end(); ++it) ++t_.frequency[*it];
    t_.offsets.push_back(t_.items.size());
  }
  Transactions Take() { return std::move(t_); }

 private:
  Transactions t_{{}, {}, {}, {0}};
  std::unordered_map<std::string, ItemId> index_;
};

}  // namespace

Transactions ReadHerbTransactions(const std::filesystem::path& stand_file) {
  Builder builder;
  ForEachLine(stand_file, [&](const std::string& line) {
    std::vector<std::string> fields = Split(line, "\t");
    builder.Add(fields.size() < 2 ? std::vector<std::string>{} : Split(fields[1], "、"));
    return true;
  });
  return builder.Take();
}

Transactions ReadSymptomTransactions(const std::filesystem::path& result_file) {
  Builder builder;
  ForEachLine(result_file, [&](const std::string& line) {
    if (Trim(line).empty()) return true;
    std::vector<std::string> fields = Split(line, "\t");
    if (fields.size() < 2) return true;
    // A formula without an indications field still counts, with no symptoms.
    if (fields.size() == 2) fields.emplace_back();
    builder.Add(Split(StandardSymptoms(fields[2]), "，"));
    return true;
  });
  return builder.Take();
}

Transactions HerbTransactionsOfResultSet(Session& session) {
  StandardResult(session);
  return ReadHerbTransactions(session.Path("\\Result\\Result.DB.stand"));
}

}  // namespace lindora
