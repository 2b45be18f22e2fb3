// The order in which tables sort Chinese text when a reader clicks a column: by pinyin, as a
// reader expects, once the program has installed its collator (Qt's, backed by ICU); code point
// order until then, which is all a front end without one can offer.
#pragma once

#include <functional>
#include <string_view>

namespace lindora {

// Negative, zero or positive as `a` sorts before, with or after `b`.
using TextComparator = std::function<int(std::string_view a, std::string_view b)>;

// Installs the comparator every sortable table uses; an empty one restores code point order.
void InstallTextComparator(TextComparator comparator);
int CompareText(std::string_view a, std::string_view b);

}  // namespace lindora
