// Sizes of the program are in twips; the screen has 15 twips per pixel.
#pragma once

#include <QFont>
#include <QString>
#include <string>
#include <string_view>

namespace lindora::ui {

constexpr int kTwipsPerPixel = 15;
constexpr int Px(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}
constexpr int Twips(int pixels) {
  return pixels * kTwipsPerPixel;
}

inline QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string S(const QString& s) {
  return s.toStdString();
}

// The fonts the windows are designed with; Windows families map to the CJK fonts installed here.
void InstallFontSubstitutions();
QFont UiFont(const char* family = "微软雅黑", double points = 10.5);

}  // namespace lindora::ui
