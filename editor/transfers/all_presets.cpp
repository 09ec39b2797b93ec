#include <QStatusBar>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <stdexcept>

#include "handler_guard.h"
#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "tform1.h"
#include "tmrvbox.h"

namespace morvane::editor {

namespace {

constexpr int kQuestionKind = 1;
constexpr int kPresetCount = preset::kBankPresetCount;

const char* const kRequestAllQuestion =
    "This will replace the presets on all 16 channels. Continue?";
const char* const kSendAllQuestion = "Send all 16 presets to the module?";
const char* const kTransferRunning = "The presets are still being transferred: wait until it ends";

// A dump takes this long on the MIDI wire (31250 baud, 320 us a byte): the module is never
// handed the next one sooner.
constexpr std::chrono::microseconds kWireByteTime{320};
constexpr int kDumpWireTimeMs = static_cast<int>(
    std::chrono::ceil<std::chrono::milliseconds>(kWireByteTime * preset::kDumpSize).count());

// Presets are counted 1..16 on screen, as the channels they land in.
QString Progress(const char* verb, int presetNumber) {
  return QStringLiteral("%1 %2 of %3")
      .arg(QString::fromLatin1(verb))
      .arg(presetNumber + 1)
      .arg(kPresetCount);
}

}  // namespace

void TForm1::WaitThen(int ms, std::function<void()> then) {
  auto guarded = [then = std::move(then)] { RunGuarded(then); };
  if (StartTransferWait) {
    StartTransferWait(ms, std::move(guarded));
  } else {
    QTimer::singleShot(ms, this, std::move(guarded));
  }
}

void TForm1::RefuseWhileTransferring() const {
  if (RequestingAllPresets() || FSendingAllPresets) {
    throw std::runtime_error(kTransferRunning);
  }
}

void TForm1::RequestAllPresets1Click() {
  RefuseWhileTransferring();
  if (!engine.AskUser(kRequestAllQuestion, kQuestionKind)) {
    return;
  }
  MidiInput1.ClosePort();
  MidiInput1.SetDeviceID(static_cast<std::uint16_t>(midiin->currentIndex()));
  MidiInput1.OpenPort();
  MidiInput1.StartInput();
  FAllPresetsRequest.emplace();
  RequestPreset();
}

void TForm1::RequestPreset() {
  TAllPresetsRequest& request = *FAllPresetsRequest;
  const int step = ++request.step;
  receiveBuffer.Clear();
  StatusBar1->showMessage(Progress("Preset", request.presetNumber));
  try {
    engine.SendSysex(preset::DumpRequestMessage(request.presetNumber));
  } catch (...) {
    // The transfer ends here: the receiving step must not go on waiting for it.
    FAllPresetsRequest.reset();
    throw;
  }
  const int waitMs = settings ? settings->ReadInteger(kPresetWaitSetting, kDefaultPresetWaitMs)
                              : kDefaultPresetWaitMs;
  WaitThen(waitMs, [this, step] { PresetWaitEnded(step); });
}

void TForm1::TakeAllPresetsDump() {
  if (receiveBuffer.Size() != preset::kDumpSize) {
    return;
  }
  TAllPresetsRequest& request = *FAllPresetsRequest;
  const int loadedNumber = request.presetNumber;
  images.at(static_cast<std::size_t>(loadedNumber)).LoadPresetFromStream(receiveBuffer);
  ChannelReceived(loadedNumber);
  if (++request.presetNumber == kPresetCount) {
    FinishAllPresetsRequest();
    return;
  }
  // The next request goes out first, so that the module does not wait for the window; only
  // the channel on show needs showing again.
  RequestPreset();
  if (loadedNumber == CurrentChannelIndex()) {
    RefreshControls();
  }
}

void TForm1::PresetWaitEnded(int step) {
  if (!FAllPresetsRequest || FAllPresetsRequest->step != step) {
    return;
  }
  TAllPresetsRequest& request = *FAllPresetsRequest;
  request.missing.push_back(request.presetNumber);
  if (++request.presetNumber < kPresetCount) {
    RequestPreset();
  } else {
    FinishAllPresetsRequest();
  }
}

void TForm1::FinishAllPresetsRequest() {
  const std::vector<int> missing = std::move(FAllPresetsRequest->missing);
  FAllPresetsRequest.reset();
  RefreshControls();
  const int received = kPresetCount - static_cast<int>(missing.size());
  StatusBar1->showMessage(
      QStringLiteral("Received %1 of %2 presets").arg(received).arg(kPresetCount));
  AllPresetsReceived(missing.empty());
  if (missing.empty()) {
    return;
  }
  QStringList numbers;
  for (const int presetNumber : missing) {
    numbers << QString::number(presetNumber + 1);
  }
  const QString text =
      missing.size() == 1
          ? QStringLiteral(
                "Preset %1 of %2 did not come from the module: channel %1 keeps its "
                "preset")
                .arg(numbers.front())
                .arg(kPresetCount)
          : QStringLiteral(
                "Presets %1 of %2 did not come from the module: those channels keep "
                "their presets")
                .arg(numbers.join(QStringLiteral(", ")))
                .arg(kPresetCount);
  throw std::runtime_error(text.toStdString());
}

void TForm1::SendAllPresets1Click() {
  RefuseWhileTransferring();
  if (!engine.AskUser(kSendAllQuestion, kQuestionKind)) {
    return;
  }
  FSendingAllPresets = true;
  SendPresetOfAll(0);
}

void TForm1::SendPresetOfAll(int presetNumber) {
  if (presetNumber == kPresetCount) {
    FSendingAllPresets = false;
    StatusBar1->showMessage(QStringLiteral("Sent %1 presets").arg(kPresetCount));
    return;
  }
  StatusBar1->showMessage(Progress("Sending preset", presetNumber));
  preset::tMrv& image = images.at(static_cast<std::size_t>(presetNumber));
  image.SetPresetNumber(presetNumber);
  try {
    engine.SendSysex(image.BuildDump());
  } catch (...) {
    // A failure ends the chain here, with nothing left waiting to send.
    FSendingAllPresets = false;
    throw;
  }
  ChannelSent(presetNumber);
  WaitThen(kDumpWireTimeMs, [this, presetNumber] { SendPresetOfAll(presetNumber + 1); });
}

}  // namespace morvane::editor
