// 显示相关方剂: every formula of the database that mentions a herb becomes the current result set
// and fills the formula window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lindora {

class Session;

// The count label of the formula window after a related-formula search.
std::string RelatedFormulaCountText(std::int64_t count, const std::string& herb);

// The herb's dose in a composition as written: the doses of every herb named there whose name
// contains it ("炙甘草" for 甘草), joined by "、"; "未写剂量" when it is named without a dose,
// empty when the composition does not name it.
std::string HerbDoseInComposition(std::string_view composition, std::string_view herb);

// Finds the formulas whose cleaned line contains the herb anywhere (exact comparison). When
// there are some, they replace the result set and its backup and fill the formula window;
// the formula window then shows the herb's dose in each formula in an extra column;
// when there are none, the user is told and the result set and the formula window stay as they
// were. Returns the number found; a file that cannot be read or written is shown as one message
// and counts as none.
std::int64_t FindRelatedFormulas(Session& session, const std::string& herb);

}  // namespace lindora
