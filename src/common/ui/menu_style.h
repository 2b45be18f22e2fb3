// The program's widget style: the platform's, with menu entries a little wider than Qt makes
// them, so that the widest entry of a menu is never drawn shortened.
#pragma once

namespace lindora::ui {

// Call once, after the QApplication exists and before any window is made.
void InstallMenuStyle();

}  // namespace lindora::ui
