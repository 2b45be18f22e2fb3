#pragma once

#include <QAction>
#include <QGroupBox>
#include <QMenu>

#include "chem/chem_analysis.h"
#include "chem/ui/picture_file.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

class Frm_ChemAnalysis : public FormView {
  Q_OBJECT
 public:
  explicit Frm_ChemAnalysis(ChemAnalysis& model);
  void Refresh() override;
  QMenu* PopupMenu() const { return popup_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ChemAnalysis& chem_;
  FlexGridView* grid_;
  QGroupBox* frame_;
  PictureBox* pic_mol_;
  QAction* antiinfluenza_;
  QAction* anticancer_;
  QMenu* popup_;
};

// Shows a picture the model changed; a picture that cannot be loaded is reported once.
void ShowPicture(PictureBox* box, const StructurePicture& picture, Session& session);
// Keeps a window open while a conversion that works on its model runs.
bool RefuseCloseWhileConverting(QCloseEvent* event);

}  // namespace lindora::ui
