#pragma once

#include <string>

namespace lindora {

// Caption of the notice window when it shows where the shipped data come from.
const std::string& DataSourceNoticeCaption();

// The data-source notice of the main window's help menu, UTF-8, lines joined
// by CR LF.  It names the public sources the shipped DB folder was built from
// and their licences, so it must change whenever tools/build_data.py takes
// data from another source.
const std::string& DataSourceNoticeText();

}  // namespace lindora
