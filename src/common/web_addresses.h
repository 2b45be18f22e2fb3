// Hosts of the web services the windows search; paths and query keys stay with each window.
#pragma once

#include <string_view>

namespace lindora {

// Baidu web search and Baidu Scholar.
inline constexpr std::string_view kBaiduHost = "www.baidu.com";
inline constexpr std::string_view kBaiduXueshuHost = "xueshu.baidu.com";
// TCM literature search (served on port 8080).
inline constexpr std::string_view kTcmSearchHost = "www.tcmsearch.cn";
// TCM encyclopaedia wiki.
inline constexpr std::string_view kZybkHost = "www.zhongyibaike.com";
// TC-MC compound database.
inline constexpr std::string_view kTcMcHost = "tcm.cmu.edu.tw";
// TCMSP, the TCM systems pharmacology database.
inline constexpr std::string_view kTcmspHost = "tcmspw.com";

}  // namespace lindora
