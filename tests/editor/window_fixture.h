#pragma once

#include <gtest/gtest.h>

#include <QList>
#include <QPoint>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "channel_edits.h"
#include "engine/ask_user.h"
#include "tform1.h"

// Texts print as text when a test fails, not as 16-bit units.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace morvane::editor::testing {

// Answers the engine's questions at once and records them: from answers in order, Yes once
// they are used up.
class RecordingPrompt final : public morvane::engine::TUserPrompt {
 public:
  bool Ask(const std::string& text, morvane::engine::TAskKind kind) override {
    texts.push_back(text);
    kinds.push_back(kind);
    if (answers.empty()) {
      return true;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<bool> answers;
  std::vector<std::string> texts;
  std::vector<morvane::engine::TAskKind> kinds;
};

// A shown, active window on the simulator's devices, with settings of its own in a temporary
// folder and the data files beside the test program; error boxes are recorded, not shown, and
// the file dialogs are cancelled unless a test answers them.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Shows page and returns the window's picture.
  QImage ShowPage(QWidget* page);

  QTemporaryDir settingsFolder;
  RecordingPrompt prompt;
  QStringList errors;
  std::unique_ptr<TForm1> form;
};

// The user drags urls over the middle of the window's pages and, if dropping, lets them go;
// true when the window takes them, and then always as a copy. betweenDropAndLoad runs after
// the drop, before the window gets to handle what the drop left for later.
bool DragOver(TForm1& form, const QList<QUrl>& urls, bool dropping,
              Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction,
              const std::function<void()>& betweenDropAndLoad = {});

// The window's caption for a channel whose image may differ from the module: the name with
// Qt's modified mark behind it, before the spaces that pad it.
QString MarkedCaption(const std::string& name);

// What the platform delivers for a user's mouse, through the application's event filter.
void Press(QWidget* target, QPoint local, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void Move(QWidget* target, QPoint local);
void Release(QWidget* target, QPoint local, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// One turn of the wheel by angle (120 a notch) over the middle of target; sideways, as some
// platforms deliver a wheel turned with Shift held.
void Wheel(QWidget* target, int angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           Qt::Orientation orientation = Qt::Vertical);
// What a keyboard delivers for each character of text, accented and other letters included.
void TypeText(QWidget* target, const QString& text);
// Press just left of client x, move to x and release: one step up on a value control.
void DragTo(QWidget* target, int x);

}  // namespace morvane::editor::testing
