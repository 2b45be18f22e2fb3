// Loading a structure picture: the PNG drawn over a background colour into an opaque image of
// the PNG's own size, so transparent parts show the background.
#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <stdexcept>
#include <string>

#include "chem/open_babel.h"

namespace lindora::ui {

class PictureError : public std::runtime_error {
 public:
  explicit PictureError(const std::string& path)
      : std::runtime_error(std::string(kPictureError) + path) {}
  int number() const { return 999; }
  const char* source() const { return "GDI+ Module"; }
};

// Width and height -1 keep the image's own size; other sizes stretch it, or fit it with its
// aspect ratio kept when `keep_aspect` is set. Throws PictureError when the file is no picture.
QImage LoadPictureFile(const QString& path, int width = -1, int height = -1,
                       QColor background = Qt::white, bool keep_aspect = false);

// The picture box: shows a picture at its own size from the top-left corner, cut off at the
// right and bottom when it is larger than the box.
class PictureBox : public QLabel {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr);
  // Loads the model's picture when it changed; a picture that cannot be loaded leaves the
  // previous one and gives the error message.
  std::string Show(const StructurePicture& picture);
  const QImage& image() const { return image_; }

 private:
  int serial_ = 0;
  QImage image_;
};

}  // namespace lindora::ui
