// The formula window's three analysis menu items act on the current result set.
#pragma once

namespace lindora {

class Session;

// The menu items: each refuses with the "数据量 < 0" warning when the formula grid has no data
// row, otherwise runs the analysis below.
void DanweiyaoAnalysis(Session& session);         // 方剂单味药分析: herb frequency
void YaoduiAnalysisOfResults(Session& session);   // 方剂药对分析: pairs, triples, quadruples
void SymptomAnalysisOfResults(Session& session);  // 方剂病症分析: symptoms

// The analyses themselves on \Result\Result.DB, without the formula window's check. A file that
// cannot be read or written is shown as one message and nothing is half-written; false then.
bool RunDanweiyaoAnalysis(Session& session);
bool RunYaoduiAnalysis(Session& session);
bool RunSymptomAnalysis(Session& session);

// The warning of an empty result set.
inline constexpr const char* kNoDataMessage =
    "数据量 < 0，无法分析! 请先通过关键词搜索方剂或在主程序窗口选择文件菜单->导入方剂列表。";

}  // namespace lindora
