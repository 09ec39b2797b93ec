#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "edit_pacer.h"
#include "file_dialog.h"
#include "midi/wire_time.h"
#include "module_window_fixture.h"
#include "morph_window.h"
#include "parammap/morph.h"
#include "parammap/randomize.h"
#include "parammap/value_slots.h"
#include "preset/module_messages.h"
#include "radio_group.h"
#include "randomize_dialog.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "variations.h"

namespace morvane::editor::testing {
namespace {

using preset::Bytes;
constexpr int kSeed = 1234;

class VariationsTest : public ModuleWindowTest {
 protected:
  void SetUp() override {
    ModuleWindowTest::SetUp();
    form->Variations().NewSeed = [] { return kSeed; };
  }

  // Randomize from the Edit menu, the dialog answered with amount and scope.
  void RandomizeFromMenu(int amount, parammap::RandomScope scope) {
    QTimer::singleShot(0, [amount, scope] {
      auto* dialog = qobject_cast<TRandomizeDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->findChild<QSpinBox*>(QStringLiteral("amount"))->setValue(amount);
      auto* scopeList = dialog->findChild<QComboBox*>(QStringLiteral("scope"));
      scopeList->setCurrentIndex(static_cast<int>(scope));
      // OK is laid out where it shows: inside the dialog, below the scope.
      QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
      const QRect okArea(ok->mapTo(dialog, QPoint(0, 0)), ok->size());
      EXPECT_TRUE(ok->isVisible());
      EXPECT_TRUE(dialog->rect().contains(okArea));
      EXPECT_GT(okArea.top(), scopeList->geometry().bottom());
      QTest::mouseClick(ok, Qt::LeftButton);
    });
    form->Variations().Randomize1->trigger();
  }
};

// A few values go as edits, many as one dump; each way is one step, the seed on the status
// bar repeats the result, and the module's edit buffer ends as the channel.
TEST_F(VariationsTest, RandomizeIsOneStepSentTheCheaperWayAndRepeatsItsSeed) {
  struct Row {
    int amount;
    parammap::RandomScope scope;
    bool asDump;
  };
  for (const Row& row : {Row{30, parammap::RandomScope::Common, false},
                         Row{100, parammap::RandomScope::AllLayers, true}}) {
    const preset::tMrv before = Channel();
    const int steps = Steps();
    form->layer->setItemIndex(2);
    RandomizeFromMenu(row.amount, row.scope);
    const preset::tMrv expected =
        parammap::Randomized(before, {row.scope, 3, row.amount, kSeed, kInstrumentCount});
    EXPECT_FALSE(std::ranges::equal(expected.View(), before.View()));
    EXPECT_TRUE(std::ranges::equal(Channel().View(), expected.View()));
    EXPECT_EQ(Steps(), steps + 1);
    const std::vector<Bytes> strings = Sent();
    EXPECT_EQ(strings.size() == 1 && strings.front().size() == 1605, row.asDump);
    EXPECT_TRUE(BufferHolds(expected));
    EXPECT_FALSE(form->Channels().Marked(0));
    EXPECT_EQ(form->StatusBar1->currentMessage(), QStringLiteral("Randomized with seed 1234"));
    EXPECT_EQ(form->Variations().RandomizeAgain1->text(),
              QStringLiteral("Randomize again with seed 1234"));
    form->Undo1->trigger();
    EXPECT_TRUE(std::ranges::equal(Channel().View(), before.View()));
    form->layer->setItemIndex(0);
    form->Variations().RandomizeAgain1->trigger();
    EXPECT_TRUE(std::ranges::equal(Channel().View(), expected.View()));
    Sent();
    EXPECT_TRUE(BufferHolds(expected));
  }
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// Numeric values of B that lie far from A's: one wide numeric value of the preset.
parammap::ValueSlot WideValue(int instrumentCount) {
  constexpr int kWideSpan = 100;
  for (const parammap::ValueSlot& slot : parammap::AllSlots()) {
    const parammap::SlotRange range = parammap::RangeOf(slot, instrumentCount);
    if (slot.control != nullptr && !range.coded && range.numberFrom == range.min &&
        range.max - range.min >= kWideSpan) {
      return slot;
    }
  }
  ADD_FAILURE() << "no wide numeric value";
  return {};
}

struct MorphUpdate {
  std::int64_t at;
  std::size_t bytes;
};

// A slider swept from A to B, each update at its time with its bytes, and the release is one
// step: updates go at most one each 20 ms, none before the last one's bytes have had their
// time on the wire (a dump's half second), and the last position always goes out. The
// module's edit buffer and the channel end at that position.
TEST_F(VariationsTest, MorphPacesItsUpdatesAndTheReleaseIsOneStep) {
  struct Row {
    const char* what;
    // B from A; a marked A is not known to be in the module, so the first update is a dump.
    bool markA;
    bool farB;
    int stepMs;
    std::size_t dumps;
  };
  const Row rows[] = {{"one value apart, A marked: a dump, then edits", true, false, 6, 1},
                      {"another sound: dumps only", false, true, 12, 4}};
  const parammap::ValueSlot wide = WideValue(kInstrumentCount);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (row.markA) {
      form->Channels().Change(0, QStringLiteral("Rename"),
                              [](preset::tMrv& image) { image.WriteName("Mrk:morph A"); });
    }
    const preset::tMrv a = Channel(0);
    form->Channels().Change(1, QStringLiteral("test"), [&](preset::tMrv& image) {
      image = a;
      if (row.farB) {
        image = parammap::Randomized(image, {parammap::RandomScope::AllLayers, 1, 100, 9, 0});
        return;
      }
      const parammap::SlotRange range = parammap::RangeOf(wide, kInstrumentCount);
      const int from = parammap::ReadSlot(image, wide);
      parammap::WriteSlot(image, wide, from - range.min > range.max - from ? range.min : range.max);
    });
    const preset::tMrv b = Channel(1);
    Sent();
    const int steps = Steps();
    form->Variations().Morph1->trigger();
    TMorphWindow* window = form->Variations().MorphWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QSlider* slider = window->Slider();
    const auto at = [slider](int value) {
      const int handle = slider->style()->pixelMetric(QStyle::PM_SliderLength);
      const int span = slider->width() - handle;
      return QPoint(
          handle / 2 + QStyle::sliderPositionFromValue(0, TMorphWindow::kSteps, value, span),
          slider->height() / 2);
    };
    std::vector<MorphUpdate> updates;
    const auto record = [&] {
      std::size_t bytes = 0;
      for (const Bytes& string : Sent()) {
        bytes += string.size();
      }
      if (bytes != 0) {
        updates.push_back({clock.Now(), bytes});
      }
    };
    const std::int64_t pressed = clock.Now();
    Press(slider, at(0));
    const int sweepMs = TMorphWindow::kSteps * row.stepMs;
    for (int ms = 1; ms <= sweepMs; ++ms) {
      clock.Advance(1);
      if (ms % row.stepMs == 0) {
        Move(slider, at(ms / row.stepMs));
      }
      record();
    }
    EXPECT_EQ(Steps(), steps);
    const std::size_t paced = updates.size();
    Release(slider, at(TMorphWindow::kSteps));
    record();
    ASSERT_EQ(updates.size(), paced + 1);
    EXPECT_EQ(window->UpdatesSent(), static_cast<int>(updates.size()));
    EXPECT_EQ(updates.back().at - pressed, sweepMs);
    EXPECT_EQ(static_cast<std::size_t>(
                  std::ranges::count(updates, std::size_t{1605}, &MorphUpdate::bytes)),
              row.dumps);
    // A held update goes out as soon as its wait ends: the clock moves a millisecond at a time.
    for (std::size_t index = 1; index < paced; ++index) {
      EXPECT_EQ(
          updates[index].at - updates[index - 1].at,
          std::max(controls::TEditPacer::kIntervalMs, midi::WireTimeMs(updates[index - 1].bytes)))
          << "update " << index;
    }
    const int last = slider->value();
    EXPECT_EQ(last, TMorphWindow::kSteps);
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("morphPosition"))->text(),
              QStringLiteral("100 % of the way to B"));
    EXPECT_TRUE(BufferHolds(b));
    EXPECT_TRUE(std::ranges::equal(Channel().View(), b.View()));
    EXPECT_EQ(Steps(), steps + 1);
    EXPECT_FALSE(form->Channels().Marked(0));
    // No wait held over sends anything later.
    clock.Advance(1000);
    EXPECT_TRUE(Sent().empty());
    form->Undo1->trigger();
    EXPECT_TRUE(std::ranges::equal(Channel().View(), a.View()));
    Sent();
    window->close();
    QApplication::processEvents();
  }
  const preset::tMrv a = Channel(0);
  const preset::tMrv b = Channel(1);
  form->Variations().Morph1->trigger();
  TMorphWindow* window = form->Variations().MorphWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  QSlider* slider = window->Slider();
  // The last row's step is undone: the next one takes its place.
  const int done = form->Channels().UndoStack().index();
  // The keyboard's steps are a step each, and the far end is B byte for byte.
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_End);
  EXPECT_TRUE(std::ranges::equal(Channel().View(), b.View()));
  QTest::keyClick(slider, Qt::Key_Home);
  EXPECT_TRUE(std::ranges::equal(Channel().View(), a.View()));
  EXPECT_EQ(form->Channels().UndoStack().index(), done + 2);
  Sent();
  EXPECT_TRUE(BufferHolds(a));
  // B from a file: the far end is the file's preset.
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("b.syx"));
  preset::tMrv file = b;
  file.WriteName("Fil:preset");
  file.SavePreset(path.toStdString());
  QComboBox* sourceB = window->Source(1);
  sourceB->setFocus();
  // A cancelled choice keeps B, and the list shows B's source again.
  const QString shownB = sourceB->currentText();
  window->FileDialog()->SetScriptedAnswer(
      [](const TFileDialog&) { return std::optional<QString>(); });
  QTest::keyClick(sourceB, Qt::Key_End);
  EXPECT_EQ(sourceB->currentText(), shownB);
  window->FileDialog()->SetScriptedAnswer(
      [path](const TFileDialog&) { return std::optional<QString>(path); });
  QTest::keyClick(sourceB, Qt::Key_End);
  EXPECT_EQ(sourceB->currentText(), QStringLiteral("File.. ") + path);
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_End);
  EXPECT_TRUE(std::ranges::equal(Channel().View(), file.View()));
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

}  // namespace
}  // namespace morvane::editor::testing
