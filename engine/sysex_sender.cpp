#include "engine/sysex_sender.h"

#include <exception>
#include <thread>
#include <utility>

namespace morvane::engine {

TSysexSender::TSysexSender(midi::GuiThread& gui)
    : FSleeper([](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }),
      FWindow(gui, [this](std::uint32_t, midi::MidiHeader*) { SendPending(); }) {}

void TSysexSender::Watch(midi::TMidiOutput& port) {
  port.OnSendFailed = [self = std::weak_ptr<TSysexSender*>(FSelf)](const std::string& text) {
    if (const auto sender = self.lock()) {
      (*sender)->ReportFailure(text);
    } else {
      throw midi::EmidioutputError(text);
    }
  };
}

void TSysexSender::Queue(std::vector<std::uint8_t> bytes, midi::TMidiOutput& port,
                         bool pauseAfter) {
  Watch(port);
  FPending.push_back({std::move(bytes), &port, pauseAfter});
  FWindow.PostInput();
}

void TSysexSender::ReportFailure(const std::string& text) {
  if (!OnSendError) {
    throw midi::EmidioutputError(text);
  }
  OnSendError(text);
}

void TSysexSender::SendPending() {
  // A nested event loop (a modal box shown by an error handler) may dispatch again;
  // the outer call keeps the order by sending everything itself.
  if (FSending) {
    return;
  }
  FSending = true;
  struct TSendingGuard {
    bool& sending;
    ~TSendingGuard() { sending = false; }
  } guard{FSending};
  while (!FPending.empty()) {
    TPendingString next = std::move(FPending.front());
    FPending.pop_front();
    try {
      next.port->SendLong(next.bytes);
    } catch (const std::exception& error) {
      if (!OnSendError) {
        if (!FPending.empty()) {
          FWindow.PostInput();
        }
        throw;
      }
      OnSendError(error.what());
      continue;
    }
    if (next.pauseAfter) {
      FSleeper(kPauseAfterSend);
    }
  }
}

}  // namespace morvane::engine
