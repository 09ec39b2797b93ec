#pragma once

#include <QObject>
#include <QString>

#include "editor_errors.h"

namespace morvane::editor {

// The handlers reach controls by their layout names ("dragger" + number, "l" + layer digit);
// a name that the layout does not hold is a fault of the caller, raised with its text.
template <typename T = QObject>
T* FindChildByName(const QObject& root, const QString& name) {
  T* child = root.findChild<T*>(name);
  if (child == nullptr) {
    throw EComponentError("Component " + name.toStdString() + " not found");
  }
  return child;
}

}  // namespace morvane::editor
