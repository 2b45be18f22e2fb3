// The file writer under random write failures: a set of files whose contents and failing step
// come from the input is either all new (no error) or all old (an error), never mixed or
// truncated, and no temporary stays behind.
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "common/files.h"
#include "common/safe_write.h"
#include "fuzz_input.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("lindora-fuzz-writer-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  if (size < 2) return 0;
  // First byte: how many calls of the writer succeed before one fails (255: none fails).
  const int fail_after = data[0];
  const int errors[] = {ENOSPC, EIO, EDQUOT, EFBIG};
  const int error = errors[data[1] % 4];
  const auto contents = lindora::fuzz::Pieces(data + 2, size - 2, 4);
  const char* names[] = {"a.gexf", "b.csv", "c.png", "d.pdf"};
  for (int i = 0; i < 4; ++i) {
    lindora::AtomicFile old(folder / names[i]);
    old.WriteBytes("old" + std::to_string(i));
    old.Commit();
  }
  int calls = 0;
  lindora::SetWriteFault([&](const fs::path&, std::string_view) {
    return fail_after != 255 && calls++ == fail_after ? error : 0;
  });
  bool failed = false;
  try {
    lindora::AtomicFileSet set;
    for (int i = 0; i < 4; ++i) set.Add(folder / names[i]).WriteBytes(contents[i]);
    set.Commit();
  } catch (const lindora::FileError&) {
    failed = true;
  }
  lindora::SetWriteFault(nullptr);
  for (int i = 0; i < 4; ++i) {
    const std::string now = lindora::ReadFileBytes(folder / names[i]);
    if (now != (failed ? "old" + std::to_string(i) : contents[i])) __builtin_trap();
  }
  for (const auto& entry : fs::directory_iterator(folder))
    if (lindora::IsWriterTemporary(entry.path().filename().string())) __builtin_trap();
  return 0;
}
