#include "chem/ui/frm_ingredient_screening.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QPlainTextEdit>

#include "chem/ui/frm_chem_analysis.h"
#include "common/session.h"
#include "common/ui/fonts.h"
#include "common/ui/menus.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_IngredientScreening::Frm_IngredientScreening(IngredientScreening& model)
    : FormView(model, "Frm_IngredientScreening"), screening_(model) {
  using M = IngredientScreening;
  BuildMenus(this, menuBar(), M::MenuBar(), screening_);

  QWidget* central = new QWidget(this);
  setCentralWidget(central);
  status_ = new QLabel(central);
  status_->setObjectName("Label_Status");
  status_->setGeometry(Px(M::kGridLeft), Px(120), Px(M::kGridWidth - 3600), Px(420));
  only_passing_ = new QCheckBox("只显示两条规则都通过的化合物", central);
  only_passing_->setObjectName("Check_OnlyPassing");
  only_passing_->setGeometry(Px(M::kGridLeft + M::kGridWidth - 3360), Px(120), Px(3360), Px(420));
  grid_ = new FlexGridView(&screening_.FlexGrid(), central);
  grid_->setObjectName("FlexGrid");
  grid_->setGeometry(Px(M::kGridLeft), Px(M::kGridTop), Px(M::kGridWidth), Px(M::kGridHeight));
  similar_label_ = new QLabel("与参考活性成分最相似者（相似度不低于阈值）", central);
  similar_label_->setObjectName("Label_Similar");
  similar_label_->setGeometry(Px(M::kGridLeft), Px(M::kSimilarTop - 420), Px(M::kGridWidth),
                              Px(420));
  similar_grid_ = new FlexGridView(&screening_.SimilarGrid(), central);
  similar_grid_->setObjectName("SimilarGrid");
  similar_grid_->setGeometry(Px(M::kGridLeft), Px(M::kSimilarTop), Px(M::kGridWidth),
                             Px(M::kSimilarHeight));
  frame_ = new QGroupBox(QStringLiteral("结构式"), central);
  frame_->setObjectName("Frame_Structure");
  frame_->setFont(UiFont("Calibri", 12));
  frame_->setGeometry(Px(M::kFrameLeft), Px(120), Px(4455), Px(4575));
  pic_mol_ = new PictureBox(frame_);
  pic_mol_->setObjectName("Pic_Mol");
  // Below the frame's caption, which a picture at the frame's top would cover.
  pic_mol_->setGeometry(Px(240), Px(420), Px(M::kPictureSize), Px(M::kPictureSize));
  strip_salts_ = new QCheckBox(QStringLiteral("去盐（计算前只保留最大片段）"), central);
  strip_salts_->setObjectName("Check_StripSalts");
  strip_salts_->setGeometry(Px(M::kFrameLeft), Px(4800), Px(4455), Px(420));
  // The whole method statement, scrolled when it is longer than the room below the picture.
  method_ = new QPlainTextEdit(central);
  method_->setObjectName("Text_Method");
  method_->setReadOnly(true);
  method_->setFrameShape(QFrame::NoFrame);
  method_->setGeometry(Px(M::kFrameLeft), Px(5280), Px(4455), Px(M::kClientHeight - 5400));
  SetFixedClientTwips(M::kClientWidth, M::kClientHeight);

  connect(grid_, &FlexGridView::Clicked, this, [this] { screening_.FlexGrid_Click(); });
  connect(similar_grid_, &FlexGridView::Clicked, this, [this] { screening_.SimilarGrid_Click(); });
  connect(only_passing_, &QCheckBox::clicked, this,
          [this](bool checked) { screening_.Check_OnlyPassing_Click(checked); });
  connect(strip_salts_, &QCheckBox::clicked, this,
          [this](bool checked) { screening_.Check_StripSalts_Click(checked); });
}

void Frm_IngredientScreening::Refresh() {
  FormView::Refresh();
  if (!screening_.Visible() && isVisible()) hide();
  status_->setText(Q(screening_.StatusText()));
  only_passing_->setChecked(screening_.OnlyPassing());
  strip_salts_->setChecked(screening_.StripSalts());
  if (method_->toPlainText() != Q(screening_.MethodText()))
    method_->setPlainText(Q(screening_.MethodText()));
  grid_->Refresh();
  similar_grid_->Refresh();
  ShowPicture(pic_mol_, screening_.PicMol(), screening_.session());
}

void Frm_IngredientScreening::closeEvent(QCloseEvent* event) {
  // The model is in use until its run ends.
  if (screening_.Busy()) return event->ignore();
  if (!RefuseCloseWhileConverting(event)) FormView::closeEvent(event);
}

}  // namespace lindora::ui
