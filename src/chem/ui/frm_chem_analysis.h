#pragma once

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <functional>

#include "chem/chem_analysis.h"
#include "chem/ui/picture_file.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

// Whether a view is drawing a structure on a click, and whether clicks came in meanwhile.
struct ClickDrawing {
  bool running = false;
  bool pending = false;
};
// Draws the selected row's structure on a grid click. Clicks that arrive while a drawing runs
// (arrow keys held down during a conversion) fold into one more drawing of the row selected
// last, so the picture ends on the highlighted row without a "busy" message per key.
void DrawOnClick(QObject* view, ClickDrawing& state, const std::function<void()>& draw);

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
  ClickDrawing drawing_;
};

// Shows a picture the model changed; a picture that cannot be loaded is reported once.
void ShowPicture(PictureBox* box, const StructurePicture& picture, Session& session);
// Keeps a window open while a conversion that works on its model runs.
bool RefuseCloseWhileConverting(QCloseEvent* event);

}  // namespace lindora::ui
