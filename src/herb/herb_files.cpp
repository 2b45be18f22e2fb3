#include "herb/herb_files.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "common/files.h"
#include "common/session.h"
#include "common/text.h"

namespace lindora {

namespace {

constexpr std::string_view kTab = "\t";

// A herb line is number TAB type number TAB names…: the part from the second TAB on (that TAB
// included) holds only name fields, so a name lookup never answers with a number.
constexpr std::size_t kFirstNameField = 2;
std::string_view NamePart(std::string_view line) {
  std::size_t first = line.find('\t');
  if (first == std::string_view::npos) return {};
  std::size_t second = line.find('\t', first + 1);
  return second == std::string_view::npos ? std::string_view() : line.substr(second);
}

std::string Bracket(std::string_view line) {
  std::string s;
  s.reserve(line.size() + 2);
  s += kTab;
  s += line;
  s += kTab;
  return s;
}

// Requests grouped by their key, so one pass over a file answers all of them. Keys holding a
// TAB cannot equal one field and are tested on the whole line instead.
class Pending {
 public:
  void Add(std::string key, std::size_t index) {
    if (Contains(key, kTab))
      spanning_.emplace_back(std::move(key), index);
    else
      by_field_[std::move(key)].push_back(index);
  }
  bool Empty() const { return by_field_.empty() && spanning_.empty(); }

  // Calls `hit(index)` for every request whose key equals one of the fields [first, last] of
  // `fields`, or that occurs in `bracketed`, then forgets those requests.
  template <class Hit>
  void Match(const std::vector<std::string>& fields, std::size_t first, std::size_t last,
             std::string_view bracketed, Hit&& hit) {
    for (std::size_t k = first; k <= last && k < fields.size() && !by_field_.empty(); ++k) {
      auto it = by_field_.find(fields[k]);
      if (it == by_field_.end()) continue;
      for (std::size_t index : it->second) hit(index);
      by_field_.erase(it);
    }
    for (std::size_t i = 0; i < spanning_.size();) {
      if (Contains(bracketed, Bracket(spanning_[i].first))) {
        hit(spanning_[i].second);
        spanning_.erase(spanning_.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        ++i;
      }
    }
  }

 private:
  std::unordered_map<std::string, std::vector<std::size_t>> by_field_;
  std::vector<std::pair<std::string, std::size_t>> spanning_;
};

}  // namespace

std::vector<std::string> FindHerbRecords(const Session& session,
                                         const std::vector<std::string>& keywords) {
  std::vector<std::string> records(keywords.size());
  Pending pending;
  for (std::size_t i = 0; i < keywords.size(); ++i) pending.Add(UpperCase(keywords[i]), i);
  if (pending.Empty()) return records;
  ForEachLine(session.Path(kHerbNameFile), [&](const std::string& line) {
    std::string record = UpperCase(Trim(line));
    if (record.empty()) return true;
    std::vector<std::string> fields = Split(record, kTab);
    // A keyword equal to one whole name field is a keyword that the name part + TAB holds
    // between two TABs.
    if (fields.size() > kFirstNameField) {
      pending.Match(fields, kFirstNameField, fields.size() - 1,
                    std::string(NamePart(record)) + std::string(kTab),
                    [&](std::size_t index) { records[index] = record; });
    }
    return !pending.Empty();
  });
  return records;
}

std::vector<int> HerbIdsByName(const Session& session, const std::vector<std::string>& names) {
  std::vector<int> ids(names.size(), -1);
  Pending pending;
  for (std::size_t i = 0; i < names.size(); ++i) pending.Add(names[i], i);
  if (pending.Empty()) return ids;
  int position = -1;
  ForEachLine(session.Path(kHerbNameFile), [&](const std::string& line) {
    ++position;
    std::vector<std::string> fields = Split(line, kTab);
    // Only a name field with a TAB on both sides qualifies: not the last field.
    if (fields.size() > kFirstNameField + 1) {
      pending.Match(fields, kFirstNameField, fields.size() - 2, NamePart(line),
                    [&](std::size_t index) { ids[index] = position; });
    }
    return !pending.Empty();
  });
  return ids;
}

int HerbIdByName(const Session& session, std::string_view name) {
  return HerbIdsByName(session, {std::string(name)}).front();
}

std::vector<std::vector<std::int32_t>> CompoundIdsOfHerbs(
    const Session& session, const std::vector<std::int32_t>& herb_numbers) {
  std::vector<std::vector<std::int32_t>> lists(herb_numbers.size());
  std::unordered_map<std::string, std::vector<std::size_t>> wanted;
  for (std::size_t i = 0; i < herb_numbers.size(); ++i)
    wanted[std::to_string(herb_numbers[i])].push_back(i);
  if (wanted.empty()) return lists;
  const auto path = session.Path(kHerbCompoundFile);
  long line_number = 0;
  ForEachLine(path, [&](const std::string& line) {
    ++line_number;
    // TAB + line holds TAB + number + TAB where field 0, or a field between two TABs, is the
    // number; a link line has two fields, so that is its first field.
    std::vector<std::string> fields = Split(line, kTab);
    if (fields.size() < 2) return true;
    std::vector<std::string> keys;
    for (std::size_t k = 0; k + 1 < fields.size(); ++k) {
      if (wanted.count(fields[k]) && std::find(keys.begin(), keys.end(), fields[k]) == keys.end())
        keys.push_back(fields[k]);
    }
    for (const std::string& key : keys) {
      std::string rest = ReplaceAll(std::string(kTab) + line, Bracket(key), "");
      double value = Val(rest);
      auto id = ToInt32(value);
      if (!id)
        throw FileError(FileError::Kind::kRead, path,
                        "第 " + std::to_string(line_number) + " 行的化合物编号超出范围：" +
                            FormatNumber(value));
      for (std::size_t index : wanted[key]) lists[index].push_back(*id);
    }
    return true;
  });
  return lists;
}

bool CompoundIdsOfHerb(const Session& session, std::int32_t herb_number,
                       std::vector<std::int32_t>& ids) {
  auto lists = CompoundIdsOfHerbs(session, {herb_number});
  if (lists.front().empty()) return false;
  ids = std::move(lists.front());
  return true;
}

std::vector<std::string> HerbNamesById(const Session& session,
                                       const std::vector<std::int32_t>& herb_numbers) {
  std::vector<std::string> names(herb_numbers.size());
  std::unordered_map<std::int32_t, std::vector<std::size_t>> wanted;
  for (std::size_t i = 0; i < herb_numbers.size(); ++i) wanted[herb_numbers[i]].push_back(i);
  if (wanted.empty()) return names;
  ForEachLine(session.Path(kHerbNameFile), [&](const std::string& line) {
    if (Trim(line).empty()) return true;
    std::vector<std::string> fields = Split(line, kTab);
    double number = Val(fields[0]);
    if (number != std::floor(number)) return true;
    auto id = ToInt32(number);
    if (!id) return true;
    auto it = wanted.find(*id);
    if (it == wanted.end()) return true;
    for (std::size_t index : it->second) names[index] = fields.size() > 2 ? fields[2] : "";
    wanted.erase(it);
    return !wanted.empty();
  });
  return names;
}

}  // namespace lindora
