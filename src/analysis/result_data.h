// The one "no data" rule of every analysis of the current result set: a result file that holds
// blank lines only has nothing to analyse, and every engine says so with the same message. A
// missing or unreadable file is a failure the engine reports when it reads it, naming the file.
#pragma once

#include "common/outcome.h"

namespace lindora {

// The warning of an empty result set.
inline constexpr const char* kNoDataMessage =
    "当前结果集中没有方剂，无法分析。请先检索方剂，或在主窗口用“文件→导入方剂列表”。";

// True when \Result\Result.DB holds a non-blank line. A file that cannot be opened counts as
// data: the engine that reads it reports why.
bool ResultSetHasRecords(Session& session);

// kDone when there is data, else the warning and kRefused.
Outcome RequireResultData(Session& session);

}  // namespace lindora
