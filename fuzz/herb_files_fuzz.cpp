// Herb-record and link parsing on arbitrary herb files (input: Herb_Name.DB NUL
// Herb_Compound.DB NUL keyword). Batched lookups must answer exactly as single ones.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "fuzz_input.h"
#include "herb/herb_files.h"
#include "herb/herb_types.h"

namespace fs = std::filesystem;

namespace {

void Check(const lindora::Session& session, const std::string& keyword) {
  lindora::FindHerbRecords(session, {keyword});
  int id = lindora::HerbIdByName(session, keyword);
  if (lindora::HerbIdsByName(session, {keyword, keyword}) != std::vector<int>{id, id})
    __builtin_trap();
  lindora::HerbTypeNoByName(session, keyword);
  std::int32_t number =
      static_cast<std::int32_t>(lindora::ToInt32(lindora::Val(keyword)).value_or(0));
  std::vector<std::string> names = lindora::HerbNamesById(session, {number, number});
  if (names.size() != 2 || names[0] != names[1]) __builtin_trap();
  std::vector<std::int32_t> ids;
  bool found = lindora::CompoundIdsOfHerb(session, number, ids);
  auto batched = lindora::CompoundIdsOfHerbs(session, {number, 0});
  if (batched.size() != 2 || (found ? batched[0] != ids : !batched[0].empty())) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path root = [] {
    fs::path r = fs::temp_directory_path() / ("lindora-fuzz-herb-" + std::to_string(::getpid()));
    fs::create_directories(r / "DB");
    return r;
  }();
  auto p = lindora::fuzz::Pieces(data, size, 3);
  std::ofstream(root / "DB/Herb_Name.DB", std::ios::binary | std::ios::trunc) << p[0];
  std::ofstream(root / "DB/Herb_Compound.DB", std::ios::binary | std::ios::trunc) << p[1];
  lindora::Session session(root, {});
  // A malformed file may be refused with a FileError (the windows show its message); anything
  // else escaping, a crash, or batched answers that differ from single ones is a finding.
  try {
    Check(session, p[2]);
  } catch (const lindora::FileError&) {
  }
  return 0;
}
