// Qt's input events in the models' vocabulary (common/input_events.h).
#pragma once

#include <QKeyEvent>

#include "common/input_events.h"

namespace lindora::ui {

inline int ButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return kLeftButton;
    case Qt::RightButton: return kRightButton;
    case Qt::MiddleButton: return kMiddleButton;
    default: return 0;
  }
}

// Return and the keypad's Enter are one key to the models.
inline bool IsEnterKey(const QKeyEvent& event) {
  return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

}  // namespace lindora::ui
