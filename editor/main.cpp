#include <QCoreApplication>
#include <QStatusBar>
#include <cstdlib>
#include <memory>

#include "command_line.h"
#include "editor_application.h"
#include "editor_instance.h"
#include "quit_signals.h"
#include "session_keeper.h"
#include "settings_store.h"
#include "tform1.h"

namespace {

using namespace morvane::editor;

const QString kNoAnswerText = QStringLiteral(
    "Another Morvane editor keeps these channels but did not answer: this editor does not keep "
    "its channels between sessions");

}  // namespace

int main(int argc, char** argv) {
  AnswerHelpAndVersion(argc, argv);
  TEditorApplication application(argc, argv);
  const TCommandLine commandLine = ParseCommandLine(application.arguments());

  // One editor per set of channels: a later start hands its file to the first and ends.
  TEditorInstance instance(TSessionKeeper::FileIn(std::make_unique<TSettingsStore>().get()));
  TKeepingRight right;
  if (commandLine.newInstance) {
    right = {false, NewInstanceText()};
  } else {
    switch (instance.Claim(commandLine.presetFile, AnswerDeadlineMs())) {
      case TClaim::HandedOver:
        return EXIT_SUCCESS;
      case TClaim::NoAnswer:
        right = {false, kNoAnswerText};
        break;
      case TClaim::First:
        break;
    }
  }

  TForm1 Form1(nullptr, morvane::midi::PlatformDriver(), QString(), right);
  Form1.show();
  if (!instance.Problem().isEmpty()) {
    Form1.StatusBar1->showMessage(instance.Problem());
  }
  instance.Serve([&Form1](const QString& file) { Form1.OpenHandedFile(file); });
  const TQuitSignals quitSignals([&Form1] {
    if (Form1.close()) {
      QCoreApplication::quit();
    }
  });
  OpenCommandLineFile(Form1, commandLine);
  return TEditorApplication::exec();
}
