#include "app/ui/frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>

#include "common/ui/fonts.h"
#include "common/ui/menus.h"
#include "formula/ui/library_dialogs.h"

namespace lindora::ui {

namespace {
constexpr int kLogoWidthPx = 226, kLogoHeightPx = 52;

// The logos are drawn here rather than shipped as pictures: a coloured badge with two lines.
QPixmap LogoPicture(const QString& line1, const QString& line2, const QColor& colour) {
  QPixmap pix(kLogoWidthPx, kLogoHeightPx);
  pix.fill(Qt::white);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawRoundedRect(QRectF(2, 2, kLogoHeightPx - 4, kLogoHeightPx - 4), 8, 8);
  p.setPen(Qt::white);
  p.setFont(UiFont("微软雅黑", 16));
  p.drawText(QRectF(2, 2, kLogoHeightPx - 4, kLogoHeightPx - 4), Qt::AlignCenter, line1.left(1));
  p.setPen(colour.darker(130));
  p.setFont(UiFont("微软雅黑", 11));
  p.drawText(QRect(kLogoHeightPx + 4, 2, kLogoWidthPx - kLogoHeightPx - 6, 26),
             Qt::AlignLeft | Qt::AlignVCenter, line1);
  p.setPen(QColor(90, 90, 90));
  p.setFont(UiFont("微软雅黑", 8));
  p.drawText(QRect(kLogoHeightPx + 4, 27, kLogoWidthPx - kLogoHeightPx - 6, 22),
             Qt::AlignLeft | Qt::AlignVCenter, line2);
  return pix;
}
}  // namespace

Frm_Main::Frm_Main(Main& model) : FormView(model, "Frm_Main"), main_(model) {
  auto* central = WhiteCentralWidget();
  image_gjkj_ = AddLogo(central, "Image_gjkj", "科技资源共享", "国家科技资源共享服务",
                        QColor(0, 102, 170), 6);
  image_rkjk_ = AddLogo(central, "Image_rkjk", "人口健康数据", "国家人口与健康科学数据共享",
                        QColor(0, 140, 90), 246);
  image_zrv_ = AddLogo(central, "Image_ZRV", "中医药研究", "Lindora 中医药数据挖掘",
                       QColor(170, 60, 40), 486);

  BuildMenus(this, menuBar(), Main::MenuBar(), main_);
  SetFixedClientTwips(Main::kClientWidth, Main::kClientHeight);
  main_.SetLibraryWindowHandler([this](Main::LibraryWindow window) {
    // Every window that names the open library reads it again.
    const auto changed = [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* view = qobject_cast<FormView*>(w)) view->Refresh();
    };
    if (window == Main::LibraryWindow::kImport)
      ShowImportDialog(this, main_.session(), changed);
    else
      ShowLibraryManager(this, main_.session(), changed);
  });
}

void Frm_Main::Refresh() {
  FormView::Refresh();
  setWindowTitle(TitleWithLibrary(main_.session(), main_.Caption()));
}

QLabel* Frm_Main::AddLogo(QWidget* parent, const char* name, const QString& line1,
                          const QString& line2, const QColor& colour, int left) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setPixmap(LogoPicture(line1, line2, colour));
  label->setGeometry(left, 4, kLogoWidthPx, kLogoHeightPx);
  label->setCursor(Qt::PointingHandCursor);
  label->installEventFilter(this);
  return label;
}

bool Frm_Main::eventFilter(QObject* watched, QEvent* event) {
  // Only the left button opens a logo's site, as a click on any link does.
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == image_gjkj_) main_.Image_gjkj_Click();
    if (watched == image_rkjk_) main_.Image_rkjk_Click();
    if (watched == image_zrv_) main_.Image_ZRV_Click();
  }
  return FormView::eventFilter(watched, event);
}

void Frm_Main::closeEvent(QCloseEvent* event) {
  if (main_.Ended() || main_.Form_QueryUnload())
    event->accept();
  else
    event->ignore();
}

}  // namespace lindora::ui
