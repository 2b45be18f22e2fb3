// The formula window's three analysis menu items act on the current result set.
#pragma once

#include "common/outcome.h"

namespace lindora {

// The menu items: each refuses with the "数据量 < 0" warning when the formula grid has no data
// row, otherwise runs the analysis below.
Outcome DanweiyaoAnalysis(Session& session);        // 方剂单味药分析: herb frequency
Outcome YaoduiAnalysisOfResults(Session& session);  // 方剂药对分析: pairs, triples, quadruples
Outcome SymptomAnalysisOfResults(Session& session);  // 方剂病症分析: symptoms

// The analyses themselves on \Result\Result.DB, without the formula window's check. A file that
// cannot be read or written is shown as one message and nothing is half-written (kFailed).
Outcome RunDanweiyaoAnalysis(Session& session);
Outcome RunYaoduiAnalysis(Session& session);
Outcome RunSymptomAnalysis(Session& session);

// The warning of an empty result set.
inline constexpr const char* kNoDataMessage =
    "数据量 < 0，无法分析! 请先通过关键词搜索方剂或在主程序窗口选择文件菜单->导入方剂列表。";

}  // namespace lindora
