#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QUndoStack>
#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dump_watch.h"
#include "preset/initial_preset.h"
#include "preset/module_messages.h"
#include "preset/tmrv.h"
#include "radio_group.h"
#include "startup_fixture.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

constexpr int kWaitMs = 2000;
constexpr std::size_t kFirstPacketOffset = 36;
constexpr const char* kDumpName = "Lte:late dump   ";
const QString kNoAnswer = QStringLiteral(
    "No answer from the module: check the MIDI input device on the Setup page and the cables");

// The window on scripted devices that answer nothing by themselves: the test feeds the module's
// answer, whole or in part, and fires the watch's timer instead of waiting for it.
class DumpWatchTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    Start();
    dump = NamedDump();
  }
  static preset::Bytes NamedDump() {
    preset::tMrv image;
    image.LoadPresetFromBytes(preset::BuildInitialPreset());
    image.WriteName(kDumpName);
    return image.BuildDump();
  }
  void Request() { QTest::keyClick(form.get(), Qt::Key_F9, Qt::ControlModifier); }
  // The module sends bytes; returns once the window has taken them.
  void Answer(std::span<const std::uint8_t> bytes) {
    const std::size_t before = form->receiveBuffer.Size();
    ASSERT_GT(driver->DeliverSysex(bytes), 0U);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->receiveBuffer.Size() == before + bytes.size(); },
                                kWaitMs));
  }
  TDumpWatch& Watch() { return *form->findChild<TDumpWatch*>(QStringLiteral("dumpwatch")); }
  QProgressBar& Progress() {
    return *form->findChild<QProgressBar*>(QStringLiteral("dumpprogress"));
  }
  QString Message() const { return form->StatusBar1->currentMessage(); }
  bool Loaded() { return form->Channels().Image(0).ReadName() == kDumpName; }
  QString ShownCaption() const {
    const int shown = form->channel->ItemIndex();
    const std::string name = form->Channels().Image(shown).ReadName();
    return form->Channels().Marked(shown) ? MarkedCaption(name) : QString::fromStdString(name);
  }

  preset::Bytes dump;
};

TEST_F(DumpWatchTest, SilenceAfterARequestIsReportedByHowFarTheDumpCame) {
  struct Case {
    std::vector<std::size_t> parts;  // successive packets cut from two dumps run together
    QString message;                 // empty: the status bar keeps what it showed
    bool loads;
    // Bytes that come in the same batch as the last part: the start of a packet, unfinished.
    std::size_t stray = 0;
    // A status byte inside the first packet: the dump is whole but damaged.
    bool damaged = false;
  };
  const Case cases[] = {
      {{}, kNoAnswer, false},
      {{1020}, QStringLiteral("The dump stopped at 1020 of 1605 bytes"), false},
      {{1605, 495},
       QStringLiteral("2100 bytes came: more than one dump. Request again to start over"),
       true},
      {{800, 805}, {}, true},
      {{1605, 1605},
       QStringLiteral("3210 bytes came: more than one dump. Request again to start over"),
       true},
      {{1605},
       QStringLiteral("1705 bytes came: more than one dump. Request again to start over"),
       false,
       100},
      {{1605}, {}, false, 0, true},
  };
  preset::Bytes twoDumps = dump;
  twoDumps.insert(twoDumps.end(), dump.begin(), dump.end());
  preset::Bytes damagedDump = twoDumps;
  constexpr std::uint8_t kStatusByte = 0x90;
  damagedDump[kFirstPacketOffset + 10] = kStatusByte;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message.toStdString());
    form->channel->setItemIndex(0);
    form->Channels().Image(0).LoadPresetFromBytes(preset::BuildInitialPreset());
    Request();
    const QString before = Message();
    std::size_t offset = 0;
    std::optional<int> stepsAfterLoad;
    const preset::tMrv otherChannel = form->Channels().Image(1);
    for (std::size_t index = 0; index < c.parts.size(); ++index) {
      const std::size_t part = c.parts[index];
      const preset::Bytes& source = c.damaged ? damagedDump : twoDumps;
      preset::Bytes batch(source.begin() + static_cast<std::ptrdiff_t>(offset),
                          source.begin() + static_cast<std::ptrdiff_t>(offset + part));
      if (index + 1 == c.parts.size()) {
        const auto packet = dump.begin() + static_cast<std::ptrdiff_t>(kFirstPacketOffset);
        batch.insert(batch.end(), packet, packet + static_cast<std::ptrdiff_t>(c.stray));
      }
      Answer(batch);
      offset += part;
      EXPECT_EQ(Progress().isVisible(), offset < dump.size());
      if (offset < dump.size()) {
        EXPECT_EQ(Progress().value(), static_cast<int>(offset));
      }
      // Once the dump is in, the image is edited and another channel shown: bytes that come
      // after it must change neither, nor add a step to undo.
      if (Loaded() && !stepsAfterLoad) {
        RenameImage(*form, 0, "Edt:after load");
        form->channel->setItemIndex(1);
        stepsAfterLoad = form->Channels().UndoStack().count();
      }
    }
    Watch().Fire();
    EXPECT_EQ(Message(), c.message.isEmpty() ? before : c.message);
    EXPECT_FALSE(Progress().isVisible());
    // The byte count gave way to the shown channel's name; no image changed for it.
    EXPECT_EQ(form->windowTitle(), ShownCaption());
    EXPECT_EQ(stepsAfterLoad.has_value(), c.loads);
    if (stepsAfterLoad) {
      EXPECT_EQ(form->Channels().Image(0).ReadName(), "Edt:after load  ");
      EXPECT_TRUE(std::ranges::equal(form->Channels().Image(1).View(), otherChannel.View()));
      EXPECT_EQ(form->Channels().UndoStack().count(), *stepsAfterLoad);
    }
    EXPECT_EQ(errors, c.damaged ? QStringList{"The answer from the module was damaged (packet 1): "
                                              "channel 1 keeps its preset"}
                                : QStringList());
    errors.clear();
  }
  // Every request went out as before, and nothing else did.
  const auto sent = driver->LongMessages();
  EXPECT_EQ(sent.size(), std::size(cases));
  EXPECT_EQ(sent.back(), preset::DumpRequestMessage(-1));
}

TEST_F(DumpWatchTest, LateDumpStillLoadsAfterTheSettingsTimeRanOut) {
  Store(TSettingsStore::kNoAnswerMs, QStringLiteral("20"));
  Start();
  Request();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Message() == kNoAnswer; }, kWaitMs));
  Answer(std::span(dump).first(1000));
  EXPECT_TRUE(Progress().isVisible());
  // The warning is taken back once bytes come.
  EXPECT_EQ(Message(), QString());
  Answer(std::span(dump).subspan(1000));
  EXPECT_TRUE(Loaded());
  EXPECT_EQ(form->windowTitle(), kDumpName);
}

TEST_F(DumpWatchTest, NoAnswerNamesAnInputDeviceThatWentAway) {
  Request();
  EXPECT_TRUE(QTest::qWaitFor([&] { return driver->LongMessages().size() == 1; }, kWaitMs));
  driver->UnplugInput();
  driver->SetDeviceCounts(3, 0);
  // In place of the usual words when nothing comes.
  Watch().Fire();
  EXPECT_EQ(Message(),
            "The MIDI input device \"Morvane Simulator\" is not open: choose it again or press "
            "Rescan on the Setup page");
}

}  // namespace
}  // namespace morvane::editor::testing
