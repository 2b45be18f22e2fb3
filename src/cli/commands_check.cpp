// check: what a researcher needs to know before blaming the program for missing data.
#include <unistd.h>

#include <ostream>

#include "cli/cli.h"
#include "common/files.h"
#include "common/gbk.h"
#include "common/process.h"
#include "common/text.h"

namespace lindora::cli {
namespace {

constexpr const char* kDataFiles[] = {
    "\\DB\\Fangji.DB",   "\\DB\\Herb_Name.DB",         "\\DB\\Herb_Compound.DB",
    "\\DB\\Compound.DB", "\\DB\\Ref\\抗癌天然产物.DB", "\\DB\\Ref\\抗流感天然产物.DB",
};

bool ReportDataFile(Context& ctx, const char* relative) {
  fs::path path = ctx.session.Path(relative);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    ctx.out << relative << "\tmissing\t" << path.string() << '\n';
    return false;
  }
  try {
    LineReader reader(path);
    std::string raw;
    long lines = 0;
    std::vector<long> bad_lines;
    while (reader.Next(raw)) {
      std::size_t bad = 0;
      DecodeGbk(raw, &bad);
      if (bad) bad_lines.push_back(lines);
      ++lines;
    }
    ctx.out << relative << '\t' << lines << " lines";
    if (!bad_lines.empty()) {
      ctx.out << "\t" << bad_lines.size() << " undecodable (lines";
      for (std::size_t k = 0; k < bad_lines.size() && k < 10; ++k) ctx.out << ' ' << bad_lines[k];
      ctx.out << (bad_lines.size() > 10 ? " …)" : ")");
    }
    ctx.out << '\n';
    return true;
  } catch (const FileError& e) {
    ctx.out << relative << "\tunreadable\t" << e.what() << '\n';
    return false;
  }
}

bool ReportResultFolder(Context& ctx) {
  fs::path folder = ctx.session.Path("\\Result");
  bool ok = false;
  try {
    fs::path probe = folder / ".lindora-write-check";
    WriteTextFile("", probe);
    fs::remove(probe);
    ok = true;
  } catch (const std::exception&) {
  }
  ctx.out << "\\Result\t" << (ok ? "writable" : "not writable") << '\t' << folder.string() << '\n';
  return ok;
}

bool ReportConverter(Context& ctx) {
  auto program = FindExecutable(ctx.session.Path("\\exe\\babel\\obabel"), "obabel");
  if (!program) {
    ctx.out << "converter\tmissing (obabel neither in exe/babel nor on PATH)\n";
    return false;
  }
  ProcessOutput po = RunProcess(*program, {"-V"}, std::chrono::seconds(20));
  std::string version = Trim(ReplaceAll(ReplaceAll(po.out, "\r", ""), "\n", " "));
  ctx.out << "converter\t" << program->string() << '\t'
          << (po.result.ok() ? version : po.result.message) << '\n';
  return po.result.ok();
}

int Check(Context& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(ctx, "check");
  ctx.out << "program folder\t" << ctx.session.ProgramFolder().string() << '\n';
  bool ok = true;
  for (const char* f : kDataFiles) ok = ReportDataFile(ctx, f) && ok;
  ok = ReportResultFolder(ctx) && ok;
  ok = ReportConverter(ctx) && ok;
  return ok ? kDone : kFailed;
}

Registrar check_command("check", "check",
                        "reports the program folder, data files, Result folder and converter",
                        Check);

}  // namespace
}  // namespace lindora::cli
