#pragma once

#include <QApplication>

namespace morvane::bench {

// The one application object of the benchmark process, on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise; every window benchmark shares it.
QApplication& Application();

}  // namespace morvane::bench
