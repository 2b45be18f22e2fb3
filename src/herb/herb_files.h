// The two herb files: \DB\Herb_Name.DB (number, type number, names) and \DB\Herb_Compound.DB
// (herb number, compound identifier). Every lookup reads its file afresh; the batched forms
// answer many questions in one pass, in the order they were asked. A file that cannot be read
// raises FileError naming it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

class Session;

inline constexpr std::string_view kHerbNameFile = "\\DB\\Herb_Name.DB";
inline constexpr std::string_view kHerbCompoundFile = "\\DB\\Herb_Compound.DB";

// For each keyword, the first record of which one whole name field (Chinese name, pinyin, other
// names; never the herb number or the type number) equals the keyword (Latin letters compared
// without regard to case), trimmed of blanks and upper-cased; empty when there is none.
std::vector<std::string> FindHerbRecords(const Session& session,
                                         const std::vector<std::string>& keywords);

// The line position of the first line whose name fields hold TAB + name + TAB (name taken as it
// is; the herb number and type number are no names); -1 when there is none. Line 0 never stands for
// a herb: callers treat every result below 1 as "not recorded".
int HerbIdByName(const Session& session, std::string_view name);
std::vector<int> HerbIdsByName(const Session& session, const std::vector<std::string>& names);

// The compound identifiers linked to a herb, in file order. Only a line whose first field is
// the herb number belongs to it. Returns false and leaves `ids` as it was when the herb has no
// link line; otherwise `ids` holds exactly the linked identifiers.
bool CompoundIdsOfHerb(const Session& session, std::int32_t herb_number,
                       std::vector<std::int32_t>& ids);
// One list per herb number asked for (empty when the herb has no link line).
std::vector<std::vector<std::int32_t>> CompoundIdsOfHerbs(
    const Session& session, const std::vector<std::int32_t>& herb_numbers);

// For each herb number, the herb name (field 2) of the first non-blank line whose field 0 has
// the numeric value of the herb number; empty when there is none.
std::vector<std::string> HerbNamesById(const Session& session,
                                       const std::vector<std::int32_t>& herb_numbers);

}  // namespace lindora
