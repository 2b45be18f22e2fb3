#include "chem/ingredient_screening.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <functional>
#include <unordered_map>

#include "chem/active_component.h"
#include "chem/herb_chem_actions.h"
#include "chem/open_babel.h"
#include "common/analysis_list.h"
#include "common/csv.h"
#include "common/files.h"
#include "common/gbk.h"
#include "common/outcome.h"
#include "common/session.h"
#include "common/text.h"

namespace lindora {

namespace fs = std::filesystem;

namespace {

// Closes every batch: a SMILES any converter parses, with a title no compound can have. When
// its result is missing, the converter stopped reading before the end of the file.
constexpr std::string_view kSentinelTitle = "lindora-end-of-batch";
constexpr std::string_view kSentinelSmiles = "C";

std::optional<double> ParseNumber(std::string_view text) {
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

bool HasBlank(std::string_view text) {
  return text.find_first_of(" \t\r\n") != std::string_view::npos;
}

bool IsInteger(std::string_view text) {
  std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

// The pieces of a text between blanks, without empty ones.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  for (std::string& w : Split(text, " "))
    if (!w.empty()) words.push_back(std::move(w));
  return words;
}

// Writes the entries that are sent and the sentinel as one SMILES file and runs the converter.
ConverterRun RunBatchOnce(Session& session, const std::vector<BatchEntry>& entries,
                          const std::vector<std::string>& args, const fs::path& output) {
  std::string text;
  for (const BatchEntry& e : entries)
    if (e.not_sent.empty()) text += e.smiles + " " + e.title + "\r\n";
  text += std::string(kSentinelSmiles) + " " + std::string(kSentinelTitle);
  WriteTextFile(text, session.Path(kBatchSmilesFile));
  return RunConverterTimed(session, args, output);
}

// Runs the batch. When the converter runs out of time, each molecule is run alone to find the
// ones it cannot finish; those are left out with a note naming the time-out, and the rest runs
// again, so one pathological molecule costs only its own values.
void RunBatch(Session& session, std::vector<BatchEntry>& entries,
              const std::vector<std::string>& args, const fs::path& output) {
  ConverterRun run = RunBatchOnce(session, entries, args, output);
  if (run.timed_out) {
    for (std::size_t k = 0; k < entries.size(); ++k) {
      if (!entries[k].not_sent.empty()) continue;
      std::vector<BatchEntry> alone = entries;
      for (std::size_t j = 0; j < alone.size(); ++j)
        if (j != k && alone[j].not_sent.empty()) alone[j].not_sent = "-";
      const ConverterRun single = RunBatchOnce(session, alone, args, output);
      if (single.timed_out)
        entries[k].not_sent = "Open Babel 计算超时（单独计算也超过时限），该分子没有数值";
    }
    run = RunBatchOnce(session, entries, args, output);
  }
  if (!run.error.empty()) throw ConverterError(run.error);
}

// One converter run over the entries that are sent, a result for each entry or none; raises
// ConverterError when the converter fails, and notes the entries it ran out of time on.
template <typename T>
using BatchRun = std::function<std::vector<std::optional<T>>(std::vector<BatchEntry>&)>;

// The entries `sent` run in two halves, each on its own (and split again while it fails),
// until the entries that make the converter fail are alone: they get no result and the note
// `culprit`, the rest theirs.
template <typename T>
std::vector<std::optional<T>> RunHalves(std::vector<BatchEntry>& entries,
                                        const std::vector<std::size_t>& sent,
                                        const BatchRun<T>& run, std::string_view culprit) {
  std::vector<std::optional<T>> result(entries.size());
  if (sent.size() == 1) entries[sent[0]].not_sent = culprit;
  if (sent.size() <= 1) return result;
  const std::size_t half = sent.size() / 2;
  for (const auto& part : {std::vector<std::size_t>(sent.begin(), sent.begin() + half),
                           std::vector<std::size_t>(sent.begin() + half, sent.end())}) {
    std::vector<BatchEntry> only(entries.size());
    for (std::size_t k = 0; k < entries.size(); ++k) only[k] = {entries[k].title, {}, "-"};
    for (std::size_t k : part) only[k] = entries[k];
    std::vector<std::optional<T>> got;
    try {
      got = run(only);
    } catch (const ConverterError&) {
      got = RunHalves(only, part, run, culprit);
    }
    for (std::size_t k : part) {
      result[k] = std::move(got[k]);
      entries[k].not_sent = only[k].not_sent;
    }
  }
  return result;
}

// The run over all entries. When it fails, some input made the converter crash or stop (a
// SMILES of 100,000 atoms overflows its stack): those entries are found and left out with the
// note `culprit`. A converter that fails on nothing but the closing record is no working
// converter: that failure is the whole run's.
template <typename T>
std::vector<std::optional<T>> RunIsolatingFailures(std::vector<BatchEntry>& entries,
                                                   const BatchRun<T>& run,
                                                   std::string_view culprit) {
  try {
    return run(entries);
  } catch (const ConverterError& whole) {
    std::vector<BatchEntry> none(entries.size());
    for (std::size_t k = 0; k < entries.size(); ++k) none[k] = {entries[k].title, {}, "-"};
    try {
      run(none);
    } catch (const ConverterError&) {
      throw whole;
    }
    std::vector<std::size_t> sent;
    for (std::size_t k = 0; k < entries.size(); ++k)
      if (entries[k].not_sent.empty()) sent.push_back(k);
    return RunHalves(entries, sent, run, culprit);
  }
}

std::vector<std::string> DecodedLines(const fs::path& file) {
  std::vector<std::string> lines;
  LineReader reader(file);
  std::string raw;
  while (reader.Next(raw))
    if (!Trim(raw).empty()) lines.push_back(DecodeGbk(raw));
  return lines;
}

// The compounds as batch entries titled with their identifiers. An identifier listed again is
// told apart by its count, so that a result is never paired with the wrong one of the two.
std::vector<BatchEntry> CompoundEntries(const std::vector<ScreeningCompound>& compounds) {
  std::vector<BatchEntry> entries;
  std::unordered_map<std::string, int> seen;
  for (const ScreeningCompound& c : compounds) {
    BatchEntry e{c.id, c.smiles, {}};
    if (int n = seen[c.id]++; n > 0) e.title += "#" + std::to_string(n + 1);
    if (c.name == kMissingCompoundNote)
      e.not_sent = "化合物库中无此编号";
    else if (c.id.empty())
      e.not_sent = "没有编号";
    else if (!IsInteger(c.id))
      e.not_sent = "编号不是整数";
    else if (c.smiles.empty())
      e.not_sent = "没有 SMILES";
    else if (HasBlank(c.smiles))
      e.not_sent = "SMILES 中含空白字符";
    entries.push_back(std::move(e));
  }
  return entries;
}

constexpr std::string_view kNotParsed = "Open Babel 无法解析该 SMILES";

}  // namespace

RuleVerdict ApplyRules(const DescriptorValues& v) {
  RuleVerdict r;
  r.lipinski_violations = (v.mw > 500) + (v.logp > 5) + (v.hbd > 5) + (v.hba > 10);
  r.lipinski = r.lipinski_violations <= 1;
  r.veber = v.rotors <= 10 && v.tpsa <= 140;
  return r;
}

std::vector<std::optional<std::size_t>> PairByTitle(const std::vector<BatchEntry>& entries,
                                                    const std::vector<std::string>& titles) {
  std::vector<std::optional<std::size_t>> at(entries.size());
  std::size_t next = 0;
  bool closed = false;
  for (std::size_t r = 0; r < titles.size(); ++r) {
    if (closed)
      throw ConverterError("转换程序在最后一个化合物之后还给出了结果“" + titles[r] +
                           "”，结果无法对应，没有使用。");
    if (titles[r] == kSentinelTitle) {
      closed = true;
      continue;
    }
    std::size_t k = next;
    while (k < entries.size() && (!entries[k].not_sent.empty() || entries[k].title != titles[r]))
      ++k;
    if (k == entries.size())
      throw ConverterError("转换程序的结果“" + titles[r] +
                           "”对应不上输入的化合物（编号或顺序不符），结果没有使用。");
    at[k] = r;
    next = k + 1;
  }
  if (!closed) {
    std::size_t sent = 1;
    for (const BatchEntry& e : entries) sent += e.not_sent.empty();
    throw ConverterError("转换程序只给出了 " + std::to_string(titles.size()) +
                         " 个结果，没有读完输入的 " + std::to_string(sent) +
                         " 个 SMILES（在某一行停了下来），结果不完整，没有使用。");
  }
  return at;
}

std::vector<std::string> BatchDescriptorArgs(const fs::path& smiles_file, const fs::path& output,
                                             bool strip_salts) {
  std::vector<std::string> args = {smiles_file.string(), "-O",
                                   output.string(),      "-e",
                                   "--append",           std::string(kScreeningDescriptors)};
  if (strip_salts) args.emplace_back("-r");
  return args;
}

std::string ScreeningMethod(bool strip_salts, std::string_view version) {
  return "方法：描述符由 " +
         (version.empty() ? std::string("Open Babel（版本未知）") : std::string(version)) +
         "（obabel" + (strip_salts ? " -r" : "") +
         "，--append \"MW logP HBD HBA1 TPSA rotors\"）计算，" +
         (strip_salts ? "计算前已去盐（-r：每个分子只保留最大的连通片段）"
                      : "未去盐（多片段分子按全部片段计）") +
         "。MW 为分子量（g/mol）；logP 为 Open Babel 的原子贡献估算；HBD 为氢键供体数；HBA 为 Open "
         "Babel 的 HBA1（受体原子含 N、O 以及 S 等）；TPSA 为 Ertl 拓扑极性表面积（Å²，含 S、P "
         "的贡献）；可旋转键数为 Open Babel 的 rotors。Lipinski：MW≤500、logP≤5、HBD≤5、HBA≤10 "
         "至多违反一条为通过；Veber：可旋转键数≤10 且 TPSA≤140 为通过。";
}

std::vector<std::string> BatchFingerprintArgs(const fs::path& smiles_file, const fs::path& output) {
  return {smiles_file.string(), "-O", output.string(), "-e", "-xfFP2", "-xh"};
}

namespace {

// One converter run of the descriptors: the words after the title of each entry's line.
std::vector<std::optional<std::vector<std::string>>> DescriptorRun(Session& session,
                                                                   std::vector<BatchEntry>& entries,
                                                                   bool strip_salts) {
  const fs::path output = session.Path(kBatchDescriptorFile);
  RunBatch(session, entries,
           BatchDescriptorArgs(session.Path(kBatchSmilesFile), output, strip_salts), output);
  // A line is "SMILES<TAB>title value value …".
  std::vector<std::string> titles;
  std::vector<std::vector<std::string>> values;
  for (const std::string& line : DecodedLines(output)) {
    std::size_t tab = line.find('\t');
    std::vector<std::string> words = Words(
        tab == std::string::npos ? std::string_view() : std::string_view(line).substr(tab + 1));
    titles.push_back(words.empty() ? std::string() : words[0]);
    values.emplace_back(words.empty() ? words.end() : words.begin() + 1, words.end());
  }
  std::vector<std::optional<std::size_t>> at = PairByTitle(entries, titles);
  std::vector<std::optional<std::vector<std::string>>> result(entries.size());
  for (std::size_t k = 0; k < entries.size(); ++k)
    if (at[k]) result[k] = std::move(values[*at[k]]);
  return result;
}

}  // namespace

std::vector<ScreeningResult> ScreenCompounds(Session& session,
                                             const std::vector<ScreeningCompound>& compounds,
                                             bool strip_salts) {
  std::vector<BatchEntry> entries = CompoundEntries(compounds);
  const std::vector<std::optional<std::vector<std::string>>> values =
      RunIsolatingFailures<std::vector<std::string>>(
          entries,
          [&](std::vector<BatchEntry>& e) { return DescriptorRun(session, e, strip_salts); },
          "Open Babel 处理该分子时出错退出，该分子没有数值");

  std::vector<ScreeningResult> results;
  for (std::size_t k = 0; k < compounds.size(); ++k) {
    ScreeningResult r{compounds[k], std::nullopt, {}, entries[k].not_sent};
    if (r.note.empty() && !values[k]) r.note = std::string(kNotParsed);
    if (values[k]) {
      const std::vector<std::string>& v = *values[k];
      std::vector<double> numbers;
      for (const std::string& text : v)
        if (auto n = ParseNumber(text)) numbers.push_back(*n);
      if (v.size() != 6 || numbers.size() != 6) {
        r.note = "转换程序给出的数值不全：" + Join(v, " ");
      } else {
        r.texts = DescriptorTexts{v[0], v[1], v[2], v[3], v[4], v[5]};
        r.verdict =
            ApplyRules({numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]});
      }
    }
    results.push_back(std::move(r));
  }
  return results;
}

double Tanimoto(const Fingerprint& a, const Fingerprint& b) {
  if (a.size() != b.size()) return 0;
  int both = 0, either = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    both += std::popcount(a[i] & b[i]);
    either += std::popcount(a[i] | b[i]);
  }
  return either == 0 ? 0 : static_cast<double>(both) / either;
}

namespace {

// One converter run over the entries that are sent; raises ConverterError when it fails.
std::vector<std::optional<Fingerprint>> FingerprintRun(Session& session,
                                                       std::vector<BatchEntry>& entries) {
  const fs::path output = session.Path(kBatchFingerprintFile);
  RunBatch(session, entries, BatchFingerprintArgs(session.Path(kBatchSmilesFile), output), output);

  // A record is a line ">title …" followed by lines of 8-digit hexadecimal words; other lines
  // (similarity to the first molecule, superstructure notes) are commentary.
  std::vector<std::string> titles;
  std::vector<Fingerprint> prints;
  for (const std::string& line : DecodedLines(output)) {
    if (line[0] == '>') {
      std::vector<std::string> words = Words(ReplaceAll(line.substr(1), "\t", " "));
      titles.push_back(words.empty() ? std::string() : words[0]);
      prints.emplace_back();
      continue;
    }
    std::vector<std::string> words = Words(line);
    Fingerprint row;
    for (const std::string& w : words) {
      std::uint32_t value = 0;
      auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value, 16);
      if (w.size() != 8 || ec != std::errc() || end != w.data() + w.size()) break;
      row.push_back(value);
    }
    if (!prints.empty() && !words.empty() && row.size() == words.size())
      prints.back().insert(prints.back().end(), row.begin(), row.end());
  }
  std::vector<std::optional<std::size_t>> at = PairByTitle(entries, titles);
  std::vector<std::optional<Fingerprint>> result(entries.size());
  for (std::size_t k = 0; k < entries.size(); ++k)
    if (at[k] && !prints[*at[k]].empty()) result[k] = std::move(prints[*at[k]]);
  return result;
}

}  // namespace

std::vector<std::optional<Fingerprint>> FingerprintsOf(Session& session,
                                                       std::vector<BatchEntry> entries) {
  return RunIsolatingFailures<Fingerprint>(
      entries, [&](std::vector<BatchEntry>& e) { return FingerprintRun(session, e); }, "");
}

std::vector<ReferenceCompound> ReadReferenceSet(const fs::path& file, ActivityKind kind) {
  std::vector<ReferenceCompound> refs;
  ForEachLine(file, [&](const std::string& line) {
    if (Trim(line).empty()) return true;
    std::vector<std::string> f = Split(line, "\t");
    auto field = [&](std::size_t i) { return i < f.size() ? Trim(f[i]) : std::string(); };
    ReferenceCompound r{{}, field(0), {}};
    if (kind == ActivityKind::kAnticancer) {
      // The set numbers its compounds in NPACT; lines may carry names after the key.
      r.inchikey = field(2);
      for (const std::string& name :
           {field(4), field(3), field(1).empty() ? "" : "NPACT" + FormatNpactNumber(field(1))})
        if (r.name.empty()) r.name = name;
    } else {
      r.inchikey = field(7);
      r.name = !field(2).empty() ? field(2) : field(3);
    }
    if (r.name.empty()) r.name = r.inchikey;
    refs.push_back(std::move(r));
    return true;
  });
  return refs;
}

std::vector<SimilarActive> FindSimilarActives(Session& session,
                                              const std::vector<ScreeningCompound>& compounds,
                                              const std::vector<ReferenceCompound>& refs,
                                              double min_similarity, std::size_t* unusable) {
  std::vector<BatchEntry> compound_entries = CompoundEntries(compounds), ref_entries;
  for (std::size_t i = 0; i < refs.size(); ++i) {
    BatchEntry e{"R" + std::to_string(i + 1), refs[i].smiles, {}};
    if (e.smiles.empty() || HasBlank(e.smiles)) e.not_sent = "-";
    ref_entries.push_back(std::move(e));
  }
  std::vector<std::optional<Fingerprint>> mine = FingerprintsOf(session, compound_entries);
  std::vector<std::optional<Fingerprint>> theirs = FingerprintsOf(session, ref_entries);

  std::unordered_map<std::string, std::size_t> by_key;
  for (std::size_t i = 0; i < refs.size(); ++i)
    if (!refs[i].inchikey.empty()) by_key.emplace(refs[i].inchikey, i);
  if (unusable) {
    // A reference without a fingerprint can still match by its key; one with neither is lost.
    *unusable = 0;
    for (std::size_t i = 0; i < refs.size(); ++i)
      *unusable += !theirs[i] && refs[i].inchikey.empty();
  }

  std::vector<SimilarActive> found;
  for (std::size_t k = 0; k < compounds.size(); ++k) {
    std::optional<std::size_t> best;
    double best_value = -1;
    if (auto it = by_key.find(compounds[k].inchikey);
        !compounds[k].inchikey.empty() && it != by_key.end()) {
      best = it->second;
      best_value = 1;
    } else if (mine[k]) {
      for (std::size_t i = 0; i < refs.size(); ++i) {
        if (!theirs[i]) continue;
        double t = Tanimoto(*mine[k], *theirs[i]);
        if (t > best_value) best = i, best_value = t;
      }
    }
    if (best && best_value >= min_similarity)
      found.push_back({compounds[k], refs[*best].name, best_value});
  }
  std::stable_sort(found.begin(), found.end(), [](const SimilarActive& a, const SimilarActive& b) {
    if (a.similarity != b.similarity) return a.similarity > b.similarity;
    return Val(a.compound.id) < Val(b.compound.id);
  });
  return found;
}

std::optional<double> ParseSimilarityThreshold(std::string_view text) {
  std::optional<double> value = ReadDecimalNumber(text);
  if (!value || *value < 0 || *value > 1) return std::nullopt;
  return value;
}

std::vector<std::vector<std::string>> ScreeningCsvRows(const std::vector<ScreeningResult>& rows) {
  std::vector<std::vector<std::string>> csv = {{"编号", "名称", "MW (g/mol)", "logP", "HBD", "HBA",
                                                "TPSA (Å²)", "可旋转键数", "Lipinski违例数",
                                                "Lipinski", "Veber", "备注"}};
  auto verdict = [](bool pass) { return std::string(pass ? "通过" : "不通过"); };
  for (const ScreeningResult& r : rows) {
    const ScreeningCompound& c = r.compound;
    if (!r.texts) {
      csv.push_back({c.id, c.name, "", "", "", "", "", "", "", "", "", r.note});
      continue;
    }
    const DescriptorTexts& t = *r.texts;
    // Two decimals for every compound, so that a column reads and sorts evenly.
    auto fixed = [](const std::string& text) {
      std::optional<double> v = ParseNumber(text);
      return v ? FixedDecimals(*v, 2) : text;
    };
    csv.push_back({c.id, c.name, fixed(t.mw), fixed(t.logp), t.hbd, t.hba, fixed(t.tpsa), t.rotors,
                   std::to_string(r.verdict.lipinski_violations), verdict(r.verdict.lipinski),
                   verdict(r.verdict.veber), r.note});
  }
  return csv;
}

std::vector<std::vector<std::string>> SimilarActivesCsvRows(
    const std::vector<SimilarActive>& rows) {
  std::vector<std::vector<std::string>> csv = {{"编号", "名称", "参考成分", "相似度"}};
  for (const SimilarActive& s : rows)
    csv.push_back({s.compound.id, s.compound.name, s.reference, FixedDecimals(s.similarity, 4)});
  return csv;
}

}  // namespace lindora
