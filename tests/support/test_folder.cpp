#include "support/test_folder.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "common/files.h"
#include "common/gbk.h"

namespace lindora::test {

namespace fs = std::filesystem;

TestFolder::TestFolder() {
  std::string tmpl = (fs::temp_directory_path() / "lindora-test-XXXXXX").string();
  char* made = ::mkdtemp(tmpl.data());
  root_ = made ? fs::path(made) : fs::temp_directory_path() / "lindora-test";
  for (const char* sub : {"DB/Ref", "Result", "exe/babel"}) fs::create_directories(root_ / sub);
}

TestFolder::~TestFolder() {
  std::error_code ec;
  fs::permissions(root_ / "Result", fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(root_, ec);
}

void TestFolder::CopyData(const fs::path& program_folder) const {
  fs::copy(program_folder / "DB", root_ / "DB",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

void TestFolder::WriteBytes(std::string_view relative, std::string_view bytes) const {
  fs::path p = root_ / relative;
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TestFolder::WriteLines(std::string_view relative,
                            const std::vector<std::string>& lines) const {
  std::string bytes;
  for (const auto& l : lines) bytes += EncodeGbk(l) + "\r\n";
  WriteBytes(relative, bytes);
}

std::string TestFolder::ReadBytes(std::string_view relative) const {
  std::ifstream in(root_ / relative, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> TestFolder::ReadLines(std::string_view relative) const {
  return lindora::ReadLines(root_ / relative);
}

}  // namespace lindora::test
