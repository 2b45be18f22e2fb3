// The one "no data" rule of every analysis of the current result set: a result file that holds
// blank lines only has nothing to analyse, and every engine says so with the same message. A
// missing or unreadable file is a failure the engine reports when it reads it, naming the file.
#pragma once

#include "common/outcome.h"

namespace lindora {

// The warning of an empty result set.
inline constexpr const char* kNoDataMessage =
    "数据量 < 0，无法分析! 请先通过关键词搜索方剂或在主程序窗口选择文件菜单->导入方剂列表。";

// True when \Result\Result.DB holds a non-blank line. A file that cannot be opened counts as
// data: the engine that reads it reports why.
bool ResultSetHasRecords(Session& session);

// kDone when there is data, else the warning and kRefused.
Outcome RequireResultData(Session& session);

}  // namespace lindora
