#include "hint_switch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QToolTip>

namespace morvane::editor {

THintSwitch::THintSwitch(QObject* parent) : QObject(parent) {
  QCoreApplication::instance()->installEventFilter(this);
}

THintSwitch::~THintSwitch() {
  if (QCoreApplication* application = QCoreApplication::instance()) {
    application->removeEventFilter(this);
  }
}

void THintSwitch::SetShowHint(bool show) {
  FShowHint = show;
  if (!show) {
    QToolTip::hideText();
  }
}

bool THintSwitch::eventFilter(QObject* /*watched*/, QEvent* event) {
  return !FShowHint && event->type() == QEvent::ToolTip;
}

}  // namespace morvane::editor
