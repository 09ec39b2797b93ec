#include <QCoreApplication>
#include <cstdlib>
#include <memory>
#include <optional>

#include "channel_claim.h"
#include "command_line.h"
#include "editor_application.h"
#include "editor_instance.h"
#include "local_file_names.h"
#include "quit_signals.h"
#include "session_keeper.h"
#include "settings_store.h"
#include "tform1.h"

using namespace morvane::editor;

int main(int argc, char** argv) {
  AnswerHelpAndVersion(argc, argv);
  TEditorApplication application(argc, argv);
  const TCommandLine commandLine = ParseCommandLine(LocalArguments(argc, argv));

  // One editor per set of channels: a later start hands its file to the first and ends.
  TEditorInstance instance(TSessionKeeper::FileIn(std::make_unique<TSettingsStore>().get()));
  const std::optional<TKeepingRight> right =
      ClaimChannels(instance, commandLine.presetFile, commandLine.newInstance, AnswerDeadlineMs());
  if (!right) {
    return EXIT_SUCCESS;
  }

  TForm1 Form1(nullptr, morvane::midi::PlatformDriver(), QString(), *right);
  Form1.show();
  instance.Serve([&Form1](const QString& file) { Form1.OpenHandedFile(file); });
  const TQuitSignals quitSignals([&Form1] {
    if (Form1.close()) {
      QCoreApplication::quit();
    }
  });
  OpenCommandLineFile(Form1, commandLine);
  return TEditorApplication::exec();
}
