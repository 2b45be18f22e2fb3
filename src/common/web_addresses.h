// Every web address the program opens, in one place. A search address ends where the search
// term is appended unchanged.
#pragma once

#include <string_view>

namespace lindora::web {

// Formula window: web searches for the text of the current grid cell.
inline constexpr std::string_view kBaiduSearch = "https://www.baidu.com/s?&wd=";
inline constexpr std::string_view kBaiduXueshuSearch = "http://xueshu.baidu.com/s?wd=";
// TCM literature search of the institute that provides the formula database.
inline constexpr std::string_view kTcmSearch =
    "http://www.cintcm.com:8080/TcmSearch/jsp/results.jsp?q=";
inline constexpr std::string_view kZysjSearch =
    "http://www.zysj.com.cn/cse/search?s=1145411283965019978&entry=1&q=";
inline constexpr std::string_view kZybkWiki = "https://www.zhongyibaike.com/wiki/";

// Main window: the three logo pictures.
// National science and technology resource-sharing service.
inline constexpr std::string_view kLogoGjkj = "https://www.escience.org.cn/";
// National population-and-health science data-sharing platform (the formula database).
inline constexpr std::string_view kLogoRkjk = "https://www.ncmi.cn/";
// The Lindora team has no university of its own; the third logo opens the institute behind the
// formula database and the TCM literature search.
inline constexpr std::string_view kLogoZrv = "http://www.cintcm.com/";

// Main window: tutorial video and update share, each with its four-character access code.
// The team has published neither yet: these open the sites where they will be put.
inline constexpr std::string_view kTutorialVideo = "https://www.bilibili.com/";
inline constexpr std::string_view kTutorialCode = "ldra";
inline constexpr std::string_view kUpdateShare = "https://pan.baidu.com/";
inline constexpr std::string_view kUpdateCode = "ldra";

}  // namespace lindora::web
