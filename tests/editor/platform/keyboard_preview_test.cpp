#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include "mask_edit.h"
#include "radio_group.h"
#include "startup_fixture.h"
#include "tmrvbox.h"
#include "virtual_key.h"

namespace morvane::editor::testing {
namespace {

using engine::TShiftState;

constexpr std::uint32_t NoteMessage(std::uint32_t status, std::uint32_t note,
                                    std::uint32_t velocity) {
  return status | note << 8 | velocity << 16;
}

TEST(VirtualKey, QtKeysBecomeTheWindowsCodesOfTheirKeys) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    engine::TVirtualKey code;
  };
  const Case cases[] = {
      {Qt::Key_Z, Qt::NoModifier, 0x5A},           {Qt::Key_2, Qt::NoModifier, 0x32},
      {Qt::Key_At, Qt::ShiftModifier, 0x32},       {Qt::Key_Less, Qt::ShiftModifier, 0xBC},
      {Qt::Key_Period, Qt::NoModifier, 0xBE},      {Qt::Key_Colon, Qt::ShiftModifier, 0xBA},
      {Qt::Key_Question, Qt::ShiftModifier, 0xBF}, {Qt::Key_BracketLeft, Qt::NoModifier, 0xDB},
      {Qt::Key_Equal, Qt::NoModifier, 0xBB},       {Qt::Key_BraceRight, Qt::ShiftModifier, 0xDD},
      {Qt::Key_Bar, Qt::ShiftModifier, 0xDC},      {Qt::Key_Space, Qt::NoModifier, 0x20},
      {Qt::Key_F3, Qt::NoModifier, 0x72},          {Qt::Key_F8, Qt::NoModifier, 0x77},
      {Qt::Key_0, Qt::KeypadModifier, 0x60},       {Qt::Key_9, Qt::KeypadModifier, 0x69},
      {Qt::Key_Plus, Qt::KeypadModifier, 0x6B},    {Qt::Key_Minus, Qt::KeypadModifier, 0x6D},
      {Qt::Key_Minus, Qt::NoModifier, 0xBD},       {Qt::Key_Home, Qt::NoModifier, kNoVirtualKey},
  };
  for (const Case& c : cases) {
    const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
    EXPECT_EQ(VirtualKeyOf(event), c.code) << std::hex << c.key;
  }
  EXPECT_EQ(ShiftStateOf(Qt::ControlModifier | Qt::KeypadModifier), TShiftState::ssCtrl);
  EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier | Qt::AltModifier),
            TShiftState::ssShift | TShiftState::ssAlt);
}

// The player has the keys while the window is active and no text field has the focus; a key
// always goes on to the control (a typed character to a list box excepted).
TEST_F(StartupTest, KeysPlayOnlyWhileTheWindowHasThemAndStillReachTheControl) {
  Start();
  form->engine.SetVelRnd(0);
  const auto sent = [&] { return driver->ShortMessages().size(); };
  // Typing a name or a value plays nothing.
  form->PageControl1->setCurrentWidget(form->commonsheet);
  form->patchname->clear();
  form->patchname->setFocus();
  QTest::keyClicks(form->patchname, QStringLiteral("zx"));
  QTest::keyClick(form->patchname, Qt::Key_Space);
  EXPECT_EQ(form->patchname->text(), "zx ");
  form->PageControl1->setCurrentWidget(form->layerctrlssheet);
  form->paramvalue->show();
  form->paramvalue->setFocus();
  QTest::keyClicks(form->paramvalue, QStringLiteral("12"));
  form->paramvalue->hide();
  EXPECT_EQ(sent(), 0u);

  form->channel->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z);
  EXPECT_EQ(driver->ShortMessages(),
            (std::vector<std::uint32_t>{NoteMessage(0x90, 36, 97), NoteMessage(0x80, 36, 0)}));
  EXPECT_EQ(form->StatusBar1->currentMessage(), "C2  (v97)");

  // A held key repeats, on some platforms as release and press: one note all the same.
  QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"), true);
  QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"), true);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  for (QKeyEvent* event : {&press, &repeatRelease, &repeatPress, &release}) {
    QApplication::sendEvent(QApplication::focusWidget(), event);
  }
  EXPECT_EQ(sent(), 4u);
  EXPECT_EQ(driver->ShortMessages().back(), NoteMessage(0x80, 38, 0));

  // F4 is ignored by the radio button and passed on to its parents: one octave up, not several.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
  EXPECT_EQ(form->engine.Octave(), 4);
  form->engine.SetOctave(3);

  // Letters play on a list box but choose no item there; the keypad still sets the play mode.
  form->instr->clear();
  form->instr->addItems({QStringLiteral("Alto"), QStringLiteral("Cello"), QStringLiteral("Drums")});
  form->instr->setCurrentIndex(0);
  form->instr->setFocus();
  QTest::keyClick(form->instr, Qt::Key_C);
  QTest::keyClick(form->instr, Qt::Key_D);
  EXPECT_EQ(form->instr->currentIndex(), 0);
  EXPECT_EQ(sent(), 8u);
  QTest::keyClick(form->instr, Qt::Key_1, Qt::KeypadModifier);
  EXPECT_EQ(form->engine.Playmode(), engine::pmMajor);
  form->engine.SetPlaymode(engine::pmNote);

  // A note ends with its key wherever the release goes, and when a dialog takes the keys; while
  // the dialog is active no key reaches the player, not even one sent to a window's control.
  form->channel->setFocus();
  QTest::keyPress(QApplication::focusWidget(), Qt::Key_Z);
  form->PageControl1->setCurrentWidget(form->commonsheet);
  form->patchname->setFocus();
  QTest::keyRelease(form->patchname, Qt::Key_Z);
  EXPECT_EQ(sent(), 10u);
  EXPECT_EQ(driver->ShortMessages().back(), NoteMessage(0x80, 36, 0));
  form->channel->setFocus();
  QTest::keyPress(QApplication::focusWidget(), Qt::Key_X);
  QDialog dialog(form.get());
  auto* field = new QLineEdit(&dialog);
  dialog.show();
  dialog.activateWindow();
  QTRY_VERIFY(QApplication::activeWindow() == &dialog);
  EXPECT_EQ(sent(), 12u);
  EXPECT_EQ(driver->ShortMessages().back(), NoteMessage(0x80, 38, 0));
  field->setFocus();
  QTest::keyClick(field, Qt::Key_V);
  QTest::keyClick(&dialog, Qt::Key_B);
  QTest::keyClick(form->channel, Qt::Key_C);
  QTest::keyRelease(field, Qt::Key_X);
  EXPECT_EQ(sent(), 12u);
  EXPECT_EQ(field->text(), "v");
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

}  // namespace
}  // namespace morvane::editor::testing
