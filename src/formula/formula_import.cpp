#include "formula/formula_import.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "common/files.h"
#include "common/folder_swap.h"
#include "common/gbk.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/composition.h"
#include "formula/library.h"

namespace lindora {
namespace {

// Words of a title row, per role.
constexpr std::array<std::string_view, 8> kNameTitles = {"方名",   "方剂名", "名称",  "方剂",
                                                         "处方名", "name",   "title", "方"};
constexpr std::array<std::string_view, 9> kCompositionTitles = {
    "组成", "药物组成", "处方组成", "组方", "配方", "药物", "处方", "composition", "herbs"};
constexpr std::array<std::string_view, 8> kIndicationTitles = {
    "主治", "症状", "适应症", "功能主治", "证候", "主症", "indications", "symptoms"};
constexpr std::array<std::string_view, 5> kSourceTitles = {"出处", "来源", "文献", "source",
                                                           "出典"};
constexpr std::array<std::string_view, 5> kDiagnosisTitles = {"诊断", "病名", "证型", "辨证",
                                                              "diagnosis"};

template <std::size_t N>
bool IsTitle(std::string_view cell, const std::array<std::string_view, N>& titles) {
  std::string lower = Trim(ToSimplified(cell));  // 組成, 主治 in traditional script too
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::find(titles.begin(), titles.end(), lower) != titles.end();
}

// "药1", "中药2", "药物3": one herb a column.
bool IsHerbColumnTitle(std::string_view cell) {
  const std::string t = Trim(cell);
  std::size_t digits = t.size();
  while (digits > 0 && t[digits - 1] >= '0' && t[digits - 1] <= '9') --digits;
  if (digits == t.size()) return false;
  const std::string head = t.substr(0, digits);
  return head == "药" || head == "中药" || head == "药物" || head == "药味" || head == "herb";
}

const std::string& Cell(const std::vector<std::string>& row, int column) {
  static const std::string empty;
  return column >= 0 && static_cast<std::size_t>(column) < row.size() ? row[column] : empty;
}

// A cell as one field of a record: no TABs or line breaks, no outer blanks.
std::string Field(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return Trim(ReplaceAll(out, "  ", " "));
}

std::size_t Columns(const SourceTable& table) {
  std::size_t n = 0;
  for (const auto& row : table.rows) n = std::max(n, row.size());
  return n;
}

// What the first cells of a column say about it.
struct ColumnEvidence {
  std::size_t cells = 0;             // cells with text
  std::size_t herbs = 0;             // herb names the dictionary knows
  std::size_t cells_with_herbs = 0;  // cells with at least one of them
  std::size_t doses = 0;             // doses with an amount and a unit
  std::size_t numbers = 0;           // cells that are a number only (a row number)
  double length = 0;
};

std::vector<ColumnEvidence> Evidence(const SourceTable& table, std::size_t start,
                                     const NameDictionary& dictionary) {
  std::vector<ColumnEvidence> evidence(Columns(table));
  std::unordered_map<std::string, bool> known;
  const std::size_t end = std::min(table.rows.size(), start + 200);
  for (std::size_t r = start; r < end; ++r)
    for (std::size_t k = 0; k < evidence.size(); ++k) {
      const std::string& cell = Cell(table.rows[r], static_cast<int>(k));
      if (cell.empty()) continue;
      ColumnEvidence& e = evidence[k];
      ++e.cells;
      e.length += static_cast<double>(CharLength(cell));
      e.numbers += cell.find_first_not_of("0123456789. ") == std::string::npos;
      std::size_t herbs = 0;
      for (const auto& mention : ParseComposition(cell)) {
        auto [it, fresh] = known.try_emplace(mention.name);
        if (fresh) it->second = !dictionary.Resolve(mention.name, false).herbs.empty();
        herbs += it->second;
        e.doses += mention.dose.readable;
      }
      e.herbs += herbs;
      e.cells_with_herbs += herbs > 0;
    }
  return evidence;
}

// The column among `candidates` whose count is clearly the largest: at least twice the next and
// present in three cells of ten; -1 when none is.
int ClearlyMost(const std::vector<ColumnEvidence>& evidence, const std::vector<int>& candidates,
                std::size_t ColumnEvidence::*count, std::size_t ColumnEvidence::*cells) {
  int best = -1, second = -1;
  for (const int k : candidates) {
    if (best < 0 || evidence[k].*count > evidence[best].*count)
      second = best, best = k;
    else if (second < 0 || evidence[k].*count > evidence[second].*count)
      second = k;
  }
  if (best < 0 || evidence[best].*count == 0) return -1;
  if (second >= 0 && evidence[best].*count < 2 * evidence[second].*count) return -1;
  if (evidence[best].*cells * 10 < evidence[best].cells * 3) return -1;
  return best;
}

void GuessLayout(ImportPreview& preview, int header_option, const NameDictionary& dictionary) {
  const auto& rows = preview.table.rows;
  const int columns = static_cast<int>(Columns(preview.table));
  ImportColumns& c = preview.columns;
  const auto& first = rows.front();
  bool titled = false;
  for (std::size_t k = 0; k < first.size(); ++k) {
    const int col = static_cast<int>(k);
    const std::string& cell = first[k];
    if (IsTitle(cell, kNameTitles) && c.name < 0)
      c.name = col, titled = true;
    else if (IsTitle(cell, kCompositionTitles) && c.composition.empty())
      c.composition.push_back(col), titled = true;
    else if (IsHerbColumnTitle(cell))
      c.composition.push_back(col), titled = true;
    else if (IsTitle(cell, kIndicationTitles) && c.indications < 0)
      c.indications = col, titled = true;
    else if (IsTitle(cell, kSourceTitles) && c.source < 0)
      c.source = col, titled = true;
    else if (IsTitle(cell, kDiagnosisTitles) && c.diagnosis < 0)
      c.diagnosis = col, titled = true;
  }
  preview.header = header_option < 0 ? titled : header_option == 1;
  if (!preview.header) c = {};
  if (c.name >= 0 && !c.composition.empty()) return;

  const auto evidence = Evidence(preview.table, preview.header ? 1 : 0, dictionary);
  const auto herbs_in = [&](int k) { return k < columns ? evidence[k].herbs : std::size_t{0}; };
  if (preview.table.format == "txt") {
    // A text file is laid out by the guide: name, TAB, composition (, TAB, indications).
    c = {0, {1}, columns > 2 ? 2 : -1, -1, -1};
    if (herbs_in(0) > 0 && herbs_in(0) >= 2 * herbs_in(1))
      preview.layout_doubt =
          "每行一方的文本文件应是方名、TAB、组成，但这个文件第一列中认得的药名比第二列多，"
          "可能是组成在前。";
    return;
  }

  const auto used = [&](int k) {
    return k == c.name || k == c.indications || k == c.source || k == c.diagnosis ||
           std::find(c.composition.begin(), c.composition.end(), k) != c.composition.end();
  };
  std::vector<int> free;
  for (int k = 0; k < columns; ++k)
    if (!used(k)) free.push_back(k);
  if (c.composition.empty()) {
    // By content: the column of the herb names the dictionary knows. Only when no column holds
    // any do doses with units decide (a vocabulary the dictionary lacks).
    const bool any_herb =
        std::any_of(free.begin(), free.end(), [&](int k) { return evidence[k].herbs > 0; });
    const int best =
        any_herb
            ? ClearlyMost(evidence, free, &ColumnEvidence::herbs, &ColumnEvidence::cells_with_herbs)
            : ClearlyMost(evidence, free, &ColumnEvidence::doses, &ColumnEvidence::doses);
    if (best < 0) {
      std::vector<std::string> likely;
      for (const int k : free)
        if (any_herb ? evidence[k].herbs > 0 : evidence[k].doses > 0)
          likely.push_back(ColumnName(k));
      preview.layout_doubt =
          likely.size() > 1 ? "无法确定组成在哪一列：" + Join(likely, "、") + " 列都像组成。"
          : likely.empty() ? "没有一列读得出药名，无法确定组成在哪一列。"
                           : "组成所在的列（" + likely[0] + "）中认得的药名太少，无法确定。";
      return;
    }
    c.composition.push_back(best);
    std::erase(free, best);
  }
  if (c.name < 0) {
    // The first column left that is not a row number.
    for (const int k : free)
      if (evidence[k].numbers * 2 < evidence[k].cells) {
        c.name = k;
        break;
      }
    if (c.name < 0 && !free.empty()) c.name = free.front();
    std::erase(free, c.name);
  }
  if (c.indications < 0) {
    int best = -1;
    for (const int k : free)
      if (best < 0 || evidence[k].length > evidence[best].length) best = k;
    c.indications = best;
  }
}

// The first character of a text that a formula file cannot hold (a private-use character, or
// U+FFFD left by a broken conversion), or "". GB18030 holds every other one.
std::string FirstUnstorable(std::string_view text) {
  std::size_t replaced = 0;
  EncodeGbk(text, &replaced);
  if (!replaced) return {};
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t at = i;
    NextUtf8(text, i);
    EncodeGbk(text.substr(at, i - at), &replaced);
    if (replaced) return std::string(text.substr(at, i - at));
  }
  return {};
}

// A mention as the library writes it: the resolved name, the notes in one pair of brackets
// ("附子（炮，去皮，破八片）1枚"), the dose as written. A dose written inside a note stays
// there, as the shipped records have it ("石膏（如鸡子大，碎）").
HerbMention LibraryMention(std::string name, const std::vector<std::string>& notes,
                           const HerbMention& from) {
  HerbMention out{std::move(name), {}, from.dose, from.shared_dose, from.dose_in_note};
  if (!notes.empty()) out.notes = {Join(notes, "，")};
  return out;
}

// The herbs joined in the shipped style; a dose several herbs share is written once, after the
// last of them, as "各…" (牡蛎（熬），泽泻，…，栝蒌根各等分).
std::string WriteComposition(std::vector<HerbMention>& herbs) {
  std::vector<std::string> parts;
  std::size_t run = 0;
  for (std::size_t i = 0; i < herbs.size(); ++i) {
    HerbMention& h = herbs[i];
    if (!h.shared_dose) {
      run = 0;
      parts.push_back(FormatMention(h));
      continue;
    }
    ++run;
    const bool more =
        i + 1 < herbs.size() && herbs[i + 1].shared_dose && herbs[i + 1].dose.text == h.dose.text;
    if (more) {
      h.dose.text.clear();
    } else if (!h.dose_in_note && run > 1) {
      h.dose.text = "各" + h.dose.text;
    }
    if (!more) run = 0;
    parts.push_back(FormatMention(h));
  }
  return Join(parts, "，") + "。";
}

std::string JoinRow(const std::vector<std::string>& row) {
  std::vector<std::string> cells;
  cells.reserve(row.size());
  for (const auto& cell : row) cells.push_back(Field(cell));
  return Join(cells, " | ");
}

void WriteUtf8(const std::filesystem::path& path, const std::string& text) {
  AtomicFile file(path);
  file.WriteBytes(text);
  file.Commit();
}

std::string Percent(std::size_t part, std::size_t whole) {
  if (whole == 0) return "0%";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%",
                100.0 * static_cast<double>(part) / static_cast<double>(whole));
  return text;
}

}  // namespace

int ParseColumn(std::string_view text) {
  const std::string t = Trim(text);
  if (t.empty()) return -1;
  if (AllDigits(t)) return static_cast<int>(ParseDigits(t, 5).value_or(0)) - 1;
  int column = 0;
  for (const char c : t) {
    const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (u < 'A' || u > 'Z' || column > 1000) return -1;
    column = column * 26 + (u - 'A' + 1);
  }
  return column - 1;
}

std::string ColumnName(int column) {
  std::string name;
  for (int n = column + 1; n > 0; n = (n - 1) / 26)
    name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  return name;
}

ImportPreview PreviewImport(const std::filesystem::path& file, const ImportOptions& options,
                            const NameDictionary& dictionary) {
  ImportPreview preview;
  preview.table = ReadSourceTable(file, options.source);
  GuessLayout(preview, options.header, dictionary);
  if (options.columns_given) {
    preview.columns = options.columns;
    preview.layout_doubt.clear();
  }
  std::string sample;
  for (std::size_t r = 0; r < preview.table.rows.size() && r < 300; ++r)
    for (const auto& cell : preview.table.rows[r]) sample += cell;
  preview.traditional_share = TraditionalShare(sample);
  preview.propose_simplify = preview.traditional_share >= 0.02;
  return preview;
}

ImportResult RunImport(Session& session, const std::filesystem::path& file,
                       const ImportOptions& options) {
  return RunImport(session, file, options, NameDictionary::Load(session.ProgramFolder()));
}

ImportResult RunImport(Session& session, const std::filesystem::path& file,
                       const ImportOptions& options, const NameDictionary& dictionary) {
  if (std::string problem = CheckLibraryName(session, options.library); !problem.empty())
    throw SourceError(problem);
  const auto folder = LibraryFolder(session, options.library);
  if (std::filesystem::exists(folder) && !options.replace)
    throw SourceError("已有名为“" + options.library +
                      "”的方剂库。请换一个名字，或选择替换它（命令行：--replace）。");

  ImportResult result;
  result.library = options.library;
  result.folder = folder;
  result.preview = PreviewImport(file, options, dictionary);
  const ImportColumns& columns = result.preview.columns;
  auto& table = result.preview.table;
  if (!result.preview.layout_doubt.empty())
    throw SourceError(result.preview.layout_doubt +
                      "请用 --name-column 和 --composition-column 指定方名列和组成列（列字母或列"
                      "号，例如 --name-column A --composition-column B）。");
  if (columns.name < 0 || columns.composition.empty())
    throw SourceError(
        "找不到方名列或组成列。请指定哪一列是方名（--name-column）、哪一列是组成（--composition-"
        "column）。");
  const std::size_t total_columns = Columns(table);
  result.simplified =
      options.simplify == 1 || (options.simplify < 0 && result.preview.propose_simplify);

  // Columns the library format has no place for go to a side file.
  std::vector<int> extra;
  for (int k = 0; k < static_cast<int>(total_columns); ++k)
    if (k != columns.name && k != columns.indications &&
        std::find(columns.composition.begin(), columns.composition.end(), k) ==
            columns.composition.end())
      extra.push_back(k);

  struct Resolved {
    NameResolution resolution;
    bool decided = false;  // by the user's decision
  };
  std::unordered_map<std::string, Resolved> cache;
  std::map<std::string, UnresolvedName> unresolved;
  // Per name: its first row, each composition under it with its row, the next number to give.
  struct Named {
    std::size_t first_row = 0;
    std::unordered_map<std::string, std::size_t> compositions;
    std::size_t next = 2;
  };
  std::unordered_map<std::string, Named> seen;
  std::vector<std::string> records;
  std::string extra_text = "行号\t方名";
  for (const int k : extra) {
    const std::string title = result.preview.header ? Field(Cell(table.rows[0], k)) : "";
    extra_text += "\t" + (title.empty() ? ColumnName(k) + "列" : title);
  }
  extra_text += "\n";

  const std::size_t start = result.preview.header ? 1 : 0;
  const auto check_cancel = [&](std::size_t r) {
    if (options.cancel && (r & 255) == 0 && options.cancel->load())
      throw SourceError("导入已取消，方剂库没有改变。");
  };
  // Every name of the file is known before any row is renamed, so that a new name (自拟方（2）)
  // never takes the name of a later row.
  std::unordered_set<std::string> taken;
  for (std::size_t r = start; r < table.rows.size(); ++r) {
    check_cancel(r);
    if (result.simplified)
      for (auto& cell : table.rows[r]) {
        // Never a simplified form a formula file cannot hold where the cell itself could be.
        std::string simple = ToSimplified(cell);
        if (FirstUnstorable(simple).empty() || !FirstUnstorable(cell).empty())
          cell = std::move(simple);
      }
    taken.insert(Field(Cell(table.rows[r], columns.name)));
  }
  for (std::size_t r = start; r < table.rows.size(); ++r) {
    check_cancel(r);
    auto& row = table.rows[r];
    const std::size_t number = table.row_numbers[r];
    ++result.rows_read;
    const auto refuse = [&](std::string reason) {
      result.refused.push_back({number, std::move(reason), JoinRow(row)});
    };
    std::string name = Field(Cell(row, columns.name));
    std::vector<std::string> parts;
    for (const int k : columns.composition)
      if (!Trim(Cell(row, k)).empty()) parts.push_back(Cell(row, k));
    const std::string composition_text = Join(parts, "，");
    if (name.empty()) {
      refuse("没有方名");
      continue;
    }
    const auto mentions = ParseComposition(composition_text);
    if (mentions.empty()) {
      refuse(Trim(composition_text).empty() ? "没有组成" : "组成中读不出药名");
      continue;
    }
    std::vector<HerbMention> written;
    std::size_t row_mentions = 0, row_resolved = 0, row_decided = 0;
    std::vector<std::string> row_unresolved;
    for (const auto& mention : mentions) {
      auto [it, fresh] = cache.try_emplace(mention.name);
      if (fresh) {
        it->second.resolution = dictionary.Resolve(mention.name, options.keep_processed);
        it->second.decided = dictionary.DecidedByUser(mention.name);
      }
      const NameResolution& resolution = it->second.resolution;
      ++row_mentions;
      std::vector<NameResolution::Herb> herbs = resolution.herbs;
      if (herbs.empty()) {
        herbs.push_back({mention.name, {}});
        row_unresolved.push_back(mention.name);
      } else if (it->second.decided) {
        ++row_decided;  // the user's word, not the dictionary's
      } else {
        ++row_resolved;
      }
      for (const auto& herb : herbs) {
        std::vector<std::string> notes = herb.processing;
        if (options.keep_processed) {
          // A processing note joins the name when the processed herb is a herb of its own.
          std::vector<std::string> kept;
          std::string herb_name = herb.name;
          for (const auto& note : mention.notes) {
            if (dictionary.IsStandard(note + herb_name) && herb_name == herb.name)
              herb_name = note + herb_name;
            else
              kept.push_back(note);
          }
          if (herbs.size() > 1) kept.push_back(mention.name);
          written.push_back(LibraryMention(herb_name, kept, mention));
          continue;
        }
        for (const auto& note : mention.notes)
          if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(note);
        if (herbs.size() > 1) notes.push_back(mention.name);  // 焦三仙's herbs say where from
        written.push_back(LibraryMention(herb.name, notes, mention));
      }
    }
    const std::string composition = WriteComposition(written);
    const std::string indications = Field(Cell(row, columns.indications));
    const std::string bad = FirstUnstorable(name + composition + indications);
    if (!bad.empty()) {
      refuse("含有无法保存的字符“" + bad + "”（私用区字符或转换时损坏的字符）");
      continue;
    }
    // A name met again with the same composition is a duplicate; with another composition it is
    // another prescription and is kept under a name of its own.
    auto [named, first_time] = seen.try_emplace(name);
    if (first_time) {
      named->second.first_row = number;
    } else if (auto same = named->second.compositions.find(composition);
               same != named->second.compositions.end()) {
      refuse("与第 " + std::to_string(same->second) + " 行重复");
      continue;
    }
    named->second.compositions.emplace(composition, number);
    if (!first_time) {
      std::string renamed;
      do renamed = name + "（" + std::to_string(named->second.next++) + "）";
      while (!taken.insert(renamed).second);
      result.renamed.push_back({number, named->second.first_row, name, renamed});
      name = std::move(renamed);
    }
    records.push_back(name + "\t" + composition + "\t" + indications);
    result.mentions += row_mentions;
    result.resolved += row_resolved;
    result.decided += row_decided;
    for (const auto& written_name : row_unresolved) {
      auto& u = unresolved[written_name];
      if (u.count++ == 0) u.name = written_name, u.example = name;
    }
    if (!extra.empty()) {
      extra_text += std::to_string(number) + "\t" + name;
      for (const int k : extra) extra_text += "\t" + Field(Cell(row, k));
      extra_text += "\n";
    }
  }
  result.imported = records.size();
  result.refused_count = result.refused.size();
  if (records.empty())
    throw SourceError("没有一行可以导入（" + std::to_string(result.refused_count) +
                      " 行都被拒收），方剂库没有建立。");

  for (auto& [written, u] : unresolved) {
    u.suggestions = dictionary.Suggest(written);
    result.unresolved_with_suggestion += !u.suggestions.empty();
    result.unresolved.push_back(std::move(u));
  }
  std::stable_sort(
      result.unresolved.begin(), result.unresolved.end(),
      [](const UnresolvedName& a, const UnresolvedName& b) { return a.count > b.count; });

  // Everything is written into a hidden folder and swapped in at the end.
  const auto temp = FolderSwapTemporary(folder);
  std::error_code error;
  std::filesystem::remove_all(temp, error);
  try {
    if (!std::filesystem::create_directories(temp, error) && error)
      throw FileError(FileError::Kind::kWrite, temp, SystemErrorText(error.value()));
    {
      AtomicFile fangji(temp / "Fangji.DB");
      for (const auto& record : records) fangji.WriteLine(record);
      fangji.Commit();
    }
    std::string decisions = "写法\t标准名\t炮制\t依据\n";
    std::map<std::string, const Resolved*> sorted;
    for (const auto& [written, resolved] : cache) sorted.emplace(written, &resolved);
    for (const auto& [written, resolved] : sorted) {
      std::vector<std::string> names, processing;
      for (const auto& herb : resolved->resolution.herbs) {
        names.push_back(herb.name);
        processing.push_back(Join(herb.processing, "，"));
      }
      // A new herb the user marked is a standard name by now; the file says whose word it is.
      const std::string& how = resolved->decided && resolved->resolution.how == "标准名"
                                   ? "新药（" + std::string(kDecisionOrigin) + "）"
                                   : resolved->resolution.how;
      decisions += written + "\t" + (names.empty() ? "（未识别，保留原名）" : Join(names, "、")) +
                   "\t" + Join(processing, "、") + "\t" + how + "\n";
    }
    WriteUtf8(temp / std::string(kDecisionsFile), decisions);
    std::string refused = "行号\t原因\t内容\n";
    for (const auto& row : result.refused)
      refused += std::to_string(row.row) + "\t" + row.reason + "\t" + row.content + "\n";
    WriteUtf8(temp / std::string(kRefusedFile), refused);
    std::string names = "写法\t次数\t例方\t建议\n";
    for (const auto& u : result.unresolved) {
      std::vector<std::string> s;
      for (const auto& suggestion : u.suggestions) s.push_back(DescribeSuggestion(suggestion));
      names +=
          u.name + "\t" + std::to_string(u.count) + "\t" + u.example + "\t" + Join(s, "、") + "\n";
    }
    WriteUtf8(temp / std::string(kUnresolvedFile), names);
    if (!extra.empty()) WriteUtf8(temp / std::string(kExtraColumnsFile), extra_text);
    if (!result.renamed.empty()) {
      std::string renamed = "行号\t原方名\t导入为\t同名的第一行\n";
      for (const auto& row : result.renamed)
        renamed += std::to_string(row.row) + "\t" + row.name + "\t" + row.imported_as + "\t" +
                   std::to_string(row.first_row) + "\n";
      WriteUtf8(temp / std::string(kRenamedFile), renamed);
    }
    const auto& p = result.preview;
    std::string layout = "方名=" + ColumnName(columns.name) + "列，组成=";
    std::vector<std::string> comp;
    for (const int k : columns.composition) comp.push_back(ColumnName(k));
    layout += Join(comp, "、") + "列";
    if (columns.indications >= 0) layout += "，主治=" + ColumnName(columns.indications) + "列";
    if (columns.source >= 0) layout += "，出处=" + ColumnName(columns.source) + "列（存于其他列）";
    if (columns.diagnosis >= 0)
      layout += "，诊断=" + ColumnName(columns.diagnosis) + "列（存于其他列）";
    char date[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    const std::string info =
        "来源文件\t" + file.filename().string() + "\n导入时间\t" + date + "\n格式\t" +
        p.table.format + (p.table.sheet.empty() ? "" : "\n工作表\t" + p.table.sheet) + "\n编码\t" +
        p.table.encoding + (p.table.separator.empty() ? "" : "\n分隔符\t" + p.table.separator) +
        "\n标题行\t" + (p.header ? "有" : "无") + "\n列\t" + layout + "\n繁体转简体\t" +
        (result.simplified ? "是" : "否") + "\n炮制品\t" +
        (options.keep_processed ? "单列" : "并入原药") + "\n剂量\t" +
        (options.classical ? "古代（默认换算表 汉制 13.8 g）" : "现代（默认换算表 现代）") + "\n" +
        ImportSummary(result);
    WriteUtf8(temp / std::string(kImportInfoFile), info);
    if (options.classical)
      WriteUtf8(temp / std::string(kClassicalDosesFile),
                "本方剂库的剂量为古代计量，剂量分析默认按汉制 1 两 = 13.8 g 换算。\n");

    if (options.cancel && options.cancel->load()) throw SourceError("导入已取消，方剂库没有改变。");
    // One exchange (or two renames the next start can undo): a kill at any moment leaves the
    // old or the new library under its name.
    if (const int failed = SwapFolderIn(temp, folder))
      throw FileError(FileError::Kind::kWrite, folder, SystemErrorText(failed));
  } catch (...) {
    std::filesystem::remove_all(temp, error);
    throw;
  }
  return result;
}

AnalysisOutput ImportOutput(const ImportResult& r) {
  using C = TableCell;
  AnalysisOutput out;
  out.summary = "导入 " + std::to_string(r.imported) + " 首，拒收 " +
                std::to_string(r.refused_count) + " 行，未识别药名 " +
                std::to_string(r.unresolved.size()) + " 个";
  ResultTable counts{"import", "导入计数", {"项目", "数量"}, {}};
  for (const auto& [what, n] : {std::pair{"读取行数", r.rows_read},
                                {"导入方剂", r.imported},
                                {"拒收行数", r.refused_count},
                                {"同名改名", r.renamed.size()},
                                {"药名出现", r.mentions},
                                {"自动识别", r.resolved},
                                {"按决定识别", r.decided},
                                {"未识别药名", r.unresolved.size()},
                                {"其中有建议", r.unresolved_with_suggestion}})
    counts.rows.push_back({C::Text(what), C::Number(static_cast<double>(n))});
  ResultTable refused{"refused", "拒收的行", {"行号", "原因", "内容"}, {}};
  for (const auto& row : r.refused)
    refused.rows.push_back(
        {C::Number(static_cast<double>(row.row)), C::Text(row.reason), C::Text(row.content)});
  ResultTable names{"unresolved", "未识别的药名", {"写法", "次数", "例方", "建议"}, {}};
  for (const auto& u : r.unresolved) {
    std::vector<std::string> s;
    for (const auto& suggestion : u.suggestions) s.push_back(DescribeSuggestion(suggestion));
    names.rows.push_back({C::Text(u.name), C::Number(static_cast<double>(u.count)),
                          C::Text(u.example), C::Text(Join(s, "、"))});
  }
  ResultTable renamed{
      "renamed", "同名改名的方剂", {"行号", "原方名", "导入为", "同名的第一行"}, {}};
  for (const auto& row : r.renamed)
    renamed.rows.push_back({C::Number(static_cast<double>(row.row)), C::Text(row.name),
                            C::Text(row.imported_as),
                            C::Number(static_cast<double>(row.first_row))});
  out.tables = {std::move(counts), std::move(refused), std::move(names), std::move(renamed)};
  for (const auto file : {std::string_view("Fangji.DB"), kImportInfoFile, kDecisionsFile,
                          kRefusedFile, kUnresolvedFile})
    out.files.push_back("\\DB\\" + r.library + "\\" + std::string(file));
  if (!r.renamed.empty())
    out.files.push_back("\\DB\\" + r.library + "\\" + std::string(kRenamedFile));
  return out;
}

std::string ImportSummary(const ImportResult& r) {
  const auto& t = r.preview.table;
  std::string s = "方剂库\t" + r.library + "\n文件\t" + t.format +
                  (t.sheet.empty() ? "" : "，工作表“" + t.sheet + "”") + "，编码 " + t.encoding +
                  (t.separator.empty() ? "" : "，分隔符 " + t.separator) + "\n";
  s += "繁体字\t" + Percent(static_cast<std::size_t>(r.preview.traditional_share * 1000), 1000) +
       (r.simplified ? "，已转为简体" : "，未转换") + "\n";
  s += "读取行数\t" + std::to_string(r.rows_read) + "\n导入方剂\t" + std::to_string(r.imported) +
       "\n拒收行数\t" + std::to_string(r.refused_count) + "\n";
  if (!r.renamed.empty())
    s += "同名改名\t" + std::to_string(r.renamed.size()) +
         " 首（方名与前面的行相同而组成不同，见 " + std::string(kRenamedFile) + "）\n";
  s += "药名出现\t" + std::to_string(r.mentions) + "\n自动识别\t" + std::to_string(r.resolved) +
       "（" + Percent(r.resolved, r.mentions) + "）\n";
  if (r.decided)
    s += "按决定识别\t" + std::to_string(r.decided) + "（" + Percent(r.decided, r.mentions) +
         "，药名对照表中您的决定）\n";
  s += "未识别药名\t" + std::to_string(r.unresolved.size()) + " 个（有建议 " +
       std::to_string(r.unresolved_with_suggestion) + " 个，无建议 " +
       std::to_string(r.unresolved.size() - r.unresolved_with_suggestion) + " 个）\n";
  return s;
}

}  // namespace lindora
