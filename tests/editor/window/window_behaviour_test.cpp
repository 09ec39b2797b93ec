#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <stdexcept>
#include <thread>

#include "find_child.h"
#include "handler_guard.h"
#include "layer_check_box.h"
#include "midi/notify_window.h"
#include "qt_gui_thread.h"
#include "radio_group.h"
#include "status_bar.h"
#include "tdragger.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

using controls::Tdragger;

TEST_F(WindowTest, RadioGroupRunsItsClickHandlerOnlyForAChangedChoice) {
  QSignalSpy clicks(form->layer, &TRadioGroup::OnClick);
  QRadioButton* third = form->layer->Button(2);
  QTest::mouseClick(third, Qt::LeftButton, {}, QPoint(4, third->height() / 2));
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(form->layer->ItemIndex(), 2);
  QTest::mouseClick(third, Qt::LeftButton, {}, QPoint(4, third->height() / 2));
  form->layer->setItemIndex(2);
  EXPECT_EQ(clicks.count(), 1);
  form->layer->setItemIndex(0);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_TRUE(form->layer->Button(0)->isChecked());
}

TEST_F(WindowTest, ChannelChoiceAndOpeningTheFileMenuSetTheEnginesChannel) {
  QRadioButton* fifth = form->channel->Button(4);
  QTest::mouseClick(fifth, Qt::LeftButton, {}, QPoint(4, fifth->height() / 2));
  EXPECT_EQ(form->engine.Channel(), 4);
  form->engine.SetChannel(9);
  form->File1->popup(form->mapToGlobal(QPoint(0, 0)));
  EXPECT_EQ(form->engine.Channel(), 4);
  form->File1->close();
}

TEST_F(WindowTest, MenuShortcutsReachTheirCommands) {
  // Panic sends to the output port, which must be open for its handler to finish: the first
  // run opens it on the simulator.
  ASSERT_EQ(form->MidiOutput1.State(), midi::mosOpen);
  const std::pair<QAction*, QKeyCombination> shortcuts[] = {
      {form->Initialize1, Qt::CTRL | Qt::SHIFT | Qt::Key_F12},
      {form->SendCurrentChannel1, Qt::CTRL | Qt::Key_F10},
      {form->Loadoncurrentchannel1, Qt::CTRL | Qt::Key_O},
      {form->SaveCurrentChannel1, Qt::CTRL | Qt::Key_S},
      {form->Panic1, Qt::ALT | Qt::Key_Backspace},
      // Last: while its answer is awaited, the commands before it would be refused.
      {form->RequestPatchonCurrentChannel1, Qt::CTRL | Qt::Key_F9},
  };
  for (const auto& [action, keys] : shortcuts) {
    SCOPED_TRACE(action->objectName().toStdString());
    QSignalSpy triggered(action, &QAction::triggered);
    QTest::keyClick(form.get(), keys.key(), keys.keyboardModifiers());
    EXPECT_EQ(triggered.count(), 1);
  }
  EXPECT_FALSE(form->Debug1->isVisible());
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(WindowTest, AboutShowsTheInformationBoxAndPanicReportsAClosedPort) {
  form->About1->trigger();
  ASSERT_EQ(prompt.texts.size(), 1u);
  EXPECT_EQ(prompt.kinds.front(), morvane::engine::TAskKind::Information);
  const QStringList about = QString::fromStdString(prompt.texts.front()).split('\n');
  EXPECT_EQ(about.front(), "Morvane editor");
  ASSERT_FALSE(QCoreApplication::applicationVersion().isEmpty());
  EXPECT_EQ(about.at(1), "version " + QCoreApplication::applicationVersion());

  // With no output device open the port's refusal ends the handler in an error box that names
  // the device, the driver's words on the last line.
  form->MidiOutput1.ClosePort();
  QTest::keyClick(form.get(), Qt::Key_Backspace, Qt::AltModifier);
  EXPECT_EQ(errors, QStringList{"The MIDI output device \"Morvane Simulator\" is not open: choose "
                                "it again or press Rescan on the Setup page\nThe specified device "
                                "handle is invalid."});
}

TEST_F(WindowTest, AnErrorInAHandlerIsShownAndTheWindowGoesOn) {
  auto* vel = FindChildByName<Tdragger>(*form, QStringLiteral("vel"));
  auto* volume = FindChildByName<Tdragger>(*form, QStringLiteral("dragger1"));
  QMetaObject::Connection failing = QObject::connect(volume, &Tdragger::OnMouseUp, [] {
    RunGuarded([] { throw std::runtime_error("Stream read error"); });
  });
  DragTo(volume, 10);
  QObject::disconnect(failing);
  EXPECT_EQ(errors, QStringList{"Stream read error"});
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(volume->Caption(), "vol:+1dB");

  form->PageControl1->setCurrentWidget(form->Setupsheet);
  DragTo(vel, 10);
  EXPECT_EQ(vel->Position(), 98);
  EXPECT_EQ(form->engine.Velocity(), 98);
  EXPECT_EQ(errors.size(), 1);
}

// A message too long for the bar ends in "…" with the whole text in the bar's tool tip; the
// messages (not the passing hints) are kept, and a click lists them, newest first.
TEST_F(WindowTest, StatusMessagesAreNeverCutUnseenAndCanBeReadAgain) {
  auto* bar = qobject_cast<TStatusBar*>(form->StatusBar1);
  ASSERT_NE(bar, nullptr);
  const QString longText = QStringLiteral(
      "The MIDI output device \"Synth A\" is not open: choose it again or press Rescan on the "
      "Setup page");
  const QString shortText = QStringLiteral("Sent 16 presets");
  const QString simulatorText = form->StatusBar1->currentMessage();
  bar->showMessage(longText);
  EXPECT_TRUE(bar->ShownText().endsWith(QChar(0x2026)));
  EXPECT_TRUE(longText.startsWith(bar->ShownText().chopped(1)));
  EXPECT_EQ(bar->toolTip(), longText);
  bar->ShowPassing(QStringLiteral("a hint under the pointer"));
  EXPECT_EQ(bar->currentMessage(), "a hint under the pointer");
  bar->ShowPassing(QString());
  EXPECT_EQ(bar->currentMessage(), longText) << "the pointer left: the message shows again";
  bar->showMessage(shortText);
  EXPECT_EQ(bar->ShownText(), shortText);
  EXPECT_NE(bar->toolTip(), shortText);

  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(10, bar->height() / 2));
  QMenu* history = bar->HistoryMenu();
  ASSERT_TRUE(history->isVisible());
  QStringList items;
  for (QAction* item : history->actions()) {
    if (!item->isSeparator()) {
      items << item->text().section(QStringLiteral("  "), 1);
    }
  }
  EXPECT_EQ(items.mid(0, 3), QStringList({shortText, longText, simulatorText}))
      << "the hint is not kept";
  history->actions().at(2)->trigger();
  history->close();
  EXPECT_EQ(QApplication::clipboard()->text(), longText);
}

TEST(QtGuiThreadTest, WakeFromAnotherThreadDispatchesOnTheEventLoop) {
  QtGuiThread gui;
  std::thread::id ranOn;
  int runs = 0;
  midi::NotifyWindow window(gui, [&](std::uint32_t, midi::MidiHeader*) {
    ranOn = std::this_thread::get_id();
    ++runs;
  });
  std::thread driver([&] {
    window.PostInput();
    window.PostInput();
  });
  driver.join();
  QTRY_COMPARE(runs, 2);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

}  // namespace
}  // namespace morvane::editor::testing
