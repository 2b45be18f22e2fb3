#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

#include "common/table_export.h"
#include "common/text.h"

namespace lindora::cli {

void ConsoleDialogs::Message(std::string_view text, std::string_view) {
  err_ << text << '\n';
}

bool ConsoleDialogs::AskYesNo(std::string_view, std::string_view) {
  if (answers_.empty()) return true;
  std::string a = answers_.front();
  answers_.pop_front();
  std::string up = UpperCase(a);
  return up == "Y" || up == "YES" || a == "是";
}

std::string ConsoleDialogs::Input(std::string_view, std::string_view default_text,
                                  std::string_view) {
  if (answers_.empty()) return std::string(default_text);
  std::string a = answers_.front();
  answers_.pop_front();
  return a;
}

void ConsoleClipboard::SetText(std::string_view text) {
  out_ << "# clipboard\n" << text << '\n';
}

void ConsoleUrlOpener::Open(std::string_view address) {
  out_ << "# open " << address << '\n';
}

namespace {

// The one printer of tables: a caption line, then one TAB-joined line per row; the table also
// goes to --xlsx as the command printed it.
void PrintLines(Context& ctx, std::string_view caption, std::string_view name, const Grid& grid,
                const std::vector<std::vector<std::string>>& lines) {
  ctx.out << "# " << caption << " — " << name << '\n';
  for (const std::vector<std::string>& line : lines) ctx.out << Join(line, "\t") << '\n';
  if (ctx.tables) {
    WorkbookSheet sheet;
    sheet.name = std::string(caption);
    sheet.caption = std::string(caption) + " — " + std::string(name);
    sheet.table = TableFromGrid(grid, sheet.name, sheet.caption);
    ctx.tables->grids.push_back(std::move(sheet));
  }
}

}  // namespace

void PrintGrid(Context& ctx, std::string_view caption, std::string_view name, const Grid& grid) {
  std::vector<std::vector<std::string>> lines;
  lines.reserve(static_cast<std::size_t>(grid.Rows()));
  for (int r = 0; r < grid.Rows(); ++r) lines.push_back(grid.RowCells(r));
  PrintLines(ctx, caption, name, grid, lines);
}

void PrintTable(Context& ctx, std::string_view caption, std::string_view name,
                const ResultTable& table) {
  std::vector<std::vector<std::string>> lines{table.header};
  const int cols = static_cast<int>(table.header.size());
  Grid grid(1, cols);
  for (int c = 0; c < cols; ++c) grid.SetTextMatrix(0, c, table.header[c]);
  for (const std::vector<TableCell>& row : table.rows) {
    lines.emplace_back();
    for (const TableCell& cell : row) lines.back().push_back(cell.text);
    grid.AddRow();
    for (int c = 0; c < cols && c < static_cast<int>(row.size()); ++c)
      grid.SetTextMatrix(grid.Rows() - 1, c, row[c].text);
  }
  PrintLines(ctx, caption, name, grid, lines);
}

void OfferSheets(Context& ctx, std::vector<WorkbookSheet> sheets) {
  if (ctx.tables) ctx.tables->window = std::move(sheets);
}

bool TakeXlsxOption(std::vector<std::string>& words, std::string& file) {
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "--") break;
    if (words[i] != "--xlsx") continue;
    if (i + 1 >= words.size()) return false;
    file = words[i + 1];
    words.erase(words.begin() + static_cast<std::ptrdiff_t>(i),
                words.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    return true;
  }
  return true;
}

int UsageError(Context& ctx, std::string_view usage) {
  ctx.err << "用法：lindora-cli " << usage << '\n';
  return kRefused;
}

std::string ParseErrorText(const std::exception& error) {
  const auto* e = dynamic_cast<const CLI::Error*>(&error);
  const std::string name = e ? e->get_name() : "";
  const std::string text = error.what();
  // What CLI11 names in its English text comes back in the Chinese one.
  const auto after = [&](std::string_view lead) {
    const std::size_t at = text.find(lead);
    return at == std::string::npos ? std::string()
                                   : DropControlCharacters(text.substr(at + lead.size()), false);
  };
  if (name == "RequiredError") {
    const std::size_t at = text.find(" is required");
    if (at != std::string::npos && at > 0) return "缺少必需的参数 " + text.substr(0, at) + "。";
    return "缺少必需的参数。";
  }
  // CLI11 names this error after the command it was raised in, so its type tells it apart.
  if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
    const std::string extras = after("expected: ");
    return extras.empty() ? "有多余的参数。" : "有多余的参数：" + extras + "。";
  }
  if (name == "ConversionError") {
    // CLI11 says "Could not convert: --rows = abc": the option and the value are told back.
    constexpr std::string_view kLead = "Could not convert: ";
    const std::size_t eq = text.find(" = ");
    if (text.starts_with(kLead) && eq != std::string::npos)
      return "选项 " + text.substr(kLead.size(), eq - kLead.size()) + " 的值“" +
             DropControlCharacters(text.substr(eq + 3), false) + "”不是有效的数。";
    return "参数的值无效。";
  }
  if (name == "ValidationError") {
    const std::size_t colon = text.find(": ");
    if (colon != std::string::npos && colon > 0)
      return "参数 " + DropControlCharacters(text.substr(0, colon), false) + " 的值无效。";
    return "参数的值无效。";
  }
  if (name == "ArgumentMismatch") return "参数的个数不对。";
  if (name == "ExcludesError") return "这两个选项不能同时使用。";
  return "命令行参数有误。";
}

std::optional<int> ParseWords(Context& ctx, CLI::App& app, const std::vector<std::string>& words,
                              std::string_view usage, Complaint complaint, bool answers_help) {
  std::vector<std::string> reversed(words.rbegin(), words.rend());
  try {
    app.parse(reversed);
    return std::nullopt;
  } catch (const CLI::CallForHelp& e) {
    if (!answers_help) {
      if (complaint == Complaint::kExplained) ctx.err << ParseErrorText(e) << '\n';
      if (complaint == Complaint::kAsCli11) ctx.err << e.what() << '\n';
      return UsageError(ctx, usage);
    }
    ctx.out << app.help();
    return kDone;
  } catch (const CLI::ParseError& e) {
    if (complaint == Complaint::kExplained) ctx.err << ParseErrorText(e) << '\n';
    if (complaint == Complaint::kAsCli11) ctx.err << e.what() << '\n';
    return UsageError(ctx, usage);
  }
}

std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}

Registrar::Registrar(const std::string& name, std::string usage, std::string help, CommandFn fn) {
  Commands()[name] = Command{std::move(usage), std::move(help), std::move(fn), {}, false};
}

Registrar::Registrar(const std::string& name, std::string usage, std::string help,
                     std::vector<std::string> options, CommandFn fn) {
  Commands()[name] =
      Command{std::move(usage), std::move(help), std::move(fn), std::move(options), false};
}

Registrar::Registrar(const std::string& name, std::string usage, std::string help, OwnOptions,
                     CommandFn fn) {
  Commands()[name] = Command{std::move(usage), std::move(help), std::move(fn), {}, true};
}

namespace {
bool LooksLikeOption(const std::string& word) {
  if (word.size() < 2 || word[0] != '-') return false;
  // -1, -0.5, -.5: a negative number is a value, not an option.
  const char c = word[1];
  return !((c >= '0' && c <= '9') || c == '.');
}
}  // namespace

std::string ParseArgs(const std::vector<std::string>& words,
                      const std::vector<std::string>& known_options, Args& args) {
  args.clear();
  args.options.clear();
  std::size_t i = 0;
  for (; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--") {
      ++i;
      break;
    }
    if (!LooksLikeOption(w)) break;
    if (std::find(known_options.begin(), known_options.end(), w) == known_options.end())
      return "未知选项：" + w + "（以“-”开头的文字前请加“--”）";
    args.options.insert(w);
  }
  args.insert(args.end(), words.begin() + static_cast<std::ptrdiff_t>(i), words.end());
  return {};
}

bool SplitWords(const std::string& line, std::vector<std::string>& words) {
  words.clear();
  std::string word;
  bool in_word = false;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (i < n) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (in_word) words.push_back(word), word.clear(), in_word = false;
      ++i;
    } else if (c == '\'') {
      std::size_t end = line.find('\'', i + 1);
      if (end == std::string::npos) return false;
      word.append(line, i + 1, end - i - 1);
      in_word = true;
      i = end + 1;
    } else if (c == '"') {
      in_word = true;
      ++i;
      while (true) {
        if (i >= n) return false;
        char d = line[i];
        if (d == '"') {
          ++i;
          break;
        }
        if (d == '\\' && i + 1 < n &&
            (line[i + 1] == '"' || line[i + 1] == '\\' || line[i + 1] == '$' ||
             line[i + 1] == '`')) {
          word.push_back(line[i + 1]);
          i += 2;
        } else {
          word.push_back(d);
          ++i;
        }
      }
    } else if (c == '\\' && i + 1 < n) {
      word.push_back(line[i + 1]);
      in_word = true;
      i += 2;
    } else {
      word.push_back(c);
      in_word = true;
      ++i;
    }
  }
  if (in_word) words.push_back(word);
  return true;
}

}  // namespace lindora::cli
