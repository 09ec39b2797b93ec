#include "command_line.h"
#include "editor_application.h"
#include "tform1.h"

int main(int argc, char** argv) {
  morvane::editor::AnswerHelpAndVersion(argc, argv);
  morvane::editor::TEditorApplication application(argc, argv);
  const morvane::editor::TCommandLine commandLine =
      morvane::editor::ParseCommandLine(application.arguments());
  morvane::editor::TForm1 Form1;
  Form1.show();
  morvane::editor::OpenCommandLineFile(Form1, commandLine);
  return morvane::editor::TEditorApplication::exec();
}
