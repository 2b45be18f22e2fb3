// Formula libraries from the console: list them, import a user's prescriptions into one.
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli.h"
#include "common/files.h"
#include "common/text.h"
#include "formula/formula_import.h"
#include "formula/library.h"

namespace lindora::cli {
namespace {

constexpr const char* kImportUsage =
    "import FILE --library NAME [--sheet NAME|N] [--name-column C] [--composition-column C[,C…]] "
    "[--indications-column C] [--source-column C] [--diagnosis-column C] [--header|--no-header] "
    "[--simplify|--no-simplify] [--keep-processed] [--classical-doses] [--replace] [--max-rows N] "
    "[--review]";

int Libraries(Context& ctx, const Args&) {
  ctx.out << "# 方剂库\n名称\t方剂数\t文件夹\t打开\n";
  for (const auto& library : ListLibraries(ctx.session))
    ctx.out << library.name << '\t' << library.formulas << '\t'
            << (library.shipped ? std::string("DB") : "DB/" + library.name) << '\t'
            << (library.name == OpenLibraryName(ctx.session) ? "*" : "") << '\n';
  return kDone;
}

int Import(Context& ctx, const std::vector<std::string>& args) {
  ImportOptions options;
  std::string file, name_column, composition_columns, indications_column, source_column,
      diagnosis_column;
  bool header = false, no_header = false, simplify = false, no_simplify = false, review = false;
  CLI::App app{"import"};
  app.add_option("file", file)->required();
  app.add_option("--library", options.library)->required();
  app.add_option("--sheet", options.source.sheet);
  app.add_option("--name-column", name_column);
  app.add_option("--composition-column", composition_columns);
  app.add_option("--indications-column", indications_column);
  app.add_option("--source-column", source_column);
  app.add_option("--diagnosis-column", diagnosis_column);
  app.add_flag("--header", header);
  app.add_flag("--no-header", no_header);
  app.add_flag("--simplify", simplify);
  app.add_flag("--no-simplify", no_simplify);
  app.add_flag("--keep-processed", options.keep_processed);
  app.add_flag("--classical-doses", options.classical);
  app.add_flag("--replace", options.replace);
  app.add_option("--max-rows", options.source.max_rows)->check(CLI::Range(1, 10000000));
  app.add_flag("--review", review);
  if (auto status = ParseWords(ctx, app, args, kImportUsage, Complaint::kUsage)) return *status;
  if ((header && no_header) || (simplify && no_simplify)) return UsageError(ctx, kImportUsage);
  options.header = header ? 1 : no_header ? 0 : -1;
  options.simplify = simplify ? 1 : no_simplify ? 0 : -1;
  if (!name_column.empty() || !composition_columns.empty()) {
    if (name_column.empty() || composition_columns.empty()) {
      ctx.err << "--name-column 和 --composition-column 须同时给出。\n";
      return kFailed;
    }
    options.columns_given = true;
    const auto column = [&](const std::string& text, int& out) {
      if (text.empty()) return true;
      out = ParseColumn(text);
      if (out < 0) ctx.err << "列“" << text << "”不是列字母（A、B…）或列号（1、2…）。\n";
      return out >= 0;
    };
    bool ok = column(name_column, options.columns.name) &&
              column(indications_column, options.columns.indications) &&
              column(source_column, options.columns.source) &&
              column(diagnosis_column, options.columns.diagnosis);
    for (const auto& part : Split(composition_columns, ",")) {
      int k = -1;
      ok = ok && column(Trim(part), k);
      options.columns.composition.push_back(k);
    }
    if (!ok) return kFailed;
  }
  try {
    const ImportResult result = RunImport(ctx.session, fs::path(file), options);
    ctx.out << "# 导入\n" << ImportSummary(result);
    for (const auto& row : result.refused)
      ctx.out << "拒收\t第 " << row.row << " 行\t" << row.reason << '\n';
    if (review) {
      const AnalysisOutput output = ImportOutput(result);
      const ResultTable& names = output.tables.at(2);
      ctx.out << "# " << names.caption << '\n' << Join(names.header, "\t") << '\n';
      for (const auto& row : names.rows) {
        std::vector<std::string> cells;
        cells.reserve(row.size());
        for (const auto& cell : row) cells.push_back(cell.text);
        ctx.out << Join(cells, "\t") << '\n';
      }
    }
    return kDone;
  } catch (const SourceError& e) {
    ctx.err << e.what() << '\n';
    return kRefused;
  }
}

Registrar libraries_command("libraries", "libraries",
                            "lists the formula libraries (the shipped one and every import) with "
                            "their formula counts; * marks the open one",
                            Libraries);
Registrar import_command(
    "import", kImportUsage,
    "imports prescriptions from .xlsx, .csv or .txt into a new formula library DB/NAME/ (herb "
    "names reconciled through DB/药名对照.tsv) and prints the counts; --review lists the names "
    "that did not resolve",
    OwnOptions{}, Import);

}  // namespace
}  // namespace lindora::cli
