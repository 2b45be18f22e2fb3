// Pinyin order for the sortable tables, from Qt's collator for Chinese (China).
#pragma once

namespace lindora::ui {

void InstallPinyinCollation();

}  // namespace lindora::ui
