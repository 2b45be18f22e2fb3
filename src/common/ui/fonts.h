// The fonts the windows are designed with; Windows families map to the CJK fonts installed here.
#pragma once

#include <QFont>

namespace lindora::ui {

void InstallFontSubstitutions();
QFont UiFont(const char* family = "微软雅黑", double points = 10.5);

}  // namespace lindora::ui
