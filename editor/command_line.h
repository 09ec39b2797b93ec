#pragma once

#include <QString>
#include <QStringList>

namespace morvane::editor {

class TForm1;

// What the editor was started with, beyond its own options.
struct TCommandLine {
  // A preset file to open on channel 1; empty when none was given.
  QString presetFile;
  // --new-instance: an editor of its own beside a running one, which keeps no channels.
  bool newInstance = false;
};

// How long a start waits for a running editor to take its file: TEditorInstance's deadline, or
// the milliseconds in MORVANE_ANSWER_DEADLINE_MS (for tests).
int AnswerDeadlineMs();

// Answers --help and --version before Qt looks for a display, and ends the program then; with
// neither it returns and leaves the arguments to ParseCommandLine.
void AnswerHelpAndVersion(int& argc, char** argv);

// Reads the program's arguments (the first is the program itself). --help and --version
// print their text and end the program, as does an argument the editor does not take, with
// its reason on standard error.
TCommandLine ParseCommandLine(const QStringList& arguments);

// Opens the command line's preset file on channel 1, as Load does but without offering to
// send it; a bank file is offered to load into all channels. A file that cannot be loaded is
// shown in an error box and every channel keeps its preset.
void OpenCommandLineFile(TForm1& form, const TCommandLine& commandLine);

}  // namespace morvane::editor
