#include "app/ui/frm_help.h"

#include <QUrl>

namespace lindora::ui {

Frm_Help::Frm_Help(HelpWindow& model) : FormView(model, "Frm_Help"), window_(model) {
  browser_ = new QTextBrowser(this);
  browser_->setObjectName("Browser_Guide");
  // Links to the web open in the desktop's browser; links within the guide stay here.
  browser_->setOpenExternalLinks(true);
  setCentralWidget(browser_);
  resize(900, 680);
}

void Frm_Help::Refresh() {
  FormView::Refresh();
  if (!browser_ || window_.Guide() == shown_) return;
  shown_ = window_.Guide();
  // The pictures are found relative to the guide's own folder.
  browser_->setSource(QUrl::fromLocalFile(QString::fromStdString(shown_.string())),
                      QTextDocument::MarkdownResource);
}

}  // namespace lindora::ui
