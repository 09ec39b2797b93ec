#include <QApplication>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <algorithm>
#include <vector>

#include "file_dialog.h"
#include "module_window_fixture.h"
#include "morph_window.h"
#include "parammap/morph.h"
#include "parammap/randomize.h"
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
      dialog->findChild<QComboBox*>(QStringLiteral("scope"))
          ->setCurrentIndex(static_cast<int>(scope));
      dialog->accept();
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

// A fast slider sends at most one update each 20 ms and always its last position; the release
// is one step, and the module's edit buffer and the channel end at that position.
TEST_F(VariationsTest, MorphPacesItsUpdatesAndTheReleaseIsOneStep) {
  form->Channels().Change(1, QStringLiteral("test"), [](preset::tMrv& image) {
    image = parammap::Randomized(image, {parammap::RandomScope::AllLayers, 1, 100, 9, 0});
    image.WriteName("Oth:preset");
  });
  const preset::tMrv a = Channel(0);
  const preset::tMrv b = Channel(1);
  Sent();
  const int steps = Steps();
  form->Variations().Morph1->trigger();
  TMorphWindow* window = form->Variations().MorphWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  QSlider* slider = window->Slider();
  const auto at = [slider](int value) {
    const int span = slider->width() - slider->style()->pixelMetric(QStyle::PM_SliderLength);
    return QPoint(slider->style()->pixelMetric(QStyle::PM_SliderLength) / 2 +
                      QStyle::sliderPositionFromValue(0, TMorphWindow::kSteps, value, span),
                  slider->height() / 2);
  };
  Press(slider, at(0));
  constexpr int kMoves = 40;
  constexpr int kMoveMs = 3;
  for (int move = 1; move <= kMoves; ++move) {
    clock.Advance(kMoveMs);
    Move(slider, at(move * 2));
  }
  const int updates = window->UpdatesSent();
  EXPECT_GE(updates, 2);
  EXPECT_LE(updates, 1 + kMoves * kMoveMs / controls::TEditPacer::kIntervalMs);
  EXPECT_EQ(Steps(), steps);
  Release(slider, at(kMoves * 2));
  const int last = slider->value();
  EXPECT_GT(last, TMorphWindow::kSteps / 2);
  const preset::tMrv expected = parammap::Morphed(a, b, {last, TMorphWindow::kSteps});
  Sent();
  EXPECT_TRUE(BufferHolds(expected));
  EXPECT_TRUE(std::ranges::equal(Channel().View(), expected.View()));
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_FALSE(form->Channels().Marked(0));
  // No wait held over sends anything later.
  clock.Advance(100);
  EXPECT_TRUE(Sent().empty());
  form->Undo1->trigger();
  EXPECT_TRUE(std::ranges::equal(Channel().View(), a.View()));
  // The keyboard's steps are a step each, and the far end is B byte for byte.
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_End);
  EXPECT_TRUE(std::ranges::equal(Channel().View(), b.View()));
  QTest::keyClick(slider, Qt::Key_Home);
  EXPECT_TRUE(std::ranges::equal(Channel().View(), a.View()));
  EXPECT_EQ(Steps(), steps + 2);
  Sent();
  EXPECT_TRUE(BufferHolds(a));
  // B from a file: the far end is the file's preset.
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("b.syx"));
  preset::tMrv file = b;
  file.WriteName("Fil:preset");
  file.SavePreset(path.toStdString());
  window->FileDialog()->SetScriptedAnswer(
      [path](const TFileDialog&) { return std::optional<QString>(path); });
  window->Source(1)->setFocus();
  QTest::keyClick(window->Source(1), Qt::Key_End);
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_End);
  EXPECT_TRUE(std::ranges::equal(Channel().View(), file.View()));
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

}  // namespace
}  // namespace morvane::editor::testing
