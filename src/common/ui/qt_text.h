// The program's UTF-8 texts to Qt's strings and back.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace lindora::ui {

inline QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string S(const QString& s) {
  return s.toStdString();
}

}  // namespace lindora::ui
