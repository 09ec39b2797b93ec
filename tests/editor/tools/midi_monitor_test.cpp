#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <array>
#include <cstdint>

#include "file_dialog.h"
#include "midi_monitor.h"
#include "tdragger.h"
#include "tform1.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

constexpr int kWaitMs = 5000;

class MidiMonitorTest : public WindowTest {
 protected:
  TMidiMonitor& Open() {
    QTest::keyClick(form.get(), Qt::Key_M, Qt::ControlModifier);
    TMidiMonitor* monitor = form->MidiMonitor();
    EXPECT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->isVisible());
    return *monitor;
  }
  // Waits until the monitor shows a line containing text.
  bool Shows(TMidiMonitor& monitor, const QString& text) {
    return QTest::qWaitFor([&] { return monitor.Text().contains(text); }, kWaitMs);
  }
};

TEST_F(MidiMonitorTest, ListsWhatAnEditSendsAndADumpBringsBack) {
  TMidiMonitor& monitor = Open();
  auto* volume = form->findChild<controls::Tdragger*>(QStringLiteral("dragger1"));
  form->PageControl1->setCurrentWidget(form->layerctrlssheet);
  DragTo(volume, volume->width() / 2);
  ASSERT_TRUE(Shows(monitor, QStringLiteral("0B:02 vol = ")));
  const QStringList lines = monitor.Text().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].contains(QStringLiteral("OUT  select preset -1")));
  EXPECT_TRUE(lines[0].endsWith(QStringLiteral("F0 18 0F 00 55 01 02 01 07 7F 7F F7")));
  EXPECT_TRUE(lines[1].contains(QStringLiteral("OUT  select layer 1")));
  EXPECT_TRUE(lines[2].contains(QStringLiteral("OUT  edit  preset -1  layer 1  0B:02 vol = ")));

  form->RequestPatchonCurrentChannel1->trigger();
  EXPECT_TRUE(Shows(monitor, QStringLiteral("OUT  dump request  preset -1")));
  EXPECT_TRUE(Shows(monitor, QStringLiteral("IN   dump packet 7 of 7")));
  EXPECT_TRUE(monitor.Text().contains(QStringLiteral("IN   dump header  preset")));
}

TEST_F(MidiMonitorTest, KeepsTheNewestLinesAndPausesAndClears) {
  TMidiMonitor& monitor = Open();
  const std::array<std::uint8_t, 3> first{0x90, 48, 97};
  const std::array<std::uint8_t, 3> other{0x80, 60, 0};
  monitor.Record(TMidiMonitor::TDirection::In, first);
  for (int line = 0; line < TMidiMonitor::kMaxLines; ++line) {
    monitor.Record(TMidiMonitor::TDirection::Out, other);
  }
  monitor.Flush();
  EXPECT_EQ(monitor.LineCount(), TMidiMonitor::kMaxLines);
  EXPECT_FALSE(monitor.Text().contains(QStringLiteral("note on ch 1 C3 vel 97")));

  QTest::mouseClick(monitor.PauseButton(), Qt::LeftButton);
  ASSERT_TRUE(monitor.Paused());
  QTest::mouseClick(monitor.ClearButton(), Qt::LeftButton);
  EXPECT_EQ(monitor.LineCount(), 0);
  monitor.Record(TMidiMonitor::TDirection::In, first);
  monitor.Flush();
  EXPECT_EQ(monitor.LineCount(), 0);

  QTest::mouseClick(monitor.PauseButton(), Qt::LeftButton);
  monitor.Record(TMidiMonitor::TDirection::In, first);
  monitor.Flush();
  EXPECT_EQ(monitor.LineCount(), 1);
  EXPECT_TRUE(monitor.Text().contains(QStringLiteral("IN   note on ch 1 C3 vel 97")));
}

TEST_F(MidiMonitorTest, CopiesAndSavesTheLines) {
  TMidiMonitor& monitor = Open();
  const std::array<std::uint8_t, 3> sustain{0xB0, 64, 127};
  monitor.Record(TMidiMonitor::TDirection::Out, sustain);
  QTest::mouseClick(monitor.CopyButton(), Qt::LeftButton);
  EXPECT_TRUE(QApplication::clipboard()->text().endsWith(QStringLiteral("B0 40 7F")));
  monitor.Record(TMidiMonitor::TDirection::In, sustain);
  monitor.Flush();
  QTest::keyClick(monitor.findChild<QPlainTextEdit*>(QStringLiteral("lines")), Qt::Key_A,
                  Qt::ControlModifier);
  QTest::mouseClick(monitor.CopyButton(), Qt::LeftButton);
  EXPECT_EQ(QApplication::clipboard()->text(), monitor.Text());
  EXPECT_EQ(monitor.Text().count(QLatin1Char('\n')), 1);

  const QString path = settingsFolder.filePath(QStringLiteral("monitor.txt"));
  monitor.SaveDialog()->SetScriptedAnswer([&](const TFileDialog&) { return path; });
  QTest::mouseClick(monitor.SaveButton(), Qt::LeftButton);
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(saved.readAll()), monitor.Text() + QLatin1Char('\n'));

  const QString folderPath = settingsFolder.path();
  monitor.SaveDialog()->SetScriptedAnswer([&](const TFileDialog&) { return folderPath; });
  QTest::mouseClick(monitor.SaveButton(), Qt::LeftButton);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors.front(), QStringLiteral("Cannot create file %1").arg(folderPath));
}

TEST_F(MidiMonitorTest, AMessageThePortRefusedIsListedAsNotSent) {
  TMidiMonitor& monitor = Open();
  form->MidiOutput1.ClosePort();
  QTest::keyClick(form.get(), Qt::Key_Z);
  form->RequestPatchonCurrentChannel1->trigger();
  ASSERT_TRUE(Shows(monitor, QStringLiteral("dump request")));
  QTest::keyClick(form.get(), Qt::Key_M, Qt::ControlModifier);
  const QString refusal = QStringLiteral("NOT SENT: The specified device handle is invalid.");
  const QStringList lines = monitor.Text().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].contains(QStringLiteral("OUT  note on ch 1 C2")));
  EXPECT_TRUE(lines[1].contains(QStringLiteral("OUT  dump request  preset -1")));
  for (const QString& line : lines) {
    EXPECT_TRUE(line.endsWith(refusal)) << line.toStdString();
  }
}

TEST_F(MidiMonitorTest, ClosedMonitorTakesNothing) {
  TMidiMonitor& monitor = Open();
  monitor.close();
  EXPECT_FALSE(form->MidiOutput1.OnMessageSent);
  EXPECT_FALSE(form->MidiOutput1.OnMessageRefused);
  form->RequestPatchonCurrentChannel1->trigger();
  QTest::qWait(2 * TMidiMonitor::kFlushIntervalMs);
  EXPECT_EQ(monitor.LineCount(), 0);
}

}  // namespace
}  // namespace morvane::editor::testing
