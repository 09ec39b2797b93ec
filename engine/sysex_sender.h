#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/gui_thread.h"
#include "midi/midi_output.h"
#include "midi/notify_window.h"

namespace morvane::engine {

// Hands SysEx strings to an output port on the GUI thread, after the handler that
// queued them has returned: one by one in the order queued, with a pause after
// each string that asked for one. It stands in for a sender thread per string.
class TSysexSender {
 public:
  using Sleeper = std::function<void(std::chrono::milliseconds)>;
  using ErrorNotification = std::function<void(const std::string& text)>;

  static constexpr std::chrono::milliseconds kPauseAfterSend{55};

  explicit TSysexSender(midi::GuiThread& gui);
  TSysexSender(const TSysexSender&) = delete;
  TSysexSender& operator=(const TSysexSender&) = delete;

  // GUI thread. Copies the bytes and returns at once.
  void Queue(std::vector<std::uint8_t> bytes, midi::TMidiOutput& port, bool pauseAfter);
  // Takes the port's reports of messages it could not send (its OnSendFailed), also those
  // of short messages, before the first string is queued.
  void Watch(midi::TMidiOutput& port);

  std::size_t PendingCount() const { return FPending.size(); }
  // Hands every queued string to its port now, for a window that closes before the GUI
  // thread would come round to them.
  void SendQueuedNow() { SendPending(); }

  // Replaces the real sleep of the pause (tests count the pauses instead).
  void SetSleeper(Sleeper sleeper) { FSleeper = std::move(sleeper); }

  // A string whose send failed is reported here with the port's error text and
  // the next strings still go out; so is a string that the driver reported done
  // without sending it (the sender takes the port's OnSendFailed). Unassigned, the
  // error leaves the GUI thread's dispatch like any handler's error, after the rest
  // has been rescheduled.
  ErrorNotification OnSendError;

 private:
  struct TPendingString {
    std::vector<std::uint8_t> bytes;
    midi::TMidiOutput* port;
    bool pauseAfter;
  };

  void SendPending();
  void ReportFailure(const std::string& text);

  std::deque<TPendingString> FPending;
  Sleeper FSleeper;
  bool FSending = false;
  midi::NotifyWindow FWindow;
  // Lets a port that outlives the sender find that it is gone.
  std::shared_ptr<TSysexSender*> FSelf = std::make_shared<TSysexSender*>(this);
};

}  // namespace morvane::engine
