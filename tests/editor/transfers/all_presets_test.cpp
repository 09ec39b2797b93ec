#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data_files.h"
#include "editor_application.h"
#include "file_dialog.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/module_messages.h"
#include "radio_group.h"
#include "recording_driver.h"
#include "tform1.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

using midi::VirtualBackend;
using preset::Bytes;

constexpr int kWaitMs = 5000;
constexpr int kPresets = preset::kBankPresetCount;
constexpr int kSilentPreset = 5;  // shown as "Preset 6"
constexpr int kDumpWireTimeMs = 514;

struct Wait {
  int ms;
  std::function<void()> then;
};

// The window on a simulator of its own with every string it sent recorded; the waits of the
// all-preset transfers are kept for the test to end, never timed.
class AllPresetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid() && settingsFolder.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    simulator = std::make_unique<VirtualBackend>();
    driver = std::make_unique<RecordingDriver>(*simulator);
    TEditorApplication::Instance()->SetErrorReporter([this](const QString& t) { errors << t; });
    form = std::make_unique<TForm1>(&prompt, *driver);
    form->StartTransferWait = [this](int ms, std::function<void()> then) {
      waits.push_back({ms, std::move(then)});
    };
    for (TFileDialog* dialog : {form->OpenDialog1, form->SaveDialog1}) {
      dialog->SetScriptedAnswer([this](const TFileDialog&) { return chosen; });
    }
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  void TearDown() override {
    form.reset();
    driver.reset();
    simulator.reset();
    TEditorApplication::Instance()->SetErrorReporter({});
  }

  std::vector<Bytes> Sent() {
    QElapsedTimer waited;
    waited.start();
    while (form->engine.SysexSender().PendingCount() != 0 && waited.elapsed() < kWaitMs) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return driver->TakeStrings();
  }
  std::string Name(int channelIndex) {
    return form->Channels().Image(static_cast<std::size_t>(channelIndex)).ReadName();
  }
  // Renames the images of these channels, so that what the module holds can be told apart.
  void Rename(std::initializer_list<int> channelIndexes, const std::string& prefix) {
    for (const int channelIndex : channelIndexes) {
      RenameImage(*form, static_cast<std::size_t>(channelIndex),
                  prefix + std::to_string(channelIndex));
    }
  }
  // Ends the newest wait, the one the transfer is in.
  void EndWait() {
    ASSERT_FALSE(waits.empty());
    const std::function<void()> then = waits.back().then;
    then();
  }
  // Requests all presets; with silent, the simulator does not answer kSilentPreset.
  void RequestAll(bool silent) {
    simulator->SetSilent(kSilentPreset, silent);
    form->RequestAllPresets1->trigger();
    if (silent) {
      ASSERT_TRUE(QTest::qWaitFor(
          [this] { return form->StatusBar1->currentMessage() == QStringLiteral("Preset 6 of 16"); },
          kWaitMs));
      EndWait();
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->RequestingAllPresets(); }, kWaitMs));
  }
  QString PathOf(const char* name) const { return QDir(folder.path()).filePath(name); }

  QTemporaryDir folder;
  QTemporaryDir settingsFolder;
  std::unique_ptr<VirtualBackend> simulator;
  std::unique_ptr<RecordingDriver> driver;
  RecordingPrompt prompt;
  QStringList errors;
  std::optional<QString> chosen;
  std::vector<Wait> waits;
  std::unique_ptr<TForm1> form;
};

TEST_F(AllPresetsTest, RequestAllFillsEachChannelAndSkipsThePresetThatDoesNotCome) {
  // Three of the module's presets changed, through dumps stored into them.
  for (const int presetNumber : {2, 7, 11}) {
    preset::tMrv stored = form->Channels().Image(0);
    stored.WriteName("Stored " + std::to_string(presetNumber));
    stored.SetPresetNumber(presetNumber);
    form->engine.SendSysex(stored.BuildDump());
  }
  Sent();
  Rename({kSilentPreset}, "Kept ");
  const std::string moduleDefault = Name(0);
  // Shown: a dump that reached the current channel too would overwrite the kept preset.
  form->channel->setItemIndex(kSilentPreset);

  RequestAll(true);

  EXPECT_EQ(prompt.texts.back(), "This will replace the presets on all 16 channels. Continue?");
  EXPECT_EQ(prompt.kinds.back(), morvane::engine::TAskKind::Question);
  const std::vector<Bytes> sent = Sent();
  ASSERT_EQ(sent.size(), static_cast<std::size_t>(kPresets));
  for (int presetNumber = 0; presetNumber < kPresets; ++presetNumber) {
    EXPECT_EQ(sent[static_cast<std::size_t>(presetNumber)],
              preset::DumpRequestMessage(presetNumber));
    const std::string name = Name(presetNumber);
    if (presetNumber == 2 || presetNumber == 7 || presetNumber == 11) {
      EXPECT_EQ(name.substr(0, 8), "Sto" + moduleDefault.substr(3, 1) + "ed " +
                                       std::to_string(presetNumber).substr(0, 1));
    } else if (presetNumber == kSilentPreset) {
      EXPECT_EQ(name.substr(0, 3), "Kep");
    } else {
      EXPECT_EQ(name, moduleDefault) << presetNumber;
    }
  }
  // Nothing was lost: the status bar says it, and no box.
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
  EXPECT_EQ(form->StatusBar1->currentMessage(),
            "Received 15 of 16; preset 6 did not come, its channel kept");
  // Renamed in the editor and not received: it may differ from the module.
  EXPECT_EQ(form->windowTitle(), MarkedCaption(Name(kSilentPreset)));
  // A single Request afterwards loads the current channel as before.
  form->buffer->setChecked(false);
  form->channel->setItemIndex(7);
  Rename({7}, "Other ");
  QTest::keyClick(form.get(), Qt::Key_F9, Qt::ControlModifier);
  EXPECT_TRUE(QTest::qWaitFor([this] { return Name(7).substr(0, 2) == "St"; }, kWaitMs));
}

TEST_F(AllPresetsTest, SendAllPacesTheDumpsThenRequestAllBringsThemBack) {
  Rename({0, 4, 15}, "Sent ");
  form->SendAllPresets1->trigger();
  // Another transfer or a bank load would interleave with this one: both are refused.
  form->RequestAllPresets1->trigger();
  form->LoadBank1->trigger();
  EXPECT_EQ(errors, QStringList(2, "The presets are still being transferred: wait until it ends"));
  errors.clear();
  for (int presetNumber = 1; presetNumber <= kPresets; ++presetNumber) {
    ASSERT_EQ(waits.size(), static_cast<std::size_t>(presetNumber));
    EXPECT_GE(waits.back().ms, kDumpWireTimeMs);
    // Nothing more goes out until the wait for the wire has ended.
    EXPECT_EQ(Sent().size(), 1u);
    EndWait();
  }
  EXPECT_EQ(form->StatusBar1->currentMessage(), "Sent 16 presets");
  EXPECT_EQ(prompt.texts.back(), "Send all 16 presets to the module?");

  const std::array<preset::tMrv, kPresets> sentImages = form->Channels().Images();
  Rename({0, 4, 15}, "Gone ");
  // Shown: the last dump, had it reached the current channel too, would overwrite it.
  form->channel->setItemIndex(4);
  RequestAll(false);
  EXPECT_TRUE(errors.isEmpty());
  EXPECT_EQ(form->StatusBar1->currentMessage(), "Received 16 of 16 presets");
  for (int presetNumber = 0; presetNumber < kPresets; ++presetNumber) {
    const auto& image = form->Channels().Image(static_cast<std::size_t>(presetNumber));
    EXPECT_TRUE(
        std::ranges::equal(image.View(), sentImages[static_cast<std::size_t>(presetNumber)].View()))
        << presetNumber;
    EXPECT_EQ(image.RawDump().View()[preset::kPresetNumberOffset], presetNumber);
  }
  // The whole transfer is one step to undo, in the editor only.
  Sent();
  EXPECT_EQ(form->Undo1->text(), "Undo Request All Presets");
  form->Undo1->trigger();
  EXPECT_EQ(Name(0).substr(0, 3), "Gon");
  EXPECT_EQ(Name(15).substr(0, 3), "Gon");
  EXPECT_EQ(form->windowTitle(), MarkedCaption(Name(4)));
  EXPECT_TRUE(Sent().empty());
}

TEST_F(AllPresetsTest, BankFilesSaveAndLoadAllChannelsAndABadOneChangesNothing) {
  Rename({1, 9}, "Bank ");
  chosen = PathOf("bank.syx");
  form->SaveBank1->trigger();
  Rename({1, 9}, "Else ");
  const std::array<preset::tMrv, kPresets> before = form->Channels().Images();

  Bytes damaged = preset::ReadWholeFile(LocalFileName(PathOf("bank.syx")));
  ASSERT_EQ(damaged.size(), preset::kBankSize);
  damaged[4 * preset::kDumpSize] = 0x00;
  preset::WriteFileReplacing(LocalFileName(PathOf("damaged.syx")), damaged);
  preset::WriteFileReplacing(LocalFileName(PathOf("one.syx")), Bytes(preset::kDumpSize, 0));
  for (const char* bad : {"damaged.syx", "one.syx"}) {
    chosen = PathOf(bad);
    form->LoadBank1->trigger();
  }
  EXPECT_EQ(errors, (QStringList{"Preset 5 of the bank " + PathOf("damaged.syx") + " is damaged",
                                 "Not a bank of 16 presets: " + PathOf("one.syx") +
                                     " holds 1605 bytes, a bank 25680"}));
  for (std::size_t index = 0; index < before.size(); ++index) {
    EXPECT_TRUE(std::ranges::equal(form->Channels().Image(index).View(), before[index].View()));
  }

  chosen = PathOf("bank.syx");
  form->LoadBank1->trigger();
  EXPECT_EQ(Name(1).substr(0, 3), "Ban");
  EXPECT_EQ(Name(9).substr(0, 3), "Ban");
  EXPECT_EQ(form->Channels().Image(9).RawDump().View()[preset::kPresetNumberOffset], 9);

  // The whole bank is one step to undo, in the editor only.
  EXPECT_EQ(form->Undo1->text(), "Undo Load Bank");
  form->Undo1->trigger();
  EXPECT_EQ(Name(1).substr(0, 3), "Els");
  EXPECT_EQ(Name(9).substr(0, 3), "Els");
}

}  // namespace
}  // namespace morvane::editor::testing
