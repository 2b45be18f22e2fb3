#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>

#include "chem/ingredient_screening_window.h"
#include "chem/ui/picture_file.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

class Frm_ChemAnalysis;

class Frm_IngredientScreening : public FormView {
  Q_OBJECT
 public:
  explicit Frm_IngredientScreening(IngredientScreening& model);
  void Refresh() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  IngredientScreening& screening_;
  QLabel* status_;
  QCheckBox* strip_salts_ = nullptr;
  QPlainTextEdit* method_ = nullptr;
  QCheckBox* only_passing_;
  FlexGridView* grid_;
  QLabel* similar_label_;
  FlexGridView* similar_grid_;
  QGroupBox* frame_;
  PictureBox* pic_mol_;
};

}  // namespace lindora::ui
