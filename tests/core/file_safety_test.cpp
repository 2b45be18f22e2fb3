// The program's files under attack and failure: links planted where temporaries or outputs go,
// full disks at every step of a write, killed and concurrent runs, hostile names in the data.
// Every case ends with the old files or the new ones, never a mix, a truncation or a write
// outside the program's folders.
#include <expat.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <random>
#include <regex>

#include "analysis/network/herb_network.h"
#include "common/csv.h"
#include "common/files.h"
#include "common/safe_write.h"
#include "common/text.h"
#include "support/cli_runner.h"
#include "support/test_folder.h"

namespace lindora {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Names in the folder that the writer or an older version used for temporaries.
std::vector<std::string> Leftovers(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name.starts_with(".lindora-") || Has(name, ".tmp") || Has(name, ".part") ||
        Has(name, ".old"))
      names.push_back(name);
  }
  return names;
}

// A pid that belonged to a process that has ended.
long DeadPid() {
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

// Well-formed XML 1.0 by a real parser.
bool ParsesAsXml(const std::string& text, std::string* error) {
  XML_Parser parser = XML_ParserCreate("UTF-8");
  const bool ok =
      XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) != XML_STATUS_ERROR;
  if (!ok) *error = XML_ErrorString(XML_GetErrorCode(parser));
  XML_ParserFree(parser);
  return ok;
}

bool HasControlBytes(const std::string& bytes) {
  for (unsigned char c : bytes)
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return true;
  return Has(bytes, "\xC2\x9B");  // the one-character terminal escape introducer
}

class WriterTest : public ::testing::Test {
 protected:
  void TearDown() override { SetWriteFault(nullptr); }
  test::TestFolder f;
};

TEST_F(WriterTest, LinksAtTheTargetOrAtOldTemporaryNamesAreNeverWrittenThrough) {
  const fs::path outside = f / "outside.txt";
  f.WriteBytes("outside.txt", "keep me");
  // The fixed names earlier writers used for their temporaries, planted as links.
  fs::create_symlink(outside, f / "Result/a.txt.part");
  fs::create_symlink(outside, f / ("Result/a.txt.tmp" + std::to_string(::getpid()) + "_0"));
  WriteTextFile("new", f / "Result/a.txt");
  EXPECT_EQ(f.ReadBytes("Result/a.txt"), "new\r\n");
  EXPECT_FALSE(fs::is_symlink(f / "Result/a.txt"));

  // A link as the target, as the backup emptied on every query, is refused, not followed.
  fs::create_symlink(outside, f / "Result/link.txt");
  EXPECT_THROW(WriteTextFile("x", f / "Result/link.txt"), FileError);
  try {
    ClearFile(f / "Result/link.txt");
    ADD_FAILURE() << "a link was emptied";
  } catch (const FileError& e) {
    EXPECT_TRUE(Has(e.what(), "符号链接")) << e.what();
  }
  EXPECT_THROW(AppendTextFile("x", f / "Result/link.txt"), FileError);
  EXPECT_EQ(f.ReadBytes("outside.txt"), "keep me");

  // A FIFO or a folder as the target is refused at once, without blocking.
  ASSERT_EQ(::mkfifo((f / "Result/fifo").c_str(), 0600), 0);
  EXPECT_THROW(AtomicFile(f / "Result/fifo"), FileError);
  EXPECT_THROW(ReadFileBytes(f / "Result/fifo"), FileError);
  EXPECT_THROW(LineReader(f / "Result/fifo"), FileError);
  fs::create_directory(f / "Result/dir");
  EXPECT_THROW(ClearFile(f / "Result/dir"), FileError);
  EXPECT_TRUE(Leftovers(f / "Result").size() == 2u) << "only the two planted links";
}

TEST_F(WriterTest, AFailureAtAnyStepKeepsTheOldFileLeavesNoTemporaryAndNamesTheReason) {
  const fs::path target = f / "Result/data.txt";
  WriteTextFile("old", target);
  for (const char* step : {"create", "write", "sync", "rename"}) {
    SetWriteFault([&](const fs::path&, std::string_view s) { return s == step ? ENOSPC : 0; });
    try {
      AtomicFile out(target);
      out.WriteBytes(std::string(200'000, 'x'));  // beyond the buffer: a real write
      out.Commit();
      ADD_FAILURE() << step << ": no error";
    } catch (const FileError& e) {
      EXPECT_TRUE(Has(e.what(), "磁盘空间不足")) << step << ": " << e.what();
    }
    EXPECT_EQ(f.ReadBytes("Result/data.txt"), "old\r\n") << step;
    EXPECT_TRUE(Leftovers(f / "Result").empty()) << step;
  }
  SetWriteFault(nullptr);

  // The rename fails because a folder took the target's place meanwhile: the reason is the
  // rename's, not the one left by the clean-up.
  fs::remove(target);
  AtomicFile out(target);
  out.WriteLine("new");
  fs::create_directory(target);
  try {
    out.Commit();
    ADD_FAILURE() << "renamed over a folder";
  } catch (const FileError& e) {
    EXPECT_TRUE(Has(e.what(), "文件夹")) << e.what();
    EXPECT_FALSE(Has(e.what(), "错误号 0") || Has(e.what(), "Success")) << e.what();
  }
  EXPECT_TRUE(Leftovers(f / "Result").empty());

  // A target name of 250 bytes leaves room for the temporary's name.
  const fs::path long_name = f / "Result" / (std::string(246, 'a') + ".csv");
  WriteTextFile("long", long_name);
  EXPECT_TRUE(fs::exists(long_name));
}

TEST_F(WriterTest, SetsAreAllOldOrAllNewWhicheverMemberFails) {
  const std::vector<std::string> names = {"a.gexf", "b.csv", "c.png", "d.svg"};
  for (const auto& n : names) f.WriteBytes("Result/" + n, "old " + n);
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    const std::string victim = names[random() % names.size()];
    const char* steps[] = {"write", "sync", "rename"};
    const std::string step = steps[random() % 3];
    SetWriteFault([&](const fs::path& target, std::string_view s) {
      return target.filename() == victim && s == step ? EIO : 0;
    });
    AtomicFileSet set;
    for (const auto& n : names) set.Add(f / "Result" / n).WriteBytes("new " + set.run_id());
    EXPECT_THROW(set.Commit(), FileError);
    std::set<std::string> contents;
    for (const auto& n : names) contents.insert(f.ReadBytes("Result/" + n).substr(0, 4));
    ASSERT_EQ(contents, std::set<std::string>{"old "}) << victim << " " << step;
    ASSERT_TRUE(Leftovers(f / "Result").empty()) << victim << " " << step;
  }
  SetWriteFault(nullptr);
  AtomicFileSet set;
  for (const auto& n : names) set.Add(f / "Result" / n).WriteBytes("new " + set.run_id());
  EXPECT_THROW(set.Add(f / "Result/x/../a.gexf"), FileError) << "one file named twice";
  set.Commit();
  for (const auto& n : names) EXPECT_EQ(f.ReadBytes("Result/" + n), "new " + set.run_id());
}

TEST_F(WriterTest, OnlyTheTemporariesOfEndedRunsAreRemovedAtTheNextStart) {
  const long dead = DeadPid();
  const std::string stale = ".lindora-" + std::to_string(dead) + "-abc123.tmp";
  const std::string live = ".lindora-" + std::to_string(::getpid()) + "-abc123.tmp";
  for (const char* folder : {"Result", "DB"}) {
    f.WriteBytes(std::string(folder) + "/" + stale, "half");
    f.WriteBytes(std::string(folder) + "/" + live, "busy");
    f.WriteBytes(std::string(folder) + "/my.tmp", "user's");
    f.WriteBytes(std::string(folder) + "/.lindora-x-abc.tmp", "not ours");
  }
  // What earlier versions left: a temporary of theirs, and a rule file set aside in a swap.
  const std::string older = "Result/关联规则.csv.tmp" + std::to_string(dead) + "_3";
  f.WriteBytes(older, "half");
  f.WriteBytes("Result/关联规则.csv.old", "rules");
  const auto run = test::RunCli({"--root", f.root().string(), "sets"});
  EXPECT_FALSE(fs::exists(f / older));
  EXPECT_EQ(f.ReadBytes("Result/关联规则.csv"), "rules");
  EXPECT_FALSE(fs::exists(f / "Result/关联规则.csv.old"));
  for (const char* folder : {"Result", "DB"}) {
    const std::string p = std::string(folder) + "/";
    EXPECT_FALSE(fs::exists(f / (p + stale))) << folder;
    EXPECT_TRUE(fs::exists(f / (p + live)) && fs::exists(f / (p + "my.tmp")) &&
                fs::exists(f / (p + ".lindora-x-abc.tmp")))
        << folder;
  }
}

// Root may write anywhere; what an ordinary user meets is checked as `nobody` in a child.
TEST_F(WriterTest, AFolderTheUserCannotWriteKeepsItsFileAndSaysWhy) {
  fs::create_directory(f / "Result/ro");
  WriteTextFile("old", f / "Result/ro/x.txt");
  fs::permissions(f.root(), fs::perms::all);
  fs::permissions(f / "Result", fs::perms::all);
  fs::permissions(f / "Result/ro", fs::perms::owner_all | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read |
                                       fs::perms::others_exec);
  pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    if (::geteuid() != 0 && ::access((f / "Result/ro").c_str(), W_OK) == 0) ::_exit(4);
    try {
      WriteTextFile("new", f / "Result/ro/x.txt");
    } catch (const FileError& e) {
      ::_exit(Has(e.what(), "没有权限") ? 0 : 5);
    }
    ::_exit(6);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot become nobody";
  if (WEXITSTATUS(status) == 4) GTEST_SKIP() << "this user owns the folder";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(f.ReadBytes("Result/ro/x.txt"), "old\r\n");
}

// Minimal CSV reading as a spreadsheet does it: quoted fields, doubled quotes.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
        field += '"', ++i;
      else if (c == '"')
        quoted = false;
      else
        field += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(field), field.clear();
    } else if (c == '\n') {
      rows.back().push_back(field), field.clear(), rows.emplace_back();
    } else if (c != '\r') {
      field += c;
    }
  }
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

TEST(CsvTextTest, FormulaLookingCellsReadBackAsTextAndNumbersStayNumbers) {
  const std::vector<std::string> cells = {"=cmd|' /C calc'!A0",
                                          "+1+1",
                                          "-2+3",
                                          "@SUM(A1)",
                                          "\tx",
                                          "\r=1",
                                          "甘草",
                                          "-1.5",
                                          "+3",
                                          "0.25",
                                          "-",
                                          "1e5",
                                          "a\x01"
                                          "b\x1b[31m"};
  const auto rows = ParseCsv(CsvText({cells}, {.byte_order_mark = false}));
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_EQ(rows[0].size(), cells.size());
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const std::string& cell = rows[0][i];
    char* end = nullptr;
    std::strtod(cell.c_str(), &end);
    const bool number = !cell.empty() && *end == '\0';
    // A spreadsheet evaluates a cell that starts with one of these unless it is a number.
    if (!cell.empty() && std::string("=+-@\t\r").find(cell[0]) != std::string::npos) {
      EXPECT_TRUE(number) << i << ": " << cell;
    }
    EXPECT_FALSE(HasControlBytes(cell)) << i;
  }
  EXPECT_EQ(rows[0][0], "'=cmd|' /C calc'!A0");
  EXPECT_EQ(rows[0][7], "-1.5");
  EXPECT_EQ(rows[0][12], "ab[31m");
}

// Herb names with control characters, as valid GBK bytes in the data, through every file and
// the terminal.
TEST(HostileNamesTest, ControlCharactersNeverReachXmlCsvHtmlOrTheTerminal) {
  test::TestFolder f;
  const std::string bad = std::string("\x01") + "麻黄\x1b[2J";
  const std::string formula = "=HYPERLINK(\"x\")";
  std::vector<std::string> records;
  for (int i = 0; i < 6; ++i)
    records.push_back(formula + std::to_string(i) + "\t" + bad + "，桂枝，甘草&<\"，杏仁，@芍药" +
                      (i % 2 ? "，=大枣" : "") + "\t咳" + bad);
  f.WriteLines("DB/Fangji.DB", records);
  const auto run = test::RunCli({"--root", f.root().string(), "--script", "-"},
                                "query 桂枝\nnetwork --top 10 --min-edge 1\nrules\n"
                                "report --sections data,herbs,network\nherb-pairs\n"
                                "cluster-herbs --k 2\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_FALSE(Has(run.out, "\x1b") || Has(run.err, "\x1b"));

  std::string error;
  std::set<std::string> runs;
  const std::string tree = f.ReadBytes("Result/聚类_树.svg");
  EXPECT_TRUE(ParsesAsXml(tree, &error)) << "聚类_树.svg: " << error;
  EXPECT_FALSE(HasControlBytes(tree));
  // The herb-group name files are GBK; a name a spreadsheet takes for a formula is quoted.
  for (int n = 2; n <= 4; ++n) {
    const std::string name = "Yaodui_Analysis" + std::to_string(n) + "_Name.csv";
    const std::string text = f.ReadBytes("Result/" + name);
    EXPECT_TRUE(Has(text, "'@")) << name;
    for (const auto& row : ParseCsv(text))
      for (const auto& cell : row)
        EXPECT_FALSE(cell.starts_with("=") || cell.starts_with("@")) << name << ": " << cell;
  }
  for (const char* xml : {"药物网络.gexf", "药物网络.graphml", "药物网络.svg"}) {
    const std::string text = f.ReadBytes(std::string("Result/") + xml);
    EXPECT_TRUE(ParsesAsXml(text, &error)) << xml << ": " << error;
    // "[2J" reads as a bracketed note, not a part of the name; Qt's SVG writes its labels in
    // its own way.
    if (std::string_view(xml) != "药物网络.svg") {
      EXPECT_TRUE(Has(text, "麻黄")) << xml;
      EXPECT_FALSE(Has(text, "2J")) << xml;
    }
    std::smatch m;
    if (std::regex_search(text, m, std::regex("Lindora run ([0-9TZ]+-[0-9a-f]+)")))
      runs.insert(m[1]);
  }
  EXPECT_EQ(runs.size(), 1u) << "the network files carry one run id";
  for (const auto& e : fs::directory_iterator(f / "Result")) {
    const std::string name = e.path().filename().string();
    if (!name.ends_with(".csv") && !name.ends_with(".html")) continue;
    const std::string text = f.ReadBytes("Result/" + name);
    EXPECT_FALSE(HasControlBytes(text)) << name;
    for (const auto& row : ParseCsv(name.ends_with(".csv") ? text : ""))
      for (const auto& cell : row) EXPECT_FALSE(cell.starts_with("=")) << name << ": " << cell;
  }
}

class OutputTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.WriteLines("DB/Fangji.DB",
                 {"甲方\t麻黄，桂枝，甘草\t热", "乙方\t麻黄，桂枝\t咳", "丙方\t桂枝，甘草\t咳"});
    ASSERT_EQ(Run({"query", "桂枝"}).status, 0);
  }
  test::CliRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", f.root().string()});
    return test::RunCli(args);
  }
  test::TestFolder f;
};

TEST_F(OutputTargetTest, ProgramDataDevicesFifosAndDoubleNamesAreRefusedBeforeAnyWork) {
  const std::string data = f.ReadBytes("DB/Fangji.DB");
  ASSERT_EQ(::mkfifo((f / "fifo").c_str(), 0600), 0);
  const std::string out = (f / "out.html").string();
  const std::vector<std::vector<std::string>> refused = {
      {"report", "--html", (f / "DB/Fangji.DB").string()},
      {"report", "--pdf", (f / "DB/../DB/Fangji.DB").string()},
      {"report", "--html", (f / "fifo").string()},
      {"report", "--html", "/dev/null"},
      {"report", "--html", out, "--pdf", out},
      {"network", "--png", (f / "DB/x.png").string()},
      {"network", "--png", (f / "x.png").string(), "--svg", (f / "./x.png").string()},
      {"chart", "herb-frequency", (f / "chart.jpg").string()},
      {"chart", "herb-frequency", (f / "DB/Ref").string() + "/c.png"},
  };
  for (const auto& args : refused) {
    const auto r = Run(args);
    EXPECT_EQ(r.status, 1) << args[0] << " " << args[2] << "\n" << r.err;
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_EQ(f.ReadBytes("DB/Fangji.DB"), data);
  EXPECT_FALSE(fs::exists(f / "out.html") || fs::exists(f / "chart.jpg"));
  EXPECT_TRUE(fs::is_fifo(f / "fifo"));
}

// Every way a user names an output, aimed at each thing the program owns, by plain, relative,
// ".." and linked paths: refused before any work, and nothing owned changes.
TEST_F(OutputTargetTest, NoOutputReplacesTheProgramsDataProgramsDocumentsOrResultSets) {
  ASSERT_EQ(Run({"save-set", "keep"}).status, 0);
  f.WriteLines("DB/Herb_Name.DB", {"1\t30\t甘草\tgancao\t"});
  f.WriteBytes("DB/药名对照.tsv", "写法\t标准名\t类别\t来源\n");
  f.WriteBytes("docs/使用说明.md", "说明\n");
  fs::create_directory_symlink(f / "DB", f / "data-link");
  const std::string bin = LINDORA_BIN_DIR;
  std::vector<fs::path> owned = {f / "DB/Fangji.DB",
                                 f / "DB/Herb_Name.DB",
                                 f / "DB/药名对照.tsv",
                                 f / "docs/使用说明.md",
                                 f / "Result/Result.DB",
                                 f / "Result/Result.DB.bak",
                                 f / "Result/Result.DB.recipe",
                                 f / "Result/Sets/keep.DB",
                                 bin + "/lindora-cli",
                                 bin + "/lindora_cli_pictures.so"};
  std::map<fs::path, std::string> before;
  for (const fs::path& p : owned)
    if (fs::exists(p)) before[p] = ReadFileBytes(p);
  ASSERT_GE(before.size(), 9u);
  auto at = [&](const char* relative) { return (f / relative).string(); };
  const std::vector<std::vector<std::string>> refused = {
      {"--xlsx", at("DB/Herb_Name.DB"), "herb-frequency"},
      {"--xlsx", at("DB/Fangji.DB"), "--script", "-"},
      {"--xlsx", bin + "/lindora-cli", "herb-frequency"},
      {"herb-frequency", "--xlsx", at("data-link/Fangji.DB")},
      {"herb-frequency", "--xlsx", at("Result/../docs/使用说明.md")},
      {"report", "--pdf", at("Result/Sets/keep.DB")},
      {"report", "--html", at("Result/Result.DB")},
      {"report", "--xlsx", at("Result/result.db.recipe")},
      {"picture", "C", at("Result/Result.DB")},
      {"picture", "C", bin + "/lindora_cli_pictures.so"},
      {"network", "--svg", at("Result/Result.DB.bak")},
      {"cluster-herbs", "--png", at("Result/Sets/new.png")},
      {"herb-properties", "--chart", at("docs/x.png")},
      {"doses", "--chart", at("data-link/x.png")},
      {"compare-sets", ".", "keep", "--png", at("DB/Ref/x.png")},
  };
  for (const auto& args : refused) {
    const auto r = Run(args);
    EXPECT_EQ(r.status, 1) << args[0] << " " << args[1] << " " << args[2] << "\n" << r.err;
    EXPECT_FALSE(r.err.empty()) << args[0];
  }
  for (const auto& [path, bytes] : before) EXPECT_EQ(ReadFileBytes(path), bytes) << path;
  EXPECT_FALSE(fs::exists(f / "Result/Sets/new.png") || fs::exists(f / "docs/x.png"));
}

// A library is a folder in DB/ named by the user: never a data file's name (an import with
// --replace would take its place), never a name with invisible characters, never a path.
TEST_F(OutputTargetTest, LibraryNamesAreNeverDataFilesHiddenCharactersOrPaths) {
  f.WriteLines("DB/Herb_Name.DB", {"1\t30\t甘草\tgancao\t"});
  f.WriteBytes("DB/药名对照.tsv", "写法\t标准名\t类别\t来源\n");
  f.WriteBytes("in.csv", "方名,组成\n丁方,麻黄10g，桂枝6g\n");
  fs::create_directories(f / "elsewhere");
  f.WriteLines("elsewhere/Fangji.DB", {"外方\t麻黄\t咳"});
  const std::string fangji = f.ReadBytes("DB/Fangji.DB");
  const std::string herbs = f.ReadBytes("DB/Herb_Name.DB");
  const std::string dictionary = f.ReadBytes("DB/药名对照.tsv");
  const std::string file = (f / "in.csv").string();
  for (const char* name : {"Fangji.DB", "fangji.db", "Herb_Name.DB", "药名对照.tsv", "甲\x1b[31m方",
                           "甲\u202e方", "甲\u200b方", "甲\u2066方"}) {
    for (const bool replace : {false, true}) {
      std::vector<std::string> args = {"import", file, "--library", name};
      if (replace) args.push_back("--replace");
      const auto r = Run(args);
      EXPECT_EQ(r.status, 1) << name << "\n" << r.out << r.err;
      EXPECT_FALSE(Has(r.err, "已有名为")) << r.err;
    }
  }
  EXPECT_EQ(f.ReadBytes("DB/Fangji.DB"), fangji);
  EXPECT_EQ(f.ReadBytes("DB/Herb_Name.DB"), herbs);
  EXPECT_EQ(f.ReadBytes("DB/药名对照.tsv"), dictionary);
  for (const std::string& path :
       {(f / "elsewhere").string(), std::string("../elsewhere"), std::string("a\\b")}) {
    const auto r = Run({"--library", path, "find-formula", "外方"});
    EXPECT_EQ(r.status, 1) << path << "\n" << r.out;
    EXPECT_FALSE(Has(r.out, "外方")) << r.out;
  }
  // A good name still imports.
  EXPECT_EQ(Run({"import", file, "--library", "丁"}).status, 0);
}

// Anything but a file at the lock's place would turn the lock off; it is refused by name.
TEST_F(OutputTargetTest, AFolderAtTheLockStopsWritersInsteadOfUnlockingThem) {
  const std::string set = f.ReadBytes("Result/Result.DB");
  fs::remove(f / "Result/.lindora.lock");
  fs::create_directory(f / "Result/.lindora.lock");
  EXPECT_THROW(
      {
        try {
          FolderLock lock(f / "Result", std::chrono::milliseconds(0));
        } catch (const FileError& e) {
          EXPECT_TRUE(Has(e.what(), ".lindora.lock")) << e.what();
          throw;
        }
      },
      FileError);
  // Two imports at once into one name: neither may silently replace the other.
  f.WriteBytes("in.csv", "方名,组成\n丁方,麻黄10g，桂枝6g\n");
  std::vector<pid_t> children;
  for (int i = 0; i < 2; ++i) {
    pid_t child = ::fork();
    if (child == 0) {
      const auto r = Run({"import", (f / "in.csv").string(), "--library", "丁"});
      ::_exit(r.status != 0 && Has(r.err, ".lindora.lock") ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  EXPECT_FALSE(fs::exists(f / "DB/丁"));
  const auto r = Run({"query", "麻黄"});
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_TRUE(Has(r.err, "不是普通文件")) << r.err;
  EXPECT_EQ(f.ReadBytes("Result/Result.DB"), set);
}

// What a user gives by mistake is named for what it is, and an endless input ends.
TEST_F(OutputTargetTest, MistakenInputsAreNamedForWhatTheyAre) {
  for (const char* script : {"/etc", "/dev/zero"}) {
    const auto r = test::RunCli({"--root", f.root().string(), "--script", script});
    EXPECT_EQ(r.status, 1) << script;
    EXPECT_TRUE(Has(r.err, "普通文件")) << r.err;
  }
  const auto endless = test::RunCli({"--root", f.root().string(), "--script", "-"},
                                    "sets\n" + std::string(3 << 20, 'x'));
  EXPECT_EQ(endless.status, 1);
  EXPECT_TRUE(Has(endless.err, "第 2 行超过 1 MB")) << endless.err;

  const auto top = Run({"doses", "--top", "999999999"});
  EXPECT_EQ(top.status, 1);
  EXPECT_TRUE(Has(top.err, "1 到 200")) << top.err;

  // Excel's "Unicode text": UTF-16LE with its mark, TAB-separated.
  f.WriteLines("DB/Herb_Name.DB", {"1\t30\t麻黄\tmahuang\t", "2\t30\t桂枝\tguizhi\t"});
  std::u16string text = u"方名\t组成\r\n丁方\t麻黄10g，桂枝6g\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : text) utf16 += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  f.WriteBytes("unicode.csv", utf16);
  const auto unicode = Run({"import", (f / "unicode.csv").string(), "--library", "丁"});
  EXPECT_EQ(unicode.status, 0) << unicode.err;
  const auto imported = f.ReadLines("DB/丁/Fangji.DB");
  ASSERT_EQ(imported.size(), 1u);
  EXPECT_TRUE(imported[0].starts_with("丁方")) << imported[0];

  ASSERT_EQ(::mkfifo((f / "pipe.csv").c_str(), 0600), 0);
  const auto pipe = Run({"import", (f / "pipe.csv").string(), "--library", "戊"});
  EXPECT_EQ(pipe.status, 1);
  EXPECT_TRUE(Has(pipe.err, "不是普通文件") && !Has(pipe.err, "找不到")) << pipe.err;

  // A link at the result set's backup: the search fails whole, said once, the set unchanged.
  const std::string set = f.ReadBytes("Result/Result.DB");
  fs::remove(f / "Result/Result.DB.bak");
  fs::create_symlink(f / "in.csv", f / "Result/Result.DB.bak");
  const auto linked = Run({"query", "甘草"});
  EXPECT_EQ(linked.status, 2);
  std::size_t said = 0;
  for (std::size_t at = 0; (at = linked.err.find("Result.DB.bak", at)) != std::string::npos; ++at)
    ++said;
  EXPECT_EQ(said, 1u) << linked.err;
  EXPECT_EQ(f.ReadBytes("Result/Result.DB"), set);

  f.WriteBytes("DB/药名对照.tsv", "写法\t标准名\t类别\n\xFF\xFF\x81\t麻黄\t\n");
  f.WriteBytes("in.csv", "方名,组成\n己方,麻黄10g\n");
  const auto dictionary = Run({"import", (f / "in.csv").string(), "--library", "己"});
  EXPECT_NE(dictionary.status, 0);
  EXPECT_TRUE(Has(dictionary.err, "药名对照")) << dictionary.err;
}

TEST_F(OutputTargetTest, AFifoInPlaceOfTheResultSetOrASavedSetIsRefusedNotWaitedFor) {
  ASSERT_EQ(Run({"save-set", "甲"}).status, 0);
  fs::remove(f / "Result/Sets/甲.DB");
  ASSERT_EQ(::mkfifo((f / "Result/Sets/甲.DB").c_str(), 0600), 0);
  auto sets = Run({"sets"});
  EXPECT_TRUE(Has(sets.out + sets.err, "甲")) << sets.out << sets.err;
  fs::remove(f / "Result/Result.DB");
  ASSERT_EQ(::mkfifo((f / "Result/Result.DB").c_str(), 0600), 0);
  auto r = Run({"herb-frequency"});
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(Has(r.err, "不是普通文件")) << r.err;
}

TEST_F(OutputTargetTest, ConcurrentRunsEachPublishAWholeSetAndAKilledRunLeavesNothing) {
  // Four network runs at once: each finishes or is told the folder is busy, and the files on
  // disk always come from one run.
  std::vector<pid_t> children;
  for (int i = 0; i < 4; ++i) {
    pid_t child = ::fork();
    if (child == 0) {
      const auto r = Run({"network", "--top", "3", "--min-edge", "1"});
      ::_exit(r.status == 0 || Has(r.err, "另一个分析正在写入结果文件") ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  std::set<std::string> runs;
  for (const char* xml : {"药物网络.gexf", "药物网络.graphml", "药物网络.svg"}) {
    std::smatch m;
    const std::string text = f.ReadBytes(std::string("Result/") + xml);
    ASSERT_TRUE(std::regex_search(text, m, std::regex("Lindora run ([^ ]+)"))) << xml;
    runs.insert(m[1]);
  }
  EXPECT_EQ(runs.size(), 1u);

  // A run killed in the middle of writing a large result set: the next run finds the old or
  // the new set and no temporary.
  std::vector<std::string> records;
  for (int i = 0; i < 150'000; ++i)
    records.push_back("方" + std::to_string(i) + "\t甘草，桂枝\t咳");
  f.WriteLines("DB/Fangji.DB", records);
  const std::string old_set = f.ReadBytes("Result/Result.DB");
  pid_t child = ::fork();
  if (child == 0) {
    const std::string program = std::string(LINDORA_BIN_DIR) + "/lindora-cli";
    ::freopen("/dev/null", "w", stdout);
    ::execl(program.c_str(), program.c_str(), "--root", f.root().c_str(), "query", "甘草",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::usleep(300'000);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ASSERT_EQ(Run({"sets"}).status, 0);
  const std::string now = f.ReadBytes("Result/Result.DB");
  EXPECT_TRUE(now == old_set || f.ReadLines("Result/Result.DB").size() == 150'000u);
  EXPECT_TRUE(Leftovers(f / "Result").empty());
}

}  // namespace
}  // namespace lindora
