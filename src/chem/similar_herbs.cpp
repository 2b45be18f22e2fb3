#include "chem/similar_herbs.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <unordered_map>

#include "chem/compound_data.h"
#include "chem/herb_chem_actions.h"
#include "common/csv.h"
#include "common/files.h"
#include "common/outcome.h"
#include "common/session.h"
#include "common/text.h"
#include "herb/herb_files.h"

namespace lindora {

namespace fs = std::filesystem;

namespace {

struct LibraryCompound {
  std::string name, smiles;
};

using FingerprintMap = std::unordered_map<std::int32_t, std::optional<Fingerprint>>;

std::optional<std::int32_t> WholeNumber(std::string_view text) {
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The compounds of the compound file by identifier; the first line of an identifier counts, as
// in every other lookup.
std::map<std::int32_t, LibraryCompound> ReadCompounds(const fs::path& file) {
  std::map<std::int32_t, LibraryCompound> compounds;
  ForEachLine(file, [&](const std::string& line) {
    std::vector<std::string> f = Split(line, "\t");
    if (f.size() < 3) return true;
    if (auto id = WholeNumber(Trim(f[0])))
      compounds.emplace(*id, LibraryCompound{f[1], Trim(f[2])});
    return true;
  });
  return compounds;
}

// Which compound file the cache was made from: its size and modification time.
std::string CacheStamp(const fs::path& compound_file) {
  std::error_code ec;
  const auto size = fs::file_size(compound_file, ec);
  const auto time = fs::last_write_time(compound_file, ec).time_since_epoch().count();
  return "lindora-fp2 1 " + std::to_string(size) + " " + std::to_string(time);
}

std::string HexOf(const Fingerprint& fp) {
  std::string hex;
  char word[9];
  for (std::uint32_t w : fp) {
    std::snprintf(word, sizeof word, "%08x", w);
    hex += word;
  }
  return hex;
}

std::optional<Fingerprint> FingerprintOfHex(std::string_view hex) {
  if (hex.empty() || hex.size() % 8 != 0) return std::nullopt;
  Fingerprint fp;
  for (std::size_t i = 0; i < hex.size(); i += 8) {
    std::uint32_t w = 0;
    auto [end, ec] = std::from_chars(hex.data() + i, hex.data() + i + 8, w, 16);
    if (ec != std::errc() || end != hex.data() + i + 8) return std::nullopt;
    fp.push_back(w);
  }
  return fp;
}

// The cached fingerprints when the cache was made from this compound file and is whole.
std::optional<FingerprintMap> ReadCache(const fs::path& cache, const std::string& stamp) {
  std::error_code ec;
  if (!fs::is_regular_file(cache, ec)) return std::nullopt;
  FingerprintMap prints;
  bool whole = true, first = true;
  try {
    ForEachLine(cache, [&](const std::string& line) {
      if (first) {
        first = false;
        whole = line == stamp;
        return whole;
      }
      std::size_t tab = line.find('\t');
      std::optional<std::int32_t> id =
          tab == std::string::npos ? std::nullopt : WholeNumber(line.substr(0, tab));
      if (!id) return whole = false;
      std::string_view hex = std::string_view(line).substr(tab + 1);
      std::optional<Fingerprint> fp = FingerprintOfHex(hex);
      if (!hex.empty() && !fp) return whole = false;
      prints[*id] = std::move(fp);
      return true;
    });
  } catch (const FileError&) {
    return std::nullopt;  // an unreadable cache is computed afresh
  }
  if (first || !whole) return std::nullopt;
  return prints;
}

// Fingerprints of every compound of the library, from the cache or from the converter.
FingerprintMap LibraryFingerprints(Session& session,
                                   const std::map<std::int32_t, LibraryCompound>& compounds) {
  const fs::path cache = session.Path(kFingerprintCacheFile);
  const std::string stamp = CacheStamp(session.Path(kCompoundDb));
  if (std::optional<FingerprintMap> cached = ReadCache(cache, stamp)) {
    bool complete = true;
    for (const auto& [id, c] : compounds) complete = complete && cached->contains(id);
    if (complete) return std::move(*cached);
  }

  FingerprintMap prints;
  std::vector<BatchEntry> batch;
  std::vector<std::int32_t> ids;
  auto flush = [&] {
    std::vector<std::optional<Fingerprint>> fps = FingerprintsOf(session, batch);
    for (std::size_t k = 0; k < ids.size(); ++k) prints[ids[k]] = std::move(fps[k]);
    batch.clear();
    ids.clear();
  };
  for (const auto& [id, c] : compounds) {
    BatchEntry e{std::to_string(id), c.smiles, {}};
    if (c.smiles.empty() || c.smiles.find_first_of(" \t\r\n") != std::string::npos)
      e.not_sent = "-";
    batch.push_back(std::move(e));
    ids.push_back(id);
    if (batch.size() == kFingerprintBatch) flush();
  }
  if (!batch.empty()) flush();

  std::string text = stamp;
  for (const auto& [id, fp] : prints)
    text += "\r\n" + std::to_string(id) + "\t" + (fp ? HexOf(*fp) : "");
  try {
    WriteTextFile(text, cache);
  } catch (const FileError&) {
    // Without a cache the next search computes the fingerprints again; the answer is the same.
  }
  return prints;
}

}  // namespace

SimilarHerbsResult RunSimilarHerbs(Session& session, const SimilarHerbsOptions& options) {
  SimilarHerbsResult result;
  const std::string smiles = Trim(options.query.smiles);
  if (smiles.empty() || smiles.find_first_of(" \t") != std::string::npos) {
    result.refusal = "所选化合物没有可用的 SMILES，无法比较结构。";
    return result;
  }
  std::optional<Fingerprint> query =
      FingerprintsOf(session, {BatchEntry{"query", smiles, {}}}).front();
  if (!query) {
    result.refusal = "Open Babel 无法解析所选化合物的 SMILES：" + smiles;
    return result;
  }

  // Herb number -> linked compound identifiers (each once, ascending).
  std::map<std::int32_t, std::vector<std::int32_t>> links;
  ForEachLine(session.Path(kHerbCompoundFile), [&](const std::string& line) {
    std::vector<std::string> f = Split(line, "\t");
    if (f.size() < 2) return true;
    std::optional<std::int32_t> herb = WholeNumber(Trim(f[0])), compound = WholeNumber(Trim(f[1]));
    if (herb && compound) links[*herb].push_back(*compound);
    return true;
  });
  const std::map<std::int32_t, LibraryCompound> compounds =
      ReadCompounds(session.Path(kCompoundDb));
  const FingerprintMap prints = LibraryFingerprints(session, compounds);

  std::unordered_map<std::int32_t, double> similarity;
  for (auto& [herb, ids] : links) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    SimilarHerb h{herb, {}, -1, {}, {}, 0, static_cast<int>(ids.size())};
    for (std::int32_t id : ids) {
      auto known = similarity.find(id);
      if (known == similarity.end()) {
        auto fp = prints.find(id);
        const bool has = fp != prints.end() && fp->second;
        known = similarity.emplace(id, has ? Tanimoto(*query, *fp->second) : -1).first;
        ++(has ? result.compared : result.without_fingerprint);
      }
      const double t = known->second;
      if (t < 0) continue;
      if (t >= options.min_similarity) ++h.similar_ingredients;
      if (t > h.similarity) {
        h.similarity = t;
        h.best_id = std::to_string(id);
        auto c = compounds.find(id);
        h.best_name = c == compounds.end() ? std::string(kMissingCompoundNote) : c->second.name;
      }
    }
    if (h.similar_ingredients > 0) result.herbs.push_back(std::move(h));
  }
  std::sort(result.herbs.begin(), result.herbs.end(),
            [](const SimilarHerb& a, const SimilarHerb& b) {
              if (a.similarity != b.similarity) return a.similarity > b.similarity;
              if (a.similar_ingredients != b.similar_ingredients)
                return a.similar_ingredients > b.similar_ingredients;
              return a.herb_number < b.herb_number;
            });

  std::vector<std::int32_t> numbers;
  for (const SimilarHerb& h : result.herbs) numbers.push_back(h.herb_number);
  if (!numbers.empty()) {
    const std::vector<std::string> names = HerbNamesById(session, numbers);
    for (std::size_t i = 0; i < names.size(); ++i)
      result.herbs[i].herb =
          names[i].empty() ? "（编号 " + std::to_string(numbers[i]) + "）" : names[i];
  }
  result.file = session.Path(kSimilarHerbsFile);
  WriteCsvFile(result.file, SimilarHerbsCsvRows(result));
  return result;
}

std::vector<std::vector<std::string>> SimilarHerbsCsvRows(const SimilarHerbsResult& result) {
  std::vector<std::vector<std::string>> rows = {
      {"中药", "最高相似度", "最相似成分编号", "最相似成分名称", "达到阈值的成分数", "成分数"}};
  for (const SimilarHerb& h : result.herbs)
    rows.push_back({h.herb, FixedDecimals(h.similarity, 4), h.best_id, h.best_name,
                    std::to_string(h.similar_ingredients), std::to_string(h.ingredients)});
  return rows;
}

}  // namespace lindora
