#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

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

TEST_F(StartupTest, KeysPlayWhicheverControlHasTheFocusAndStillReachIt) {
  Start();
  form->engine.SetVelRnd(0);
  form->PageControl1->setCurrentWidget(form->commonsheet);
  form->patchname->clear();
  form->patchname->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z);
  EXPECT_EQ(driver->ShortMessages(),
            (std::vector<std::uint32_t>{NoteMessage(0x90, 36, 97), NoteMessage(0x80, 36, 0)}));
  EXPECT_EQ(form->patchname->text(), "z");
  EXPECT_EQ(form->StatusBar1->currentMessage(), "C2  (v97)");

  // A held key repeats, on some platforms as release and press: one note all the same.
  QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"), true);
  QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"), true);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  for (QKeyEvent* event : {&press, &repeatRelease, &repeatPress, &release}) {
    QApplication::sendEvent(form->patchname, event);
  }
  EXPECT_EQ(driver->ShortMessages().size(), 4u);
  EXPECT_EQ(driver->ShortMessages().back(), NoteMessage(0x80, 38, 0));
  EXPECT_EQ(form->patchname->text(), "zxx");

  // F4 is ignored by the edit box and passed on to its parents: one octave up, not several.
  QTest::keyClick(form->patchname, Qt::Key_F4);
  EXPECT_EQ(form->engine.Octave(), 4);

  form->PageControl1->setCurrentWidget(form->layerctrlssheet);
  form->instr->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::KeypadModifier);
  EXPECT_EQ(form->engine.Playmode(), engine::pmMajor);
  form->channel->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z);
  EXPECT_EQ(driver->ShortMessages().size(), 4u + 8u);
  EXPECT_EQ(driver->ShortMessages()[4], NoteMessage(0x90, 48, 97));
  EXPECT_EQ(form->StatusBar1->currentMessage(), "C3 E3 G3 C4 ");
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

}  // namespace
}  // namespace morvane::editor::testing
