#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

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

}  // namespace
}  // namespace morvane::editor::testing
