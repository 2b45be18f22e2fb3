// A program folder under a temporary directory, with GBK data files written by the test.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lindora::test {

class TestFolder {
 public:
  TestFolder();  // creates DB/, DB/Ref/, Result/, exe/, exe/babel/
  // Also copies the data folder DB of a program folder, e.g. the shipped sample data of the
  // build: tests never work in the build's own program folder.
  explicit TestFolder(const std::filesystem::path& data_of) : TestFolder() { CopyData(data_of); }
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& root() const { return root_; }
  // Path below the root, written with slashes ("DB/Fangji.DB").
  std::filesystem::path operator/(std::string_view relative) const { return root_ / relative; }
  // Writes the lines GBK-encoded, each ended by CR LF.
  void WriteLines(std::string_view relative, const std::vector<std::string>& lines) const;
  // Copies the data folder DB (with DB/Ref) of a program folder.
  void CopyData(const std::filesystem::path& program_folder) const;
  // Writes raw bytes.
  void WriteBytes(std::string_view relative, std::string_view bytes) const;
  std::string ReadBytes(std::string_view relative) const;
  // The decoded lines of a file.
  std::vector<std::string> ReadLines(std::string_view relative) const;

 private:
  std::filesystem::path root_;
};

}  // namespace lindora::test
