#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <iterator>
#include <optional>
#include <vector>

#include "channel_references.h"
#include "compare_window.h"
#include "file_dialog.h"
#include "hear_reference.h"
#include "local_file_names.h"
#include "module_window_fixture.h"
#include "parammap/randomize.h"
#include "preset_library.h"
#include "radio_group.h"
#include "settings_store.h"
#include "transfer_owner.h"
#include "variations.h"

namespace morvane::editor::testing {
namespace {

constexpr int kSeed = 77;
constexpr int kWaitMs = 5000;
constexpr std::size_t kDumpSize = 1605;
const QString kRequestRunning =
    QStringLiteral("The requested preset is still coming from the module: wait until it is in");

bool Same(const preset::tMrv& left, const preset::tMrv& right) {
  return std::ranges::equal(left.View(), right.View()) &&
         std::ranges::equal(left.RawDump().View(), right.RawDump().View());
}

// The window and a module that answers requests; channel 1's reference is what the fixture sent.
class HearReferenceTest : public ModuleWindowTest {
 protected:
  void SetUp() override {
    ModuleWindowTest::SetUp();
    const QSignalBlocker quiet(form->midiin);
    form->midiin->setCurrentIndex(0);
    // A Request ends when its dump is in; its watch never gives up on its own.
    form->StartTransferWait = [](int, std::function<void()>) {};
  }
  QPushButton* Button() { return form->HearReference().hearref; }
  preset::tMrv Reference(int channelIndex = 0) {
    const std::optional<preset::tMrv>& reference = form->References().Reference(channelIndex);
    EXPECT_TRUE(reference.has_value());
    return reference.value_or(preset::tMrv());
  }
  // Channel 1 moved away from its reference in the editor, and sent as a dump.
  preset::tMrv Edit(std::uint32_t seed = kSeed) {
    form->Variations().Randomize(
        {parammap::RandomScope::AllLayers, 1, 50, seed, ModuleWindowTest::kInstrumentCount});
    Sent();
    return Channel();
  }
  // A Request of the edit buffer, answered; what was sent meanwhile.
  std::vector<preset::Bytes> Request() {
    std::vector<preset::Bytes> strings;
    prompt.answers = {true};
    form->RequestPatchonCurrentChannel1->trigger();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          std::ranges::move(Sent(), std::back_inserter(strings));
          return form->Transfers().State() == TTransferOwner::TState::Idle;
        },
        kWaitMs));
    return strings;
  }
  void ExpectSounding(bool reference) {
    EXPECT_EQ(Button()->isChecked(), reference);
    EXPECT_EQ(form->HearReference().HearReference1->isChecked(), reference);
    EXPECT_EQ(Button()->text(), reference ? QStringLiteral("ref") : QStringLiteral("edited"));
  }
};

// On and off by the button and by the shortcut, from a channel marked or not: the module hears
// the reference, then holds the edited version byte for byte; the image never changes, nothing
// is left to undo, and the mark is set while the reference sounds and is as before after.
TEST_F(HearReferenceTest, OnAndOffLeaveTheEditedVersionInTheModule) {
  struct Row {
    bool markedBefore;
    bool byKey;
  };
  const preset::tMrv reference = Reference();
  const auto toggle = [this](bool byKey) {
    if (byKey) {
      QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
    } else {
      QTest::mouseClick(Button(), Qt::LeftButton);
    }
  };
  for (const Row& row : {Row{false, false}, Row{true, true}, Row{false, true}}) {
    preset::tMrv edited = Edit(kSeed + (row.byKey ? 1 : 0));
    if (row.markedBefore) {
      form->Channels().Change(0, QStringLiteral("Rename"),
                              [](preset::tMrv& image) { image.WriteName("Mrk:edited"); });
      edited = Channel();
    }
    ASSERT_EQ(form->Channels().Marked(0), row.markedBefore);
    ASSERT_FALSE(Same(edited, reference));
    const int steps = Steps();
    toggle(row.byKey);
    EXPECT_EQ(Sent().size(), 1U);
    EXPECT_TRUE(BufferHolds(reference));
    EXPECT_TRUE(Same(Channel(), edited));
    EXPECT_TRUE(form->Channels().Marked(0));
    ExpectSounding(true);
    EXPECT_EQ(form->StatusBar1->currentMessage(),
              QStringLiteral("Channel 1: the reference sounds"));
    toggle(row.byKey);
    const std::vector<preset::Bytes> strings = Sent();
    ASSERT_EQ(strings.size(), 1U);
    EXPECT_EQ(strings.front().size(), kDumpSize);
    EXPECT_TRUE(BufferHolds(edited));
    EXPECT_TRUE(Same(Channel(), edited));
    EXPECT_EQ(form->Channels().Marked(0), row.markedBefore);
    ExpectSounding(false);
    EXPECT_EQ(form->StatusBar1->currentMessage(),
              QStringLiteral("Channel 1: the edited version sounds again"));
    EXPECT_EQ(Steps(), steps);
    EXPECT_TRUE(Same(Reference(), reference));
  }
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// Showing another channel, a transfer, a change of the heard channel and closing the window each
// send the edited version back before anything else.
TEST_F(HearReferenceTest, EndsBeforeAnotherChannelATransferOrAChange) {
  struct Row {
    std::function<std::vector<preset::Bytes>()> end;
    // An undo of a whole preset marks the channel, as it does when nothing is heard; the next
    // edit goes as edits and leaves the mark.
    bool marked;
  };
  const std::vector<Row> rows{
      {[this] {
         QTest::mouseClick(form->channel->findChildren<QRadioButton*>().at(1), Qt::LeftButton);
         return Sent();
       },
       false},
      {[this] { return Request(); }, false},
      {[this] {
         form->Undo1->trigger();
         return Sent();
       },
       true},
      // Last: the window is gone after it. What closing sends reaches the driver before the
      // GUI thread comes round again.
      {[this] {
         form->close();
         std::vector<preset::Bytes> strings = driver->TakeStrings();
         for (const preset::Bytes& string : strings) {
           module.Receive(string);
         }
         return strings;
       },
       true},
  };
  for (const Row& row : rows) {
    form->channel->setItemIndex(0);
    Edit();
    QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
    Sent();
    ASSERT_TRUE(form->HearReference().Heard().has_value());
    const std::vector<preset::Bytes> strings = row.end();
    ASSERT_FALSE(strings.empty());
    // The channel's version goes back first, to the edit buffer.
    sim::SimulatedModule first;
    first.Receive(strings.front());
    EXPECT_TRUE(
        std::ranges::equal(first.Preset(preset::kEditBufferPreset).View(), Channel().View()));
    ExpectSounding(false);
    EXPECT_FALSE(form->HearReference().Heard().has_value());
    EXPECT_TRUE(BufferHolds(Channel()));
    EXPECT_EQ(form->Channels().Marked(0), row.marked);
  }
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// While a Request runs, hearing and reverting are refused with its message and send nothing;
// a channel that has no reference yet says so.
TEST_F(HearReferenceTest, RefusedDuringATransferOrWithoutAReference) {
  const preset::tMrv edited = Edit();
  const int steps = Steps();
  prompt.answers = {true};
  form->RequestPatchonCurrentChannel1->trigger();
  form->HearReference().HearReference1->trigger();
  ExpectSounding(false);
  form->HearReference().RevertToReference1->trigger();
  EXPECT_EQ(errors, QStringList({kRequestRunning, kRequestRunning}));
  EXPECT_EQ(Steps(), steps);
  const std::vector<preset::Bytes> strings = Sent();
  EXPECT_TRUE(
      std::ranges::none_of(strings, [](const preset::Bytes& s) { return s.size() == kDumpSize; }));
  ASSERT_TRUE(QTest::qWaitFor(
      [this] { return form->Transfers().State() == TTransferOwner::TState::Idle; }, kWaitMs));
  errors.clear();
  form->channel->setItemIndex(2);
  QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
  ExpectSounding(false);
  EXPECT_EQ(
      errors,
      QStringList({QStringLiteral("Channel 3 has no reference yet: it takes one when its preset is "
                                  "received, loaded, saved or sent")}));
  EXPECT_TRUE(Sent().empty());
}

// Revert makes the reference the preset as one step that the module hears; Compare with
// Reference, the first comparison of the menu, lists what differs from it.
TEST_F(HearReferenceTest, RevertIsOneStepAndCompareTakesTheReference) {
  const preset::tMrv reference = Reference();
  const preset::tMrv edited = Edit();
  const QList<QAction*> items = form->File1->actions();
  EXPECT_EQ(items.indexOf(form->HearReference().CompareWithReference1) + 1,
            items.indexOf(form->CompareWithFile1));
  form->HearReference().CompareWithReference1->trigger();
  auto* window = form->findChild<TCompareWindow*>(QStringLiteral("CompareWindow"));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Channel 1 compared with its reference"));
  EXPECT_NE(window->Text()->toPlainText(), QStringLiteral("The presets are the same"));
  window->close();
  const int steps = Steps();
  form->HearReference().RevertToReference1->trigger();
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(std::ranges::equal(Channel().View(), reference.View()));
  Sent();
  EXPECT_TRUE(BufferHolds(reference));
  EXPECT_FALSE(form->Channels().Marked(0));
  form->Undo1->trigger();
  EXPECT_TRUE(Same(Channel(), edited));
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// The reference follows the commands that keep a version of the preset (received, loaded, saved,
// sent) and stays through those that make a new one.
TEST_F(HearReferenceTest, ReferenceFollowsReceiveLoadSaveAndSend) {
  QTemporaryDir folder;
  const QString loadPath = folder.filePath(QStringLiteral("load.syx"));
  const QString savePath = folder.filePath(QStringLiteral("save.syx"));
  preset::tMrv file =
      parammap::Randomized(Channel(), {parammap::RandomScope::Common, 1, 100, 5, 0});
  file.WriteName("Fil:loaded");
  file.SavePreset(LocalFileName(loadPath));
  form->OpenDialog1->SetScriptedAnswer([&](const TFileDialog&) { return std::optional(loadPath); });
  form->SaveDialog1->SetScriptedAnswer([&](const TFileDialog&) { return std::optional(savePath); });
  struct Row {
    const char* command;
    std::function<void()> run;
    bool takes;
  };
  const std::vector<Row> rows{
      {"Request", [this] { Request(); }, true},
      {"Load",
       [this] {
         prompt.answers = {false};
         form->Loadoncurrentchannel1->trigger();
       },
       true},
      {"Save", [this] { form->SaveCurrentChannel1->trigger(); }, true},
      {"Add to Library",
       [&] {
         form->settings->WriteText(TPresetLibrary::kFolderSetting, folder.filePath("library"));
         form->AddToLibrary1->trigger();
       },
       true},
      {"Send",
       [this] {
         prompt.answers = {true};
         form->SendCurrentChannel1->trigger();
       },
       true},
      {"Initialize",
       [this] {
         prompt.answers = {true};
         form->Initialize1->trigger();
       },
       false},
      {"Randomize", [this] { Edit(kSeed + 3); }, false},
      {"Undo", [this] { form->Undo1->trigger(); }, false},
  };
  for (const Row& row : rows) {
    Edit();
    const preset::tMrv before = Reference();
    ASSERT_FALSE(Same(before, Channel())) << row.command;
    row.run();
    Sent();
    EXPECT_TRUE(Same(Reference(), row.takes ? Channel() : before)) << row.command;
  }
  EXPECT_TRUE(Same(*form->References().Reference(0), Reference()));
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

}  // namespace
}  // namespace morvane::editor::testing
