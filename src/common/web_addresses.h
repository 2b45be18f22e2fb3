// Web addresses the program opens in the browser.
#pragma once

#include <string_view>

namespace lindora {

// PubChem identity search; the SMILES follows "query=" unescaped.
inline constexpr std::string_view kPubChemSearch =
    "https://pubchem.ncbi.nlm.nih.gov/search/"
    "#collection=compounds&query_type=structure&query_subtype=identity&query=";
// NPACT activity page; the five-digit NPACT number follows "?a=NPACT".
inline constexpr std::string_view kNpactActivityPage =
    "http://crdd.osdd.net/tavesh/npact/cancer_activity.php?a=NPACT";

}  // namespace lindora
