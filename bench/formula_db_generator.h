// A deterministic formula database of any size, in the database's own format (GBK, TAB
// separated, CR LF), for benchmarks: 8 to 15 herbs with notes and doses per record, 30 to 80
// characters of indications, effects on about half of the records.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace lindora::bench {

// Record `index` (UTF-8, no line end); the same index and seed always give the same record.
std::string GeneratedFormulaRecord(std::uint64_t index, std::uint64_t seed = 1);

// Writes `records` records to `path`; returns the number of bytes written.
std::uintmax_t WriteFormulaDb(const std::filesystem::path& path, std::uint64_t records,
                              std::uint64_t seed = 1);

}  // namespace lindora::bench
