// The font of every picture: a CJK sans-serif at a pixel size, so pictures look the same on
// screen, offscreen and in files whatever the screen resolution.
#pragma once

#include <QFont>
#include <QStringList>

namespace lindora::ui {

inline QFont PictureFont(int pixels, bool bold = false) {
  QFont f;
  f.setFamilies(QStringList() << "Noto Sans CJK SC"
                              << "Microsoft YaHei"
                              << "微软雅黑"
                              << "WenQuanYi Micro Hei"
                              << "sans-serif");
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

}  // namespace lindora::ui
