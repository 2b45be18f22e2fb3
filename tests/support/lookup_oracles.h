// Single-item lookups kept as test oracles: each reads its file afresh for one question, in the
// plainest way, so the batched lookups of the program can be checked against them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lindora {

class Session;

namespace test {

// The record FindHerbRecords gives for one keyword.
std::string FindHerbRecord(const Session& session, std::string_view keyword);
// The name HerbNamesById gives for one herb number.
std::string HerbNameById(const Session& session, std::int32_t herb_number);
// The first line of the compound file in which the identifier stands as a whole TAB-delimited
// field followed by a TAB; empty when there is none. Raises FileError when unreadable.
std::string CompoundRecordById(const std::filesystem::path& compound_file, std::int32_t id);

// The first line of a reference set that contains the key anywhere; none for an empty key (the
// set is still opened, so a missing one raises FileError).
std::optional<std::string> FindRefRecord(const std::filesystem::path& ref_set,
                                         std::string_view key);

}  // namespace test
}  // namespace lindora
