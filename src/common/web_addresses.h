// Every web host, address and access code the program uses, in one place. Paths and query keys
// stay with each window; a search term is appended to them unchanged.
#pragma once

#include <string>
#include <string_view>

namespace lindora {

// Baidu web search and Baidu Scholar.
inline constexpr std::string_view kBaiduHost = "www.baidu.com";
inline constexpr std::string_view kBaiduXueshuHost = "xueshu.baidu.com";
// TCM literature search (served on port 8080).
inline constexpr std::string_view kTcmSearchHost = "www.tcmsearch.cn";
// TCM encyclopaedia wiki.
inline constexpr std::string_view kZybkHost = "www.zhongyibaike.com";
// Herbal medicine site whose site search the formula window uses.
inline constexpr std::string_view kZysjHost = "www.zysj.com.cn";
// TC-MC compound database.
inline constexpr std::string_view kTcMcHost = "tcm.cmu.edu.tw";
// TCMSP, the TCM systems pharmacology database.
inline constexpr std::string_view kTcmspHost = "tcmspw.com";
// PubChem, searched for a compound's structure.
inline constexpr std::string_view kPubChemHost = "pubchem.ncbi.nlm.nih.gov";
// NPACT, the database of anticancer natural products with their activity pages.
inline constexpr std::string_view kNpactHost = "crdd.osdd.net";

// The sites a grid cell can be searched on. The term goes into the address as it stands,
// unescaped.
enum class WebSearch { kBaidu, kBaiduXueshu, kTcmSearch, kZysj, kZybk, kTcMc, kTcmsp };

inline std::string SearchAddress(WebSearch site, std::string_view term) {
  std::string address;
  switch (site) {
    case WebSearch::kBaidu: address = "https://" + std::string(kBaiduHost) + "/s?&wd="; break;
    case WebSearch::kBaiduXueshu:
      address = "http://" + std::string(kBaiduXueshuHost) + "/s?wd=";
      break;
    case WebSearch::kTcmSearch:
      address = "http://" + std::string(kTcmSearchHost) + ":8080/TcmSearch/jsp/results.jsp?q=";
      break;
    case WebSearch::kZysj:
      address = "http://" + std::string(kZysjHost) + "/cse/search?s=1145411283965019978&entry=1&q=";
      break;
    case WebSearch::kZybk: address = "https://" + std::string(kZybkHost) + "/wiki/"; break;
    case WebSearch::kTcMc:
      address = "http://" + std::string(kTcMcHost) + "/compound/search.do?query=";
      break;
    case WebSearch::kTcmsp:
      address = "http://" + std::string(kTcmspHost) + "/tcmspsearch.php?qs=herb_all_name&q=";
      break;
  }
  return address.append(term);
}

// The PubChem identity search for a SMILES.
inline std::string PubChemSearchAddress(std::string_view smiles) {
  return "https://" + std::string(kPubChemHost) +
         "/search/#collection=compounds&query_type=structure&query_subtype=identity&query=" +
         std::string(smiles);
}

// The NPACT activity page of a compound number (already padded to five digits).
inline std::string NpactAddress(std::string_view number) {
  return "http://" + std::string(kNpactHost) + "/tavesh/npact/cancer_activity.php?a=NPACT" +
         std::string(number);
}

// Main window: the three logo pictures.
// National science and technology resource-sharing service.
inline constexpr std::string_view kLogoGjkjAddress = "https://www.escience.org.cn/";
// National population-and-health science data-sharing platform (the formula database).
inline constexpr std::string_view kLogoRkjkAddress = "https://www.ncmi.cn/";
// The Lindora team has no university of its own: the third logo opens the home of the China
// Academy of Chinese Medical Sciences, whose institute supplied the formula database.
inline constexpr std::string_view kLogoZrvAddress = "https://www.cacms.ac.cn/";

// The team has published no tutorial video, update share, mailbox or QQ group: the help menu
// opens the user guide shipped with the program and says what is true instead.

}  // namespace lindora
