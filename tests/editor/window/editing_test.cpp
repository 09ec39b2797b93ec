#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QUndoStack>
#include <QWindow>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "editor_application.h"
#include "fake_edit_clock.h"
#include "file_dialog.h"
#include "find_child.h"
#include "layer_check_box.h"
#include "mask_edit.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "parammap/generic_list.h"
#include "preset/module_messages.h"
#include "radio_group.h"
#include "recording_driver.h"
#include "status_bar.h"
#include "tdragger.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

using controls::Tdragger;
using namespace Qt::Literals::StringLiterals;
using preset::Bytes;
using Strings = std::vector<Bytes>;

constexpr int kInstrumentCount = 10;
// dragger1 (the layer volume, 0B:02, -96..10) and dragger25 (preset knob A, 07:13).
constexpr int kVolumeLow = 0x02;
constexpr int kLayerHigh = 0x0B;
constexpr int kKnobLow = 0x13;
constexpr std::int8_t kVolumeGroup = preset::GroupOf(kLayerHigh);

Bytes Edit(int low, int high, int value) {
  return preset::ParameterEditMessage(
      {static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high)}, value);
}

Strings EditStrings(int preset, int layerIndex, int low, int high, int value) {
  return {preset::PresetSelectMessage(preset), preset::LayerSelectMessage(layerIndex),
          Edit(low, high, value)};
}

// The window on the simulator, with a generic list and an instrument list of the test's own, the
// output open on the simulator. Strings() returns what reached the simulator since.
class EditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static midi::VirtualBackend simulator;
    driver = std::make_unique<RecordingDriver>(simulator);
    TEditorApplication::Instance()->SetErrorReporter([this](const QString& t) { errors << t; });
    form = std::make_unique<TForm1>(&prompt, *driver);
    form->paramTable = TProfileFile(parammap::GenericParameterFile());
    form->params->clear();
    form->instr->clear();
    for (int key = 0; key < parammap::kGenericListSize; ++key) {
      form->params->addItem(
          QString::fromStdString(form->paramTable.ReadString("name", std::to_string(key))));
    }
    form->params->setCurrentIndex(parammap::kGenericStartItem);
    for (int number = 0; number < kInstrumentCount; ++number) {
      form->instr->addItem(QStringLiteral("instrument %1").arg(number));
    }
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
  Tdragger* Control(const char* name) {
    return FindChildByName<Tdragger>(*form, QString::fromLatin1(name));
  }
  // A click where the control stands: its release sends the position.
  static void ReleaseAt(Tdragger* control, int position) {
    control->setPosition(position);
    const QPoint middle(control->width() / 2, control->height() / 2);
    Press(control, middle);
    Release(control, middle);
  }
  static void Click(QWidget* widget, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(widget, Qt::LeftButton, modifiers, QPoint(4, widget->height() / 2));
  }
  void ShowPage(QWidget* page) {
    QTabBar* tabs = form->PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {},
                      tabs->tabRect(form->PageControl1->indexOf(page)).center());
    ASSERT_EQ(form->PageControl1->currentWidget(), page);
  }
  void CheckLayers(std::initializer_list<int> layers) {
    for (TLayerCheckBox* box : {form->l1, form->l2, form->l3, form->l4}) {
      box->setChecked(false);
    }
    for (int layer : layers) {
      std::array{form->l1, form->l2, form->l3, form->l4}[layer - 1]->setChecked(true);
    }
  }
  // Sends the current channel, so that it is no longer marked.
  void SendChannel() {
    form->SendCurrentChannel1->trigger();
    Sent();
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return !form->Channels().Marked(form->CurrentChannelIndex()); }));
    Sent();
  }
  int Stored(int layer, int low = kVolumeLow, std::int8_t group = kVolumeGroup) {
    return form->Channels().Image(0).ReadParam(group, low, layer);
  }

  std::unique_ptr<RecordingDriver> driver;
  RecordingPrompt prompt;
  QStringList errors;
  std::unique_ptr<TForm1> form;
};

TEST_F(EditingTest, AReleaseWritesAndSendsEachCheckedLayerInRisingOrder) {
  struct Case {
    std::initializer_list<int> checked;
    std::vector<int> layers;
  };
  constexpr int kValue = -6;
  for (const Case& c : {Case{{1}, {1}}, Case{{4, 2}, {2, 4}}, Case{{}, {}}}) {
    CheckLayers(c.checked);
    const std::array<int, 4> before{Stored(1), Stored(2), Stored(3), Stored(4)};
    ReleaseAt(Control("dragger1"), kValue);
    Strings expected;
    for (int layer = 1; layer <= 4; ++layer) {
      const bool edited = std::find(c.layers.begin(), c.layers.end(), layer) != c.layers.end();
      EXPECT_EQ(Stored(layer), edited ? kValue : before[static_cast<std::size_t>(layer - 1)]);
      if (edited) {
        for (Bytes& string : EditStrings(-1, layer - 1, kVolumeLow, kLayerHigh, kValue)) {
          expected.push_back(string);
        }
      }
    }
    EXPECT_EQ(Sent(), expected);
  }
  // The bytes of the one-layer edit as the module reads them.
  CheckLayers({1});
  ReleaseAt(Control("dragger1"), kValue);
  EXPECT_EQ(Sent(),
            (Strings{{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x01, 0x07, 0x7F, 0x7F, 0xF7},
                     {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x02, 0x07, 0x00, 0x00, 0xF7},
                     {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x02, 0x0B, 0x7A, 0x7F, 0xF7}}));
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(EditingTest, PresetKnobAndBufferChoice) {
  CheckLayers({});
  ShowPage(form->commonsheet);
  ReleaseAt(Control("dragger25"), -1);
  EXPECT_EQ(Sent(), EditStrings(-1, -1, kKnobLow, 0x07, -1));
  EXPECT_EQ(Stored(0, kKnobLow, 0), -1);

  // BF clear on channel 5: the channel index is the preset number.
  Click(form->buffer);
  Click(form->channel->Button(4));
  ReleaseAt(Control("dragger25"), 5);
  EXPECT_EQ(Sent(), EditStrings(4, -1, kKnobLow, 0x07, 5));
  EXPECT_EQ(form->Channels().Image(4).ReadParam(0, kKnobLow, 0), 5);

  // The knobs show the common block whichever layer is shown, never the layer's own block.
  ChangeImage(*form, 4, [&](preset::tMrv& image) { image.WriteParam(0, kKnobLow, 2, 9); });
  ASSERT_EQ(form->Channels().Image(4).ReadParam(0, kKnobLow, 0), 5);
  Control("dragger25")->setPosition(0);
  Click(form->layer->Button(1));
  EXPECT_EQ(Control("dragger25")->Position(), 5);
  ShowPage(form->Setupsheet);
  ShowPage(form->commonsheet);
  EXPECT_EQ(Control("dragger25")->Position(), 5);
}

TEST_F(EditingTest, AnEditToAnotherLayerMovesOnlyTheControlUntilTheNextRefresh) {
  // A stored value outside the control's range is refused: the control keeps its position.
  ChangeImage(*form, 0,
              [&](preset::tMrv& image) { image.WriteParam(kVolumeGroup, kVolumeLow, 2, 11); });
  Click(form->layer->Button(1));
  Tdragger* volume = Control("dragger1");
  ChangeImage(*form, 0,
              [&](preset::tMrv& image) { image.WriteParam(kVolumeGroup, kVolumeLow, 3, -20); });
  Click(form->layer->Button(2));
  EXPECT_EQ(volume->Position(), -20);
  Click(form->layer->Button(1));
  EXPECT_EQ(volume->Position(), -20);
  Click(form->layer->Button(2));
  ReleaseAt(volume, 4);
  EXPECT_EQ(Sent(), EditStrings(-1, 0, kVolumeLow, kLayerHigh, 4));
  EXPECT_EQ(Stored(1), 4);
  EXPECT_EQ(Stored(3), -20);
  EXPECT_EQ(volume->Position(), 4);
  ShowPage(form->pcsheet);
  ShowPage(form->layerctrlssheet);
  EXPECT_EQ(volume->Position(), -20);
}

TEST_F(EditingTest, CodedControlsSendTheirCodeAndShowItsPosition) {
  struct Case {
    const char* control;
    QWidget* TForm1::*page;
    int lastPosition;
    int lastCode;
  };
  for (const Case& c : {Case{"filtertype", &TForm1::layerctrlssheet, 50, 163},
                        Case{"dragger72", &TForm1::pcsheet, 68, 167}}) {
    SCOPED_TRACE(c.control);
    ShowPage(form.get()->*c.page);
    Tdragger* control = Control(c.control);
    const auto* spec = parammap::FindControl(c.control);
    const std::int8_t group = preset::GroupOf(spec->Ctrl2());
    ReleaseAt(control, c.lastPosition);
    EXPECT_EQ(Sent(), EditStrings(-1, 0, spec->Ctrl1(), spec->Ctrl2(), c.lastCode));
    // Stored codes are found at their position; a code of no position keeps the control.
    control->setPosition(0);
    ShowPage(form->Setupsheet);
    ShowPage(form.get()->*c.page);
    EXPECT_EQ(control->Position(), c.lastPosition);
    ChangeImage(*form, 0,
                [&](preset::tMrv& image) { image.WriteParam(group, spec->Ctrl1(), 1, 1000); });
    ShowPage(form->Setupsheet);
    ShowPage(form.get()->*c.page);
    EXPECT_EQ(control->Position(), c.lastPosition);
  }
  // A cord position past the end of its table stands for no code.
  const int before = Stored(1, 0x01, preset::GroupOf(0x0F));
  ReleaseAt(Control("dragger72"), 70);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Stored(1, 0x01, preset::GroupOf(0x0F)), before);
  EXPECT_EQ(form->StatusBar1->currentMessage(),
            "Position 70 has no cord source code: nothing was sent");
}

TEST_F(EditingTest, ShiftClickSelectsAndShowsOneLayerAndAPlainClickOnlyToggles) {
  CheckLayers({1, 2});
  Click(form->l3);
  EXPECT_TRUE(form->l1->isChecked() && form->l2->isChecked() && form->l3->isChecked());
  EXPECT_EQ(form->layer->ItemIndex(), 0);

  ChangeImage(*form, 0,
              [&](preset::tMrv& image) { image.WriteParam(kVolumeGroup, kVolumeLow, 3, -30); });
  Click(form->l3);
  Click(form->l3, Qt::ShiftModifier);
  EXPECT_FALSE(form->l1->isChecked() || form->l2->isChecked() || form->l4->isChecked());
  EXPECT_TRUE(form->l3->isChecked());
  EXPECT_EQ(form->layer->ItemIndex(), 2);
  EXPECT_EQ(Control("dragger1")->Position(), -30);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(EditingTest, RenameSendsSixteenCharactersAndProposesAFileName) {
  ShowPage(form->commonsheet);
  const std::string oldName = form->Channels().Image(0).ReadName();
  EXPECT_EQ(form->patchname->text().toStdString(), oldName);
  struct Case {
    QString typed;
    QString shown;
    std::string sent;
    QString fileName;
  };
  // The fourth character stays the one the image keeps (":"): typed over, it moves on; a short
  // name is sent with it too, so that the module holds what the image holds.
  for (const Case& c : {Case{"Abc:Pad", "Abc:Pad", "Abc:Pad         ", "Abc-Pad.syx"},
                        Case{u"Pad:Caf\u00E9 Cr\u00E8me"_s, "Pad:Cafe Creme", "Pad:Cafe Creme  ",
                             "Pad-Cafe Creme.syx"},
                        Case{"Warm Pad", "War:m Pad", "War:m Pad       ", "War-m Pad.syx"},
                        Case{"", "", "   :            ", ".syx"}}) {
    form->patchname->clear();
    form->patchname->setFocus();
    TypeText(form->patchname, c.typed);
    QTest::keyClick(form->patchname, Qt::Key_Return);
    EXPECT_EQ(form->patchname->text(), c.shown);
    Strings expected{preset::PresetSelectMessage(-1), preset::LayerSelectMessage(-1)};
    for (int i = 0; i < 16; ++i) {
      expected.push_back(Edit(0x03 + i, 0x07, static_cast<unsigned char>(c.sent[i])));
    }
    EXPECT_EQ(Sent(), expected);
    EXPECT_EQ(form->Channels().Image(0).ReadName(), c.sent);
    EXPECT_EQ(form->SaveDialog1->FileName(), c.fileName);
  }
}

TEST_F(EditingTest, MuteTogglesTheShownLayersWindowFlag) {
  // The button shows the shown layer's flag.
  const auto shows = [&](bool muted) {
    EXPECT_EQ(form->mute->isChecked(), muted);
    EXPECT_EQ(form->mute->text(), muted ? "muted" : "mute");
  };
  Click(form->layer->Button(1));
  Click(form->mute);
  shows(true);
  Click(form->mute);
  shows(false);
  Click(form->layer->Button(2));
  Click(form->mute);
  shows(true);
  Click(form->layer->Button(1));
  shows(false);
  Click(form->layer->Button(2));
  shows(true);
  EXPECT_EQ(Sent(), (Strings{{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x32, 0x01, 0x00, 0xF7},
                             {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x33, 0x01, 0x00, 0xF7},
                             preset::LayerMuteMessage(2)}));
}

TEST_F(EditingTest, TheLayerSelectionSaysWhereEditsGoWhileTheShownLayerIsNotAmongThem) {
  struct Case {
    std::initializer_list<int> checked;
    int shownIndex;
    const char* title;
  };
  for (const Case& c : {Case{{1}, 0, "select"}, Case{{1}, 1, "edits go to layer 1"},
                        Case{{2, 4}, 0, "edits go to layers 2, 4"}, Case{{2, 4}, 3, "select"},
                        Case{{}, 2, "edits go to no layer"}}) {
    CheckLayers(c.checked);
    Click(form->layer->Button(c.shownIndex));
    EXPECT_EQ(form->select->title(), c.title);
  }
}

TEST_F(EditingTest, LampsShowInstrumentsFromTheLastRefresh) {
  // The Setup page shows the caption and the lamps only.
  ShowPage(form->Setupsheet);
  ChangeImage(*form, 0, [&](preset::tMrv& image) {
    for (int layer = 1; layer <= 4; ++layer) {
      image.WriteParam(0, 0x01, layer, layer == 1 ? 3 : 0);
    }
    image.WriteName("Lam:[*]Test");
    image.WriteParam(kVolumeGroup, kVolumeLow, 1, -50);
  });
  SendChannel();
  // "[*]" is the toolkit's place for its modified mark; the caption shows the name as typed.
  const QString name = QString::fromStdString(form->Channels().Image(0).ReadName());
  EXPECT_EQ(form->windowHandle()->title(), name);
  form->setWindowModified(true);
  EXPECT_EQ(form->windowHandle()->title(), name);
  form->setWindowModified(false);
  EXPECT_NE(Control("dragger1")->Position(), -50);
  const auto lamp = [&](TLayerCheckBox* box) {
    return box->palette().color(box->foregroundRole());
  };
  EXPECT_EQ(lamp(form->l1), QColor(Qt::red));
  EXPECT_EQ(lamp(form->l2), QColor(Qt::black));

  CheckLayers({2});
  ShowPage(form->layerctrlssheet);
  Click(form->layer->Button(1));
  form->instr->setFocus();
  QTest::keyClick(form->instr, Qt::Key_Down);
  EXPECT_EQ(Sent(), EditStrings(-1, 1, 0x01, 0x0B, 1));
  EXPECT_EQ(lamp(form->l2), QColor(Qt::black));
  ChangeImage(*form, 0,
              [&](preset::tMrv& image) { image.WriteParam(0, 0x01, 1, kInstrumentCount); });
  SendChannel();
  Click(form->layer->Button(0));
  EXPECT_EQ(lamp(form->l2), QColor(Qt::red));
  EXPECT_EQ(form->instr->currentIndex(), -1);
  EXPECT_EQ(form->windowHandle()->title(), name);
}

TEST_F(EditingTest, GenericListEditsTheShownLayerOfTheChannelsPreset) {
  form->params->setFocus();
  // The key's release shows the keyboard player's note instead, so the range is read before it.
  QTest::keyPress(form->params, Qt::Key_Down);
  const int key = parammap::kGenericStartItem + 1;
  const std::vector<parammap::GenericEntry> list = parammap::GenericParameterList();
  const auto entry = std::find_if(list.begin(), list.end(),
                                  [&](const parammap::GenericEntry& e) { return e.key == key; });
  ASSERT_NE(entry, list.end());
  EXPECT_EQ(form->StatusBar1->currentMessage(),
            QStringLiteral("min = %1 max = %2").arg(entry->min).arg(entry->max));
  QTest::keyRelease(form->params, Qt::Key_Down);
  const int low = entry->parameter & 0x7F;
  const int high = entry->parameter >> 7;

  Click(form->layer->Button(1));
  const auto enter = [&](const QString& text) {
    form->paramvalue->clear();
    QTest::keyClicks(form->paramvalue, text);
    QTest::keyClick(form->paramvalue, Qt::Key_Return);
  };
  enter(QStringLiteral("1-2"));
  EXPECT_EQ(errors, QStringList{"'1-2' is not a valid integer value"});
  EXPECT_TRUE(Sent().empty());
  // Both ends of the range are values; one beyond either end is ignored.
  for (const auto& [value, taken] :
       {std::pair{entry->min - 1, false}, std::pair{entry->min, true}, std::pair{entry->max, true},
        std::pair{entry->max + 1, false}}) {
    SCOPED_TRACE(value);
    const int before = form->Channels().Image(0).ReadParam(preset::GroupOf(high), low, 2);
    enter(QString::number(value));
    EXPECT_EQ(Sent(), taken ? EditStrings(0, 1, low, high, value) : Strings{});
    EXPECT_EQ(form->Channels().Image(0).ReadParam(preset::GroupOf(high), low, 2),
              taken ? value : before);
  }
  EXPECT_TRUE(form->channel->hasFocus() ||
              form->channel->isAncestorOf(QApplication::focusWidget()));

  // A range may be written in hexadecimal, with "$" or "0x".
  form->paramTable =
      TProfileFile("[name]\n0=x\n[lsb]\n0=$02\n[msb]\n0=$0B\n[min]\n0=-0x60\n[max]\n0=$0A\n");
  form->params->setCurrentIndex(0);
  Click(form->layer->Button(2));
  EXPECT_EQ(form->params->Min(), -96);
  EXPECT_EQ(form->params->Max(), 10);

  // A chosen entry with no parameter number stops the refresh after everything else is shown.
  form->paramTable = TProfileFile("[name]\n0=nothing\n");
  form->params->setCurrentIndex(0);
  ChangeImage(*form, 0,
              [&](preset::tMrv& image) { image.WriteParam(kVolumeGroup, kVolumeLow, 1, -40); });
  Click(form->layer->Button(0));
  EXPECT_EQ(errors.last(), "'$' is not a valid integer value");
  EXPECT_EQ(Control("dragger1")->Position(), -40);
}

TEST_F(EditingTest, AClosedPortIsReportedInTheStatusBar) {
  form->MidiOutput1.ClosePort();
  ReleaseAt(Control("dragger1"), 1);
  EXPECT_TRUE(Sent().empty());
  // The hint of the control under the pointer may cover it for a while.
  EXPECT_EQ(qobject_cast<TStatusBar*>(form->StatusBar1)->History().front(),
            "The MIDI output device \"Morvane Simulator\" is not open: choose it again or press "
            "Rescan on the Setup page");
  EXPECT_TRUE(errors.isEmpty());
}

// Each way to change a focused control ends in one edit, with the strings a release sends: per
// key release (a held key repeats its steps), per wheel notch, a fast wheel at most once per
// interval and its last value; the steps stop at the range's ends.
TEST_F(EditingTest, TheWheelArrowsAndPagesSendOneEditEach) {
  test_support::FakeEditClock clock;
  form->editClock = clock.clock;
  CheckLayers({1, 3});
  Tdragger* volume = Control("dragger1");
  volume->setFocus();
  const auto key = [&](Qt::Key code, int repeats = 0) {
    QTest::keyPress(volume, code);
    for (int repeat = 0; repeat < repeats; ++repeat) {
      QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, QString(), true);
      QApplication::sendEvent(volume, &press);
    }
    QTest::keyRelease(volume, code);
  };
  const auto notches = [&](int count, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    for (int notch = 0; notch < std::abs(count); ++notch) {
      Wheel(volume, count > 0 ? 120 : -120, modifiers);
    }
  };
  const std::pair<std::function<void()>, std::vector<int>> cases[] = {
      {[&] { notches(1); }, {1}},
      {[&] { key(Qt::Key_Right); }, {2}},
      {[&] { key(Qt::Key_PageDown); }, {-8}},
      {[&] { notches(-1, Qt::ShiftModifier); }, {-18}},
      // Some platforms deliver a wheel held with Shift sideways.
      {[&] { Wheel(volume, 120, Qt::ShiftModifier, Qt::Horizontal); }, {-8}},
      {[&] { notches(4); }, {-7, -4}},
      {[&] { key(Qt::Key_PageUp, 2); }, {10}},
      {[&] { key(Qt::Key_Up); }, {10}},
  };
  const int stepsBefore = form->Channels().UndoStack().count();
  for (const auto& [act, values] : cases) {
    clock.Advance(1000);
    act();
    clock.Advance(100);
    Strings expected;
    for (const int value : values) {
      for (const int layerIndex : {0, 2}) {
        const Strings edit = EditStrings(-1, layerIndex, kVolumeLow, kLayerHigh, value);
        expected.insert(expected.end(), edit.begin(), edit.end());
      }
    }
    EXPECT_EQ(Sent(), expected);
    EXPECT_EQ(Stored(3), values.back());
  }
  // Up at the top of the range sends 10 again and changes nothing to undo.
  EXPECT_EQ(form->Channels().UndoStack().count(), stepsBefore + 8);
  EXPECT_TRUE(errors.isEmpty());
}

// With the option on, a drag sends its values as they change, at most one edit per interval,
// and the release sends the final value as always; undo takes the whole drag back at once.
TEST_F(EditingTest, SendingWhileDraggingPacesEditsAndTheDragIsOneUndoStep) {
  test_support::FakeEditClock clock;
  form->editClock = clock.clock;
  ShowPage(form->Setupsheet);
  Click(form->senddragging);
  ASSERT_TRUE(form->senddragging->isChecked());
  ShowPage(form->layerctrlssheet);
  CheckLayers({2});
  constexpr int kCutLow = 0x02;
  constexpr int kFilterHigh = 0x0C;
  constexpr std::int8_t kFilterGroup = preset::GroupOf(kFilterHigh);
  const int before = Stored(2, kCutLow, kFilterGroup);
  Tdragger* cut = Control("dragger26");
  cut->setPosition(0);
  const int stepsBefore = form->Channels().UndoStack().count();
  clock.AdvanceTo(1000);
  Press(cut, {10, 8});
  for (int move = 1; move <= 10; ++move) {
    clock.AdvanceTo(1000 + 10 * move);
    Move(cut, {10 + move, 8});
  }
  clock.AdvanceTo(1105);
  Release(cut, {20, 8});
  clock.Advance(100);
  Strings expected;
  for (const int value : {1, 3, 5, 7, 9, 10}) {
    const Strings edit = EditStrings(-1, 1, kCutLow, kFilterHigh, value);
    expected.insert(expected.end(), edit.begin(), edit.end());
  }
  EXPECT_EQ(Sent(), expected);
  EXPECT_EQ(Stored(2, kCutLow, kFilterGroup), 10);
  ASSERT_EQ(form->Channels().UndoStack().count(), stepsBefore + 1);
  EXPECT_EQ(form->Undo1->text(), "Undo cut on layer 2");
  form->Undo1->trigger();
  EXPECT_EQ(Stored(2, kCutLow, kFilterGroup), before);
  EXPECT_EQ(Sent(), EditStrings(-1, 1, kCutLow, kFilterHigh, before));

  // A move exactly one interval after the last send goes out at once; one sooner waits.
  cut->setPosition(0);
  clock.AdvanceTo(2000);
  Press(cut, {10, 8});
  clock.AdvanceTo(2005);
  Move(cut, {11, 8});
  EXPECT_TRUE(Sent().empty());
  clock.AdvanceTo(2020);
  EXPECT_EQ(Sent(), EditStrings(-1, 1, kCutLow, kFilterHigh, 1));
  clock.AdvanceTo(2039);
  Move(cut, {12, 8});
  EXPECT_TRUE(Sent().empty());
  clock.AdvanceTo(2040);
  EXPECT_EQ(Sent(), EditStrings(-1, 1, kCutLow, kFilterHigh, 2));
  clock.AdvanceTo(2060);
  Move(cut, {13, 8});
  EXPECT_EQ(Sent(), EditStrings(-1, 1, kCutLow, kFilterHigh, 3));
  Release(cut, {13, 8});
  EXPECT_EQ(Sent(), EditStrings(-1, 1, kCutLow, kFilterHigh, 3));
  EXPECT_TRUE(errors.isEmpty());
}

// A drag that comes back to where it began leaves nothing to undo, and a step undone before it
// can still be redone unless the drag sent its values meanwhile. Its release sends the value as
// every release does, and nothing besides.
TEST_F(EditingTest, ADragBackToWhereItBeganAddsNoStep) {
  test_support::FakeEditClock clock;
  form->editClock = clock.clock;
  constexpr int kCutLow = 0x02;
  constexpr int kFilterHigh = 0x0C;
  constexpr int kStart = 5;
  CheckLayers({1});
  Tdragger* cut = Control("dragger26");
  const auto edits = [](std::initializer_list<int> values) {
    Strings strings;
    for (const int value : values) {
      const Strings edit = EditStrings(-1, 0, kCutLow, kFilterHigh, value);
      strings.insert(strings.end(), edit.begin(), edit.end());
    }
    return strings;
  };
  struct Case {
    bool whileDragging;
    Strings sent;
    bool redo;
  };
  const Case cases[] = {
      {false, edits({kStart}), true},
      {true, edits({kStart + 1, kStart + 2, kStart, kStart}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.whileDragging);
    if (form->senddragging->isChecked() != c.whileDragging) {
      ShowPage(form->Setupsheet);
      Click(form->senddragging);
      ShowPage(form->layerctrlssheet);
    }
    ReleaseAt(cut, kStart);
    ReleaseAt(cut, kStart + 1);
    form->Undo1->trigger();
    Sent();
    const int index = form->Channels().UndoStack().index();
    clock.Advance(1000);
    Press(cut, {10, 8});
    // A step right per move; left, two steps while the value is 1 or above.
    for (const int x : {11, 12, 11}) {
      clock.Advance(30);
      Move(cut, {x, 8});
    }
    clock.Advance(30);
    Release(cut, {11, 8});
    EXPECT_EQ(Sent(), c.sent);
    EXPECT_EQ(Stored(1, kCutLow, preset::GroupOf(kFilterHigh)), kStart);
    EXPECT_EQ(form->Channels().UndoStack().index(), index);
    EXPECT_EQ(form->Redo1->isEnabled(), c.redo);
    EXPECT_EQ(form->Undo1->text(), "Undo cut on layer 1");
  }
  EXPECT_TRUE(errors.isEmpty());
}

// Typing at the fourth character moves the text past it; deleting it or before it keeps it. Typed
// letters become the module's characters at once, the cursor after what was typed, and the
// status bar says what changed.
TEST_F(EditingTest, TheNameBoxKeepsItsFourthCharacterAndShowsWhatIsStored) {
  ShowPage(form->commonsheet);
  form->patchname->setFocus();
  struct Case {
    QString start;
    int cursor;
    QString typed;
    std::vector<Qt::Key> keys;
    QString result;
    int cursorAfter;
    QString status;
  };
  const QString name = QStringLiteral("War:Pad");
  const auto plain = [](const QString& note) {
    return QStringLiteral("Names hold no accented letters: ") + note;
  };
  const auto refused = [](const QString& note) {
    return QStringLiteral("No plain form, left out: ") + note;
  };
  // clang-format off
  const Case cases[] = {
      {name, 3, "m", {}, "War:mPad", 5, {}},
      {name, 4, "", {Qt::Key_Backspace}, "War:Pad", 3, {}},
      {name, 3, "", {Qt::Key_Delete}, "War:Pad", 3, {}},
      {name, 2, "", {Qt::Key_Backspace}, "WrP:ad", 1, {}},
      {name, 7, "", {Qt::Key_Backspace}, "War:Pa", 6, {}},
      {name, 2, "x", {Qt::Key_Backspace}, "War:Pad", 2, {}},
      {name, 2, u"\u00E9"_s, {Qt::Key_Backspace}, "War:Pad", 2, plain(u"\u00E9 is stored as e"_s)},
      {name, 4, u"\u00C9\u00FC"_s, {}, "War:EuPad", 6, plain(u"\u00FC is stored as u"_s)},
      {name, 2, u"\u00DF"_s, {}, "Was:srPad", 5, plain(u"\u00DF is stored as ss"_s)},
      {name, 2, u"\u2713"_s, {}, "War:Pad", 2, refused(u"\u2713"_s)},
      {name, 5, u"\u2713"_s, {}, "War:Pad", 5, refused(u"\u2713"_s)},
      {name, 3, u"\u20AC"_s, {}, "War:Pad", 4, refused(u"\u20AC"_s)},
      {"", 0, "Bnk:Bank Sound 10", {}, "Bnk:Bank Sound 1", 16, {}},
      {"War:Padabcdefgh", 15, u"\u00DF"_s, {}, "War:Padabcdefghs", 16, plain(u"\u00DF is stored as ss"_s)},
      {"", 0, u"\u00C6b"_s, {}, "AEb", 3, plain(u"\u00C6 is stored as AE"_s)},
      {"", 0, u"Ab\u00C6"_s, {}, "AbA:E", 5, plain(u"\u00C6 is stored as AE"_s)},
  };
  // clang-format on
  for (const Case& c : cases) {
    form->patchname->setText(c.start);
    form->patchname->setCursorPosition(c.cursor);
    form->StatusBar1->clearMessage();
    TypeText(form->patchname, c.typed);
    for (const Qt::Key key : c.keys) {
      QTest::keyClick(form->patchname, key);
    }
    const QString context = c.start + " " + QString::number(c.cursor) + " " + c.typed;
    EXPECT_EQ(form->patchname->text(), c.result) << context.toStdString();
    EXPECT_EQ(form->patchname->cursorPosition(), c.cursorAfter) << context.toStdString();
    EXPECT_EQ(form->StatusBar1->currentMessage(), c.status) << context.toStdString();
  }
  // A paste over "ar:" that leaves out a character before the fourth: the text after it closes up
  // behind the fourth character, and the cursor stays after what was pasted.
  QApplication::clipboard()->setText(u"\u2713x:"_s);
  form->patchname->setText(name);
  form->patchname->setSelection(1, 3);
  QTest::keyClick(form->patchname, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(form->patchname->text(), "WxP:ad");
  EXPECT_EQ(form->patchname->cursorPosition(), 2);
}

}  // namespace
}  // namespace morvane::editor::testing
