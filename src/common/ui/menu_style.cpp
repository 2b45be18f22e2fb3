#include "common/ui/menu_style.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyleOption>

namespace lindora::ui {
namespace {

// Qt measures a menu entry's text one way to size the menu and another to draw it; with a CJK
// font the two differ by a pixel or two, and the widest entry is drawn shortened with "…"
// (导入中药方…表). A quarter of a line's height to spare is room enough at any font size.
class MenuStyle : public QProxyStyle {
 public:
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_MenuItem && option) result.rwidth() += option->fontMetrics.height() / 4 + 2;
    return result;
  }
};

}  // namespace

void InstallMenuStyle() {
  QApplication::setStyle(new MenuStyle);
}

}  // namespace lindora::ui
