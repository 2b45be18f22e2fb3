// The view of the user guide: Qt renders the Markdown and its pictures.
#pragma once

#include <QTextBrowser>

#include "app/help_window.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

class Frm_Help : public FormView {
  Q_OBJECT
 public:
  explicit Frm_Help(HelpWindow& model);
  void Refresh() override;

 private:
  HelpWindow& window_;
  QTextBrowser* browser_ = nullptr;
  std::filesystem::path shown_;
};

}  // namespace lindora::ui
