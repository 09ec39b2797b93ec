#pragma once

#include <QObject>
#include <functional>

namespace morvane::editor {

// Runs one event handler. An error it raises ends it here and the application shows it: an
// error must never unwind through the toolkit's own frames, which do not clean up after it.
void RunGuarded(const std::function<void()>& handler);

// Connects a signal to a handler of the window that runs guarded.
template <typename Sender, typename Signal, typename Receiver, typename... Args>
QMetaObject::Connection ConnectGuarded(Sender* sender, Signal signal, Receiver* receiver,
                                       void (Receiver::*handler)(Args...)) {
  return QObject::connect(sender, signal, receiver, [receiver, handler](Args... args) {
    RunGuarded([&] { (receiver->*handler)(args...); });
  });
}

}  // namespace morvane::editor
