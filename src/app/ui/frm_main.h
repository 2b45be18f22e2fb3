#pragma once

#include <QLabel>

#include "app/main_window.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

class Frm_Main : public FormView {
  Q_OBJECT
 public:
  explicit Frm_Main(Main& model);
  void Refresh() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* AddLogo(QWidget* parent, const char* name, const QString& line1, const QString& line2,
                  const QColor& colour, int left);
  Main& main_;
  QLabel* image_gjkj_ = nullptr;
  QLabel* image_rkjk_ = nullptr;
  QLabel* image_zrv_ = nullptr;
};

}  // namespace lindora::ui
