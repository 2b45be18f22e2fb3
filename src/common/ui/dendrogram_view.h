// The dendrogram on screen.
#pragma once

#include <QWidget>

#include "common/ui/dendrogram_picture.h"

namespace lindora::ui {

// Shows a dendrogram at the widget's size, never so small that its labels become unreadable.
class DendrogramView : public QWidget {
  Q_OBJECT
 public:
  explicit DendrogramView(QWidget* parent = nullptr);
  void SetPicture(DendrogramPicture picture);
  const DendrogramPicture& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  DendrogramPicture picture_;
};

}  // namespace lindora::ui
