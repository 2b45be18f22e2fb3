// Stand-ins for the chemistry converter, placed where the program looks first
// (exe/babel/obabel), to inject faults; and a guard that hides the real one on PATH.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/test_folder.h"

namespace lindora::test {

// Writes an executable script as the converter of the folder.
inline void PlaceConverterStandIn(const TestFolder& folder, const std::string& script_body) {
  folder.WriteBytes("exe/babel/obabel", "#!/bin/sh\n" + script_body + "\n");
  ::chmod((folder / "exe/babel/obabel").c_str(), 0755);
}

// Empties PATH for its lifetime, so only a converter beside the program can be found.
class HiddenPath {
 public:
  HiddenPath() {
    if (const char* p = std::getenv("PATH")) saved_ = p;
    ::setenv("PATH", "/nonexistent-lindora", 1);
  }
  ~HiddenPath() {
    if (saved_)
      ::setenv("PATH", saved_->c_str(), 1);
    else
      ::unsetenv("PATH");
  }

 private:
  std::optional<std::string> saved_;
};

}  // namespace lindora::test
