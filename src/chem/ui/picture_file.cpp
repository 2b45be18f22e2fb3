#include "chem/ui/picture_file.h"

#include <QPainter>

namespace lindora::ui {

QImage LoadPictureFile(const QString& path, int width, int height, QColor background,
                       bool keep_aspect) {
  QImage source(path);
  if (source.isNull()) throw PictureError(path.toStdString());
  QSize size(width == -1 ? source.width() : width, height == -1 ? source.height() : height);
  if (size.width() < 1 || size.height() < 1) throw PictureError(path.toStdString());
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(background);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  QRect target(QPoint(0, 0), size);
  if (keep_aspect && size != source.size()) {
    QSize fitted = source.size().scaled(size, Qt::KeepAspectRatio);
    target = QRect(
        QPoint((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2), fitted);
  }
  painter.drawImage(target, source);
  painter.end();
  return picture;
}

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Sunken);
  setLineWidth(1);
}

std::string PictureBox::Show(const StructurePicture& picture) {
  if (picture.serial == serial_) return {};
  serial_ = picture.serial;
  try {
    image_ = LoadPictureFile(QString::fromStdString(picture.file.string()));
  } catch (const PictureError& e) {
    return e.what();
  }
  setPixmap(QPixmap::fromImage(image_));
  return {};
}

}  // namespace lindora::ui
