#pragma once

#include <memory>

#include "midi/gui_thread.h"

namespace morvane::editor {

// The ports' GUI thread on Qt's event loop. A driver thread's wake-up only signals a kernel
// object (an eventfd, a non-blocking pipe, or a Windows event) that the event loop watches;
// the loop then runs Dispatch on the thread that created this object.
class QtGuiThread final : public midi::GuiThread {
 public:
  QtGuiThread();
  ~QtGuiThread() override;

 protected:
  void RequestDispatch() noexcept override;

 private:
  class Signal;
  std::unique_ptr<Signal> FSignal;
};

}  // namespace morvane::editor
