#include <QAction>
#include <QApplication>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QUndoStack>
#include <functional>

#include "command_line.h"
#include "data_files.h"
#include "file_dialog.h"
#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/initial_preset.h"
#include "radio_group.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

constexpr int kWaitMs = 5000;

// The window over the simulator, whose file dialogs choose the file the test names.
class MarksTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(files.isValid());
    preset::tMrv image;
    image.LoadPresetFromBytes(preset::BuildInitialPreset());
    image.WriteName("Mrk:file");
    image.SavePreset(LocalFileName(Path("preset.syx")));
    preset::Bank bank;
    bank.fill(image);
    preset::WriteFileReplacing(LocalFileName(Path("bank.syx")), preset::BuildBank(bank));
    form->OpenDialog1->SetScriptedAnswer([this](const TFileDialog&) { return chosen; });
    // The simulator answers every request; the waits between the dumps of Send All end at once.
    form->StartTransferWait = [this](int, std::function<void()> then) {
      if (form->RequestingAllPresets()) {
        return;
      }
      QMetaObject::invokeMethod(qApp, std::move(then), Qt::QueuedConnection);
    };
  }
  QString Path(const char* name) const { return files.filePath(QLatin1String(name)); }
  // Send All clears every mark; a change in the editor marks the channels given.
  void SetMarks(const std::vector<int>& marked) {
    prompt.answers = {true};
    form->SendAllPresets1->trigger();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return form->StatusBar1->currentMessage() == "Sent 16 presets"; }, kWaitMs));
    ASSERT_TRUE(Marked().empty());
    for (const int channelIndex : marked) {
      RenameImage(*form, static_cast<std::size_t>(channelIndex), "Mrk:before");
    }
    ASSERT_EQ(Marked(), marked);
  }
  void Key(QKeyCombination keys) {
    QTest::keyClick(form.get(), keys.key(), keys.keyboardModifiers());
  }
  void Settle() {
    EXPECT_TRUE(QTest::qWaitFor([this] { return form->engine.SysexSender().PendingCount() == 0; },
                                kWaitMs));
  }
  std::vector<int> Marked() const {
    std::vector<int> marked;
    for (int channelIndex = 0; channelIndex < TForm1::kChannelCount; ++channelIndex) {
      if (form->Channels().Marked(channelIndex)) {
        marked.push_back(channelIndex);
      }
    }
    return marked;
  }

  QTemporaryDir files;
  std::optional<QString> chosen;
};

TEST_F(MarksTest, EachCommandMarksOrClearsTheChannelsItChangesSendsOrReceives) {
  using Channels = std::vector<int>;
  const Channels all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  const struct {
    const char* command;
    Channels before;
    std::deque<bool> answers;
    std::function<void()> run;
    Channels after;
  } cases[] = {
      {"Load, not sent",
       {},
       {false},
       [this] {
         chosen = Path("preset.syx");
         Key(Qt::CTRL | Qt::Key_O);
       },
       {0}},
      {"Load, sent",
       {0},
       {true},
       [this] {
         chosen = Path("preset.syx");
         Key(Qt::CTRL | Qt::Key_O);
       },
       {}},
      {"a file opened from outside",
       {},
       {},
       [this] {
         OpenCommandLineFile(*form, ParseCommandLine({"x", Path("preset.syx")}));
       },
       {0}},
      {"Send", {0, 3}, {true}, [this] { Key(Qt::CTRL | Qt::Key_F10); }, {3}},
      {"Send declined", {0}, {false}, [this] { Key(Qt::CTRL | Qt::Key_F10); }, {0}},
      {"Request",
       {0, 3},
       {true},
       [this] {
         Key(Qt::CTRL | Qt::Key_F9);
         ASSERT_TRUE(QTest::qWaitFor([this] { return !form->Channels().Marked(0); }, kWaitMs));
       },
       {3}},
      {"Initialize", {0}, {true}, [this] { Key(Qt::CTRL | Qt::SHIFT | Qt::Key_F12); }, {}},
      {"Copy, not sent", {}, {true, false}, [this] { form->copyto->setItemIndex(2); }, {0}},
      {"Copy, sent", {}, {true, true}, [this] { form->copyto->setItemIndex(3); }, {}},
      {"an edit, sent at once",
       {0},
       {},
       [this] { form->SendParameter(0x02, 0x0B, 1, 0, -3); },
       {0}},
      {"an edit of an unmarked channel",
       {},
       {},
       [this] { form->SendParameter(0x02, 0x0B, 1, 0, -4); },
       {}},
      {"undo of a whole preset",
       {},
       {true, true},
       [this] {
         chosen = Path("preset.syx");
         Key(Qt::CTRL | Qt::Key_O);
         form->Channels().Undo();
       },
       {0}},
      {"Load Bank",
       {},
       {},
       [this] {
         chosen = Path("bank.syx");
         form->LoadBank1->trigger();
       },
       all},
      {"Send All",
       all,
       {true},
       [this] {
         form->SendAllPresets1->trigger();
         ASSERT_TRUE(QTest::qWaitFor(
             [this] { return form->StatusBar1->currentMessage() == "Sent 16 presets"; }, kWaitMs));
       },
       {}},
      {"Request All",
       {1, 2},
       {true},
       [this] {
         form->RequestAllPresets1->trigger();
         ASSERT_TRUE(QTest::qWaitFor([this] { return !form->RequestingAllPresets(); }, kWaitMs));
       },
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    SetMarks(c.before);
    prompt.answers = c.answers;
    c.run();
    Settle();
    EXPECT_EQ(Marked(), c.after);
    // The channel on show carries Qt's modified mark behind its name; each button its own.
    const bool shownMarked = form->Channels().Marked(0);
    EXPECT_EQ(form->isWindowModified(), shownMarked);
    const std::string name = form->Channels().Image(0).ReadName();
    EXPECT_EQ(form->windowTitle(),
              shownMarked ? MarkedCaption(name)
                          : QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    for (const int channelIndex : all) {
      EXPECT_EQ(form->channel->Button(channelIndex)->text(),
                QString::number(channelIndex + 1) +
                    (form->Channels().Marked(channelIndex) ? QStringLiteral("*") : QString()));
    }
  }
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

}  // namespace
}  // namespace morvane::editor::testing
