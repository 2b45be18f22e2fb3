// The chemistry data files: compounds, the herb-compound links seen from a compound, and the two
// reference sets of active natural products. Each lookup has a
// one-at-a-time form and a batched form that reads the file once and gives the same answers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

inline constexpr std::string_view kCompoundDb = "\\DB\\Compound.DB";
inline constexpr std::string_view kAnticancerRefDb = "\\DB\\Ref\\抗癌天然产物.DB";
inline constexpr std::string_view kAntiinfluenzaRefDb = "\\DB\\Ref\\抗流感天然产物.DB";

// The first line in which the identifier stands as a whole TAB-delimited field that is followed
// by a TAB; the empty text when there is none. The line comes back untrimmed.
std::string CompoundRecordById(const std::filesystem::path& compound_file, std::int32_t id);
// The records of many identifiers in their order, reading the file once.
std::vector<std::string> CompoundRecordsById(const std::filesystem::path& compound_file,
                                             const std::vector<std::int32_t>& ids);

// The herb numbers of the link lines whose compound field has the value of the identifier, in
// file order; a herb listed twice comes twice. A number beyond 32 bits is nullopt: it names no
// line of the herb-name file and is not wrapped onto another herb.
std::vector<std::optional<std::int32_t>> HerbsContainingCompound(
    const std::filesystem::path& herb_compound_file, double compound_id);

// The first line of a reference set that contains the key anywhere (case-sensitive). An empty
// key finds nothing: it would otherwise match every line.
std::optional<std::string> FindRefRecord(const std::filesystem::path& ref_set,
                                         std::string_view key);
std::vector<std::optional<std::string>> FindRefRecords(const std::filesystem::path& ref_set,
                                                       const std::vector<std::string>& keys);

}  // namespace lindora
