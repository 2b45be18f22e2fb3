// The formula window's three analysis menu items act on the current result set. The menu
// items themselves (DanweiyaoAnalysis, …) are declared in common/workflows.h.
#pragma once

#include "common/outcome.h"
#include "common/workflows.h"

namespace lindora {

// The analyses themselves on \Result\Result.DB, without the formula window's check. A file that
// cannot be read or written is shown as one message and nothing is half-written (kFailed).
Outcome RunDanweiyaoAnalysis(Session& session);
Outcome RunYaoduiAnalysis(Session& session);
Outcome RunSymptomAnalysis(Session& session);

// The warning of an empty result set.
inline constexpr const char* kNoDataMessage =
    "当前结果集中没有方剂，无法分析。请先检索方剂，或在主窗口用“文件→导入方剂列表”。";

}  // namespace lindora
