// The chemistry data files: compounds, the herb-compound links seen from a compound, and the two
// reference sets of active natural products.
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

// For each identifier in its order, the first line in which it stands as a whole TAB-delimited
// field that is followed by a TAB (the line untrimmed), or the empty text; one reading of the file.
std::vector<std::string> CompoundRecordsById(const std::filesystem::path& compound_file,
                                             const std::vector<std::int32_t>& ids);

// The herb numbers of the link lines whose compound field has the value of the identifier, in
// file order; a herb listed twice comes twice. A number beyond 32 bits is nullopt: it names no
// line of the herb-name file and is not wrapped onto another herb.
std::vector<std::optional<std::int32_t>> HerbsContainingCompound(
    const std::filesystem::path& herb_compound_file, double compound_id);

// For each key, the first line of a reference set that contains the key anywhere
// (case-sensitive); one reading of the set. An empty key finds nothing: it would otherwise match
// every line.
std::vector<std::optional<std::string>> FindRefRecords(const std::filesystem::path& ref_set,
                                                       const std::vector<std::string>& keys);

}  // namespace lindora
