// make_formula_db PROGRAM_FOLDER [RECORDS] [SEED]: writes PROGRAM_FOLDER/DB/Fangji.DB with
// generated records (100000 by default) and creates the DB and Result folders.
#include <cstdlib>
#include <iostream>

#include "formula_db_generator.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: make_formula_db PROGRAM_FOLDER [RECORDS] [SEED]\n";
    return 2;
  }
  std::filesystem::path root = argv[1];
  std::uint64_t records = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 100000;
  std::uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
  try {
    std::filesystem::create_directories(root / "DB");
    std::filesystem::create_directories(root / "Result");
    auto bytes = lindora::bench::WriteFormulaDb(root / "DB" / "Fangji.DB", records, seed);
    std::cout << records << " records, " << bytes << " bytes\n";
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  return 0;
}
