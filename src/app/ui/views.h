#pragma once

#include "common/ui/view_host.h"

namespace lindora::ui {
// Tells the host which view shows which window model, and installs the picture writer.
void RegisterViews(ViewHost& host);
}  // namespace lindora::ui
