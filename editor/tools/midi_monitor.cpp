#include "midi_monitor.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStringList>
#include <QVBoxLayout>
#include <stdexcept>

#include "file_dialog.h"
#include "handler_guard.h"

namespace morvane::editor {

namespace {

constexpr int kStartWidth = 720;
constexpr int kStartHeight = 360;
// Wide enough for the longest description, so that the bytes line up.
constexpr int kDescriptionWidth = 44;
const QString kTimeFormat = QStringLiteral("hh:mm:ss.zzz");

QString Line(const QTime& time, TMidiMonitor::TDirection direction, const std::string& description,
             const std::string& hex, const std::string& refusal) {
  const QString arrow =
      direction == TMidiMonitor::TDirection::Out ? QStringLiteral("OUT") : QStringLiteral("IN ");
  QString line = time.toString(kTimeFormat) + QStringLiteral("  ") + arrow + QStringLiteral("  ") +
                 QString::fromStdString(description).leftJustified(kDescriptionWidth) +
                 QStringLiteral("  ") + QString::fromStdString(hex);
  if (!refusal.empty()) {
    line += QStringLiteral("  NOT SENT: ") + QString::fromStdString(refusal);
  }
  return line;
}

}  // namespace

TMidiMonitor::TMidiMonitor(midi::TMidiOutput& output, midi::TMidiInput& input, QWidget* parent)
    : QWidget(parent, Qt::Window), FOutput(output), FInput(input) {
  setObjectName(QStringLiteral("MidiMonitor"));
  setWindowTitle(QStringLiteral("MIDI Monitor"));
  resize(kStartWidth, kStartHeight);

  FLines = new QPlainTextEdit(this);
  FLines->setObjectName(QStringLiteral("lines"));
  FLines->setReadOnly(true);
  FLines->setLineWrapMode(QPlainTextEdit::NoWrap);
  FLines->setMaximumBlockCount(kMaxLines);
  FLines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  FPause = new QPushButton(QStringLiteral("Pause"), this);
  FPause->setObjectName(QStringLiteral("pause"));
  FPause->setCheckable(true);
  FClear = new QPushButton(QStringLiteral("Clear"), this);
  FClear->setObjectName(QStringLiteral("clear"));
  ConnectGuarded(FClear, &QPushButton::clicked, this, &TMidiMonitor::ClearClick);
  FCopy = new QPushButton(QStringLiteral("Copy"), this);
  FCopy->setObjectName(QStringLiteral("copy"));
  ConnectGuarded(FCopy, &QPushButton::clicked, this, &TMidiMonitor::CopyClick);
  FSave = new QPushButton(QStringLiteral("Save.."), this);
  FSave->setObjectName(QStringLiteral("save"));
  ConnectGuarded(FSave, &QPushButton::clicked, this, &TMidiMonitor::SaveClick);

  FSaveDialog = new TFileDialog(TFileDialog::Kind::Save, this);
  FSaveDialog->setFilter(QStringLiteral("*.txt|*.txt"));
  FSaveDialog->setDefaultExt(QStringLiteral("txt"));
  FSaveDialog->setOverwritePrompt(true);

  auto* buttons = new QHBoxLayout();
  for (QPushButton* button : {FPause, FClear, FCopy, FSave}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  buttons->addStretch();
  auto* column = new QVBoxLayout(this);
  column->addLayout(buttons);
  column->addWidget(FLines);

  FFlushTimer.setInterval(kFlushIntervalMs);
  connect(&FFlushTimer, &QTimer::timeout, this, [this] { RunGuarded([this] { Flush(); }); });
}

TMidiMonitor::~TMidiMonitor() {
  Detach();
}

void TMidiMonitor::Record(TDirection direction, std::span<const std::uint8_t> bytes,
                          const std::string& refusal) {
  FWaiting.push_back({QTime::currentTime(), direction, {bytes.begin(), bytes.end()}, refusal});
}

void TMidiMonitor::Flush() {
  if (FWaiting.empty()) {
    return;
  }
  // Paused lines still pass the describers, which follow the selections and packets.
  const bool show = !Paused();
  QStringList lines;
  if (show) {
    lines.reserve(static_cast<qsizetype>(FWaiting.size()));
  }
  for (const TWaiting& waiting : FWaiting) {
    engine::TMessageDescriber& describer =
        waiting.direction == TDirection::Out ? FOutDescriber : FInDescriber;
    const std::string description = describer.Describe(waiting.bytes);
    if (show) {
      lines << Line(waiting.time, waiting.direction, description, engine::HexText(waiting.bytes),
                    waiting.refusal);
    }
  }
  FWaiting.clear();
  if (lines.isEmpty()) {
    return;
  }
  QScrollBar* scroll = FLines->verticalScrollBar();
  const bool atEnd = scroll->value() == scroll->maximum();
  FLines->appendPlainText(lines.join(QLatin1Char('\n')));
  if (atEnd) {
    scroll->setValue(scroll->maximum());
  }
}

QString TMidiMonitor::Text() const {
  return FLines->toPlainText();
}

int TMidiMonitor::LineCount() const {
  return FLines->document()->isEmpty() ? 0 : FLines->document()->blockCount();
}

bool TMidiMonitor::Paused() const {
  return FPause->isChecked();
}

void TMidiMonitor::SaveTo(const QString& path) const {
  QSaveFile file(path);
  const QByteArray text = (Text() + QLatin1Char('\n')).toUtf8();
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
    throw std::runtime_error(QStringLiteral("Cannot create file %1").arg(path).toStdString());
  }
}

void TMidiMonitor::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Attach();
}

void TMidiMonitor::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  Detach();
}

void TMidiMonitor::Attach() {
  FOutput.OnMessageSent = [this](std::span<const std::uint8_t> bytes) {
    Record(TDirection::Out, bytes);
  };
  FOutput.OnMessageRefused = [this](std::span<const std::uint8_t> bytes, const std::string& text) {
    Record(TDirection::Out, bytes, text);
  };
  FInput.OnEventTaken = [this](const midi::TMyMidiEvent& event) {
    if (event.StatusByte == midi::kSysexStatus) {
      Record(TDirection::In, event.SysexData);
    } else {
      const std::array<std::uint8_t, midi::kShortMessageSize> bytes{
          event.StatusByte, event.DataByte1, event.DataByte2};
      Record(TDirection::In, std::span(bytes).first(midi::ShortMessageLength(event.StatusByte)));
    }
  };
  FFlushTimer.start();
}

// Messages already filed still appear; nothing more is taken while the window is closed.
void TMidiMonitor::Detach() {
  FOutput.OnMessageSent = nullptr;
  FOutput.OnMessageRefused = nullptr;
  FInput.OnEventTaken = nullptr;
  FFlushTimer.stop();
  Flush();
}

void TMidiMonitor::ClearClick() {
  Flush();
  FLines->clear();
}

void TMidiMonitor::CopyClick() {
  Flush();
  // A selection separates its lines with the paragraph mark; the clipboard gets plain lines.
  const QString selected =
      FLines->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  QApplication::clipboard()->setText(selected.isEmpty() ? Text() : selected);
}

void TMidiMonitor::SaveClick() {
  Flush();
  if (FSaveDialog->Execute(this)) {
    SaveTo(FSaveDialog->FileName());
  }
}

}  // namespace morvane::editor
