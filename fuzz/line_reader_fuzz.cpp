// The one line reader on arbitrary file contents: every byte except line ends comes back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/lindora-fuzz-lines-" + std::to_string(::getpid());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  lindora::LineReader reader(path);
  std::string line, joined;
  std::size_t expected = 0;
  for (std::size_t i = 0; i < size; ++i)
    if (data[i] != '\r' && data[i] != '\n') ++expected;
  while (reader.Next(line)) {
    if (line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    joined += line;
  }
  if (joined.size() != expected) __builtin_trap();
  lindora::ReadLines(path);
  return 0;
}
