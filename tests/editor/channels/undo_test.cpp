#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <algorithm>
#include <array>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compare_window.h"
#include "data_files.h"
#include "editor_application.h"
#include "file_dialog.h"
#include "find_child.h"
#include "layer_check_box.h"
#include "mask_edit.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "parammap/generic_list.h"
#include "parammap/preset_view.h"
#include "preset/module_messages.h"
#include "radio_group.h"
#include "recording_driver.h"
#include "startup_fixture.h"
#include "tdragger.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

using controls::Tdragger;
using preset::Bytes;
using Strings = std::vector<Bytes>;

// dragger1: the layer volume, 0B:02, caption prefix "vol:".
constexpr int kVolumeLow = 0x02;
constexpr int kLayerHigh = 0x0B;
constexpr std::int8_t kLayerGroup = preset::GroupOf(kLayerHigh);

Strings EditStrings(int preset, int layer, int low, int value) {
  return {preset::PresetSelectMessage(preset), preset::LayerSelectMessage(layer - 1),
          preset::ParameterEditMessage({static_cast<std::uint8_t>(low), kLayerHigh}, value)};
}

Strings operator+(Strings first, const Strings& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// The window on the simulator with its output open; Sent() is what reached the simulator since.
class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static midi::VirtualBackend simulator;
    driver = std::make_unique<RecordingDriver>(simulator);
    TEditorApplication::Instance()->SetErrorReporter([this](const QString& t) { errors << t; });
    form = std::make_unique<TForm1>(&prompt, *driver);
    form->paramTable = TProfileFile(parammap::GenericParameterFile());
    form->params->clear();
    for (int key = 0; key < parammap::kGenericListSize; ++key) {
      form->params->addItem(
          QString::fromStdString(form->paramTable.ReadString("name", std::to_string(key))));
    }
    form->params->setCurrentIndex(parammap::kGenericStartItem);
    form->instr->clear();
    for (int number = 0; number < 10; ++number) {
      form->instr->addItem(QStringLiteral("instrument %1").arg(number));
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return form->MidiOutput1.PendingLongCount() == 0; }));
    form->MidiOutput1.ClosePort();
    form->MidiOutput1.SetDeviceID(0);
    ASSERT_TRUE(form->MidiOutput1.OpenPort());
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  void TearDown() override {
    form.reset();
    TEditorApplication::Instance()->SetErrorReporter({});
  }

  Strings Sent() {
    QElapsedTimer waited;
    waited.start();
    while (form->engine.SysexSender().PendingCount() != 0 && waited.elapsed() < 2000) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return driver->TakeStrings();
  }
  Tdragger* Volume() { return FindChildByName<Tdragger>(*form, QStringLiteral("dragger1")); }
  void ReleaseVolumeAt(int position) {
    Tdragger* control = Volume();
    control->setPosition(position);
    const QPoint middle(control->width() / 2, control->height() / 2);
    Press(control, middle);
    Release(control, middle);
  }
  void CheckLayers(std::initializer_list<int> layers) {
    const std::array boxes{form->l1, form->l2, form->l3, form->l4};
    for (TLayerCheckBox* box : boxes) {
      box->setChecked(false);
    }
    for (int layer : layers) {
      boxes[static_cast<std::size_t>(layer - 1)]->setChecked(true);
    }
  }
  void Choose(int channelIndex, bool bf) {
    form->channel->setItemIndex(channelIndex);
    form->buffer->setChecked(bf);
  }
  int Stored(int channelIndex, int layer, int low = kVolumeLow) {
    return form->Channels()
        .Image(static_cast<std::size_t>(channelIndex))
        .ReadParam(kLayerGroup, low, layer);
  }

  std::unique_ptr<RecordingDriver> driver;
  RecordingPrompt prompt;
  QStringList errors;
  std::unique_ptr<TForm1> form;
};

// The module gets the old values back as the edit addressed it, whatever the window's channel
// and BF say by the time of the undo.
TEST_F(UndoTest, UndoAndRedoSendTheEditsLayersToThePresetItAddressed) {
  struct Case {
    int channelIndex;
    bool bf;
    int presetNumber;
  };
  for (const Case& c : {Case{0, true, -1}, Case{4, false, 4}}) {
    SCOPED_TRACE(c.channelIndex);
    Choose(c.channelIndex, c.bf);
    CheckLayers({4, 2});
    const int old2 = Stored(c.channelIndex, 2);
    const int old4 = Stored(c.channelIndex, 4);
    ReleaseVolumeAt(-6);
    Sent();
    EXPECT_EQ(form->Undo1->text(), "Undo vol on layers 2, 4");

    Choose(7, !c.bf);
    form->Undo1->trigger();
    EXPECT_EQ(Sent(), EditStrings(c.presetNumber, 2, kVolumeLow, old2) +
                          EditStrings(c.presetNumber, 4, kVolumeLow, old4));
    EXPECT_EQ(Stored(c.channelIndex, 2), old2);
    EXPECT_EQ(Stored(c.channelIndex, 4), old4);
    EXPECT_EQ(form->Redo1->text(), "Redo vol on layers 2, 4");

    form->Redo1->trigger();
    EXPECT_EQ(Sent(), EditStrings(c.presetNumber, 2, kVolumeLow, -6) +
                          EditStrings(c.presetNumber, 4, kVolumeLow, -6));
    EXPECT_EQ(Stored(c.channelIndex, 4), -6);
  }
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(UndoTest, InstrumentRenameAndGenericEntryAreOneStepEach) {
  CheckLayers({2});
  const int oldInstrument = Stored(0, 2, 0x01);
  form->instr->setFocus();
  QTest::keyClick(form->instr, Qt::Key_Down);
  Sent();
  form->Undo1->trigger();
  EXPECT_EQ(Sent(), EditStrings(-1, 2, 0x01, oldInstrument));

  QTest::mouseClick(form->PageControl1->tabBar(), Qt::LeftButton, {},
                    form->PageControl1->tabBar()->tabRect(1).center());
  const std::string oldName = form->Channels().Image(0).ReadName();
  form->patchname->clear();
  QTest::keyClicks(form->patchname, QStringLiteral("New:Name"));
  QTest::keyClick(form->patchname, Qt::Key_Return);
  Sent();
  EXPECT_EQ(form->Undo1->text(), "Undo rename");
  // Undone from another channel, it shows the channel it renamed first.
  form->channel->setItemIndex(3);
  form->Undo1->trigger();
  EXPECT_EQ(form->channel->ItemIndex(), 0);
  EXPECT_EQ(Sent(), preset::RenameMessages(oldName, -1));
  EXPECT_EQ(form->Channels().Image(0).ReadName(), oldName);
  EXPECT_EQ(form->patchname->text().toStdString(), oldName);

  // The generic list always addresses the channel's own preset, and only the shown layer.
  const std::vector<parammap::GenericEntry> list = parammap::GenericParameterList();
  const auto entry = std::find_if(
      list.begin(), list.end(), [](const auto& e) { return e.key == parammap::kGenericStartItem; });
  ASSERT_NE(entry, list.end());
  const int low = entry->parameter & 0x7F;
  const int high = entry->parameter >> 7;
  const int oldValue = form->Channels().Image(0).ReadParam(preset::GroupOf(high), low, 1);
  form->paramvalue->clear();
  QTest::keyClicks(form->paramvalue,
                   QString::number(oldValue == entry->min ? entry->max : entry->min));
  QTest::keyClick(form->paramvalue, Qt::Key_Return);
  Sent();
  form->Undo1->trigger();
  EXPECT_EQ(
      Sent(),
      (Strings{preset::PresetSelectMessage(0), preset::LayerSelectMessage(0),
               preset::ParameterEditMessage(
                   {static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high)}, oldValue)}));
  EXPECT_EQ(form->Redo1->text(), "Redo " + form->params->currentText() + " on layer 1");
}

TEST_F(UndoTest, ANewEditDropsTheRedoStepsAndTheOldestStepsGoPastTheLimit) {
  // Nothing to undo or redo in a new window: both items are off.
  EXPECT_FALSE(form->Undo1->isEnabled());
  EXPECT_FALSE(form->Redo1->isEnabled());
  CheckLayers({1});
  ReleaseVolumeAt(-10);
  ReleaseVolumeAt(-20);
  form->Undo1->trigger();
  ReleaseVolumeAt(-30);
  Sent();
  EXPECT_FALSE(form->Redo1->isEnabled());
  form->Redo1->trigger();
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Stored(0, 1), -30);

  // Strings to a closed port only reach the status bar, which keeps the many edits quick.
  ASSERT_TRUE(QTest::qWaitFor([this] { return form->MidiOutput1.PendingLongCount() == 0; }));
  form->MidiOutput1.ClosePort();
  for (int edit = 0; edit <= TChannelOwner::kUndoLimit; ++edit) {
    ReleaseVolumeAt(edit % 2 == 0 ? -40 : -50);
  }
  EXPECT_EQ(form->Channels().UndoStack().count(), TChannelOwner::kUndoLimit);
  while (form->Undo1->isEnabled()) {
    form->Undo1->trigger();
  }
  EXPECT_EQ(Stored(0, 1), -40);
}

TEST_F(UndoTest, CompareListsWhatDiffersFromAnotherChannelOrAFile) {
  ChangeImage(*form, 2, [&](preset::tMrv& image) {
    image = form->Channels().Image(0);
    image.WriteParam(kLayerGroup, kVolumeLow, 3, -6);
  });
  const auto windowText = [&](QAction* action) {
    action->trigger();
    auto* window = form->findChild<TCompareWindow*>();
    EXPECT_NE(window, nullptr);
    const QString text = window ? window->Text()->toPlainText() : QString();
    delete window;
    return text.toStdString();
  };
  const auto compareWith = [&](int channelIndex) {
    QTimer::singleShot(0, [channelIndex] {
      auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->setTextValue(QStringLiteral("Channel %1").arg(channelIndex + 1));
      dialog->accept();
    });
    return windowText(form->CompareWithChannel1);
  };
  EXPECT_EQ(compareWith(1), "The presets are the same");
  const int old = Stored(0, 3);
  EXPECT_EQ(
      compareWith(2),
      "Layer 3  vol:  " + *parammap::ShownCaptionText(*parammap::FindControl("dragger1"), old) +
          " \u2192 vol:-6dB\n");

  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("other.syx"));
  preset::tMrv file = form->Channels().Image(0);
  file.WriteName("Fil:preset");
  file.SavePreset(LocalFileName(path));
  RenameImage(*form, 0, "Cur:preset");
  form->CompareDialog1->SetScriptedAnswer(
      [path](const TFileDialog&) { return std::optional<QString>(path); });
  EXPECT_EQ(windowText(form->CompareWithFile1), "Common  name:  Cur:preset \u2192 Fil:preset\n");
}

// Ctrl alone silences the keyboard player, so Ctrl+Z undoes and plays nothing.
TEST_F(StartupTest, CtrlZUndoesWithoutPlayingANote) {
  Start();
  form->l1->setChecked(true);
  auto* volume = FindChildByName<Tdragger>(*form, QStringLiteral("dragger1"));
  const int old = form->Channels().Image(0).ReadParam(kLayerGroup, kVolumeLow, 1);
  volume->setPosition(old == -6 ? -7 : -6);
  const QPoint middle(volume->width() / 2, volume->height() / 2);
  Press(volume, middle);
  Release(volume, middle);
  form->channel->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(form->Channels().Image(0).ReadParam(kLayerGroup, kVolumeLow, 1), old);
  EXPECT_TRUE(driver->ShortMessages().empty());
}

}  // namespace
}  // namespace morvane::editor::testing
