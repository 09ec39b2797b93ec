#pragma once

#include <QString>

namespace morvane::editor {

inline QString ApplicationTitle() {
  return QStringLiteral("Morvane editor");
}

}  // namespace morvane::editor
