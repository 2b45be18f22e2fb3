#include "analysis/transactions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "analysis/standardize.h"
#include "common/files.h"
#include "common/gbk.h"
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

// Names interned by their bytes: open addressing, at most half full. A few hundred names are
// looked up hundreds of thousands of times; a general map's hashing and nodes took longer than
// the rest of the reading.
class NameIndex {
 public:
  // The id of the name, a new one (the next number) if it is not there yet.
  ItemId Intern(std::string_view name) {
    if (2 * (names_.size() + 1) > slots_.size()) Grow();
    std::size_t i = Hash(name) & (slots_.size() - 1);
    while (slots_[i] != 0) {
      if (names_[slots_[i] - 1] == name) return slots_[i] - 1;
      i = (i + 1) & (slots_.size() - 1);
    }
    names_.emplace_back(name);
    slots_[i] = static_cast<ItemId>(names_.size());
    return slots_[i] - 1;
  }
  const std::vector<std::string>& names() const { return names_; }

 private:
  // Eight bytes a step: a name is a few characters of two bytes.
  static std::size_t Hash(std::string_view s) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = s.size();
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
      std::uint64_t w;
      std::memcpy(&w, s.data() + i, 8);
      h = (h ^ w) * kMultiplier;
      h ^= h >> 32;
    }
    std::uint64_t w = 0;
    std::memcpy(&w, s.data() + i, s.size() - i);
    h = (h ^ w) * kMultiplier;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }
  void Grow() {
    slots_.assign(std::max<std::size_t>(64, 2 * slots_.size()), 0);
    for (std::size_t id = 0; id < names_.size(); ++id) {
      std::size_t i = Hash(names_[id]) & (slots_.size() - 1);
      while (slots_[i] != 0) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = static_cast<ItemId>(id + 1);
    }
  }
  std::vector<ItemId> slots_;  // id + 1, 0 for an empty slot
  std::vector<std::string> names_;
};

// The herbs of the standardised file read from its bytes: every name is interned as it is on
// disk and decoded once, at the end; decoding every line took most of the time of an analysis
// that mines a large set. GBK never hides a TAB, CR or LF inside a character, so lines and
// fields are found in the bytes; "、" is the pair A1 A2 at a character boundary. When every name
// decodes cleanly the boundaries found here are the decoder's, so the result is that of
// splitting decoded lines; otherwise (a broken byte, or two spellings of one name) nullopt,
// and the caller decodes line by line.
std::optional<Transactions> ReadHerbBytes(const std::filesystem::path& stand_file) {
  Transactions t{{}, {}, {}, {0}};
  NameIndex index;
  LineReader reader(stand_file);
  std::string line;
  auto add = [&](std::string_view name) {
    if (!name.empty()) t.items.push_back(index.Intern(name));
  };
  while (reader.Next(line)) {
    const std::size_t start = t.items.size();
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) {
      std::string_view field(line);
      field.remove_prefix(tab + 1);
      field = field.substr(0, field.find('\t'));
      const auto* b = reinterpret_cast<const unsigned char*>(field.data());
      const std::size_t n = field.size();
      std::size_t from = 0, i = 0;
      while (i < n) {
        const unsigned c = b[i];
        if (c < 0x81) {
          ++i;
        } else if (c == 0xA1 && i + 1 < n && b[i + 1] == 0xA2) {
          add(field.substr(from, i - from));
          i += 2;
          from = i;
        } else {
          // A digit after a lead byte opens a four-byte code.
          i += i + 1 < n && b[i + 1] - unsigned{'0'} < 10u ? 4 : 2;
        }
      }
      add(field.substr(from));
    }
    auto first = t.items.begin() + static_cast<std::ptrdiff_t>(start);
    std::sort(first, t.items.end());
    t.items.erase(std::unique(first, t.items.end()), t.items.end());
    t.offsets.push_back(t.items.size());
  }
  const std::vector<std::string>& raw_names = index.names();
  t.frequency.assign(raw_names.size(), 0);
  for (ItemId id : t.items) ++t.frequency[id];
  t.names.resize(raw_names.size());
  std::unordered_set<std::string_view> decoded;
  decoded.reserve(raw_names.size());
  for (std::size_t id = 0; id < raw_names.size(); ++id) {
    std::size_t bad = 0;
    DecodeGbkInto(raw_names[id], t.names[id], &bad);
    if (bad != 0 || !decoded.insert(t.names[id]).second) return std::nullopt;
  }
  return t;
}

}  // namespace

Transactions ReadHerbTransactions(const std::filesystem::path& stand_file) {
  if (std::optional<Transactions> t = ReadHerbBytes(stand_file)) return std::move(*t);
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
