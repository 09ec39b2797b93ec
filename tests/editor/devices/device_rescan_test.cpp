#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <vector>

#include "startup_fixture.h"
#include "tmrvbox.h"

namespace morvane::editor::testing {
namespace {

constexpr int kWaitMs = 2000;

class DeviceRescanTest : public StartupTest {
 protected:
  void Rescan() {
    form->PageControl1->setCurrentWidget(form->Setupsheet);
    QTest::mouseClick(form->rescan, Qt::LeftButton);
  }
  QString Message() const { return form->StatusBar1->currentMessage(); }
};

TEST_F(DeviceRescanTest, ChosenDevicesThatGoAndComeBackAreFoundAgainByName) {
  Store("out", QStringLiteral("2"));
  Store("in", QStringLiteral("2"));
  Store("outname", QStringLiteral("Synth B"));
  Store("inname", QStringLiteral("Synth B"));
  Start();
  ASSERT_TRUE(driver->OutputOpen() && driver->InputStarted());
  EXPECT_EQ(form->rescan->statusTip(),
            "Look for MIDI devices again, keeping the chosen ones by name");

  driver->SetDeviceCounts(2, 2);
  Rescan();
  EXPECT_EQ(Message(),
            "The MIDI output device \"Synth B\" is not there: its port stays closed; "
            "The MIDI input device \"Synth B\" is not there: its port stays closed");
  EXPECT_EQ(form->midiout->count(), 2);
  EXPECT_EQ(form->midiin->count(), 2);
  EXPECT_FALSE(driver->OutputOpen());
  EXPECT_FALSE(driver->InputOpen());

  // What an edit sends meets the closed port: the status bar names the device.
  QTest::keyClick(form.get(), Qt::Key_F10, Qt::ControlModifier);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return Message() ==
               "The MIDI output device \"Synth B\" is not open: choose it again or press Rescan "
               "on the Setup page";
      },
      kWaitMs))
      << Message().toStdString();

  driver->SetDeviceCounts(3, 3);
  Rescan();
  EXPECT_EQ(Message(), "Found 3 MIDI output and 3 MIDI input devices");
  EXPECT_EQ(form->midiout->currentIndex(), 2);
  EXPECT_EQ(form->midiin->currentIndex(), 2);
  EXPECT_TRUE(driver->OutputOpen());
  EXPECT_TRUE(driver->InputStarted());
  const std::size_t sent = driver->LongMessages().size();
  QTest::keyClick(form.get(), Qt::Key_F10, Qt::ControlModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return driver->LongMessages().size() == sent + 1; }, kWaitMs));
}

// A device is neither chosen nor looked for again while a requested dump may still come: the
// list goes back to the open device. Once the window gave up waiting, both work.
TEST_F(DeviceRescanTest, DevicesStayWhileARequestedDumpIsAwaited) {
  Start();
  std::vector<std::function<void()>> waits;
  form->StartTransferWait = [&waits](int, std::function<void()> then) {
    waits.push_back(std::move(then));
  };
  const QString running =
      "The requested preset is still coming from the module: wait until it is in";
  QTest::keyClick(form.get(), Qt::Key_F9, Qt::ControlModifier);
  ASSERT_EQ(waits.size(), 1u);
  form->PageControl1->setCurrentWidget(form->Setupsheet);
  QTest::keyClick(form->midiout, Qt::Key_Down);
  QTest::keyClick(form->midiin, Qt::Key_Down);
  Rescan();
  EXPECT_EQ(errors, QStringList(3, running));
  EXPECT_EQ(form->midiout->currentIndex(), 0);
  EXPECT_EQ(form->midiin->currentIndex(), 0);
  EXPECT_EQ(form->MidiOutput1.DeviceID(), 0);
  EXPECT_TRUE(driver->InputStarted());

  waits.back()();
  EXPECT_EQ(Message(),
            "No answer from the module: check the MIDI input device on the Setup page "
            "and the cables");
  errors.clear();
  QTest::keyClick(form->midiout, Qt::Key_Down);
  EXPECT_EQ(form->MidiOutput1.DeviceID(), 1);
  Rescan();
  EXPECT_EQ(Message(), "Found 3 MIDI output and 3 MIDI input devices");
  EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
}  // namespace morvane::editor::testing
