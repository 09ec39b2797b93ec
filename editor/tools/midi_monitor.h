#pragma once

#include <QString>
#include <QTime>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/message_description.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"

class QPlainTextEdit;
class QPushButton;

namespace morvane::editor {

class TFileDialog;

// A window that lists every message the editor sends and takes, newest last; a message the
// output could not send is listed as not sent, with the driver's text. The ports' taps only
// copy the bytes; the lines are described and appended in batches on a timer, so a port spends
// no time on text or painting.
class TMidiMonitor : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMaxLines = 10000;
  static constexpr int kFlushIntervalMs = 50;

  enum class TDirection { Out, In };

  TMidiMonitor(midi::TMidiOutput& output, midi::TMidiInput& input, QWidget* parent = nullptr);
  ~TMidiMonitor() override;

  // Files one message for the next batch; what the ports' taps call. refusal is the driver's
  // text of an outgoing message that was not sent.
  void Record(TDirection direction, std::span<const std::uint8_t> bytes,
              const std::string& refusal = {});
  // Appends the waiting messages now; the timer does it while the window shows.
  void Flush();
  QString Text() const;
  int LineCount() const;
  bool Paused() const;

  // Writes every line to path, replacing the file only once all is written. Throws
  // "Cannot create file <path>" when it cannot.
  void SaveTo(const QString& path) const;

  QPushButton* PauseButton() const { return FPause; }
  QPushButton* ClearButton() const { return FClear; }
  QPushButton* CopyButton() const { return FCopy; }
  QPushButton* SaveButton() const { return FSave; }
  TFileDialog* SaveDialog() const { return FSaveDialog; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  struct TWaiting {
    QTime time;
    TDirection direction;
    std::vector<std::uint8_t> bytes;
    std::string refusal;
  };

  void Attach();
  void Detach();
  void ClearClick();
  void CopyClick();
  void SaveClick();

  midi::TMidiOutput& FOutput;
  midi::TMidiInput& FInput;
  QPlainTextEdit* FLines = nullptr;
  QPushButton* FPause = nullptr;
  QPushButton* FClear = nullptr;
  QPushButton* FCopy = nullptr;
  QPushButton* FSave = nullptr;
  TFileDialog* FSaveDialog = nullptr;
  QTimer FFlushTimer;
  std::vector<TWaiting> FWaiting;
  engine::TMessageDescriber FOutDescriber;
  engine::TMessageDescriber FInDescriber;
};

}  // namespace morvane::editor
