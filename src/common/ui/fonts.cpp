#include "common/ui/fonts.h"

#include <QStringList>

namespace lindora::ui {

void InstallFontSubstitutions() {
  QFont::insertSubstitutions(QStringLiteral("微软雅黑"), QStringList() << "Noto Sans CJK SC"
                                                                       << "WenQuanYi Micro Hei");
  QFont::insertSubstitutions(QStringLiteral("宋体"), QStringList() << "Noto Serif CJK SC"
                                                                   << "Noto Sans CJK SC");
}

QFont UiFont(const char* family, double points) {
  QFont f(QString::fromUtf8(family));
  f.setPointSizeF(points);
  return f;
}

}  // namespace lindora::ui
