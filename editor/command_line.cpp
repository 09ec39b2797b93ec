#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "editor_application.h"
#include "editor_instance.h"
#include "startup_step.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

constexpr int kFirstChannelIndex = 0;
constexpr qsizetype kMostFiles = 1;
const QString kNewInstanceOption = QStringLiteral("new-instance");
constexpr const char* kDeadlineVariable = "MORVANE_ANSWER_DEADLINE_MS";

void DescribeOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("Preset editor for the Morvane sound module."));
  parser.addPositionalArgument(QStringLiteral("file"),
                               QStringLiteral("A .syx preset file to open on channel 1."),
                               QStringLiteral("[file]"));
  parser.addOption(QCommandLineOption(
      kNewInstanceOption,
      QStringLiteral("Start an editor of its own beside a running one; it does not keep its "
                     "channels between sessions.")));
}

}  // namespace

// A core application gives the help its program name and opens no display.
void AnswerHelpAndVersion(int& argc, char** argv) {
  QStringList arguments;
  for (const char* argument : std::span(argv, static_cast<std::size_t>(argc))) {
    arguments << QString::fromLocal8Bit(argument);
  }
  QCommandLineParser parser;
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  DescribeOptions(parser);
  // Qt's own options (-platform, -style) are not known here: the window's parse judges them.
  (void)parser.parse(arguments);
  if (!parser.isSet(help) && !parser.isSet(version)) {
    return;
  }
  TEditorApplication::SetIdentity();
  const QCoreApplication core(argc, argv);
  if (parser.isSet(version)) {
    parser.showVersion();
  }
  parser.showHelp();
}

TCommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.addHelpOption();
  parser.addVersionOption();
  DescribeOptions(parser);
  parser.process(arguments);

  const QStringList files = parser.positionalArguments();
  if (files.size() > kMostFiles) {
    std::fprintf(
        stderr, "%s\n",
        qUtf8Printable(
            QStringLiteral("Only one preset file can be opened, not %1").arg(files.size())));
    std::exit(EXIT_FAILURE);
  }
  return TCommandLine{files.value(0), parser.isSet(kNewInstanceOption)};
}

int AnswerDeadlineMs() {
  bool given = false;
  const int ms = qEnvironmentVariableIntValue(kDeadlineVariable, &given);
  return given && ms > 0 ? ms : TEditorInstance::kAnswerDeadlineMs;
}

void OpenCommandLineFile(TForm1& form, const TCommandLine& commandLine) {
  if (commandLine.presetFile.isEmpty()) {
    return;
  }
  RunStep([&] {
    form.LoadPresetFile(
        kFirstChannelIndex, commandLine.presetFile,
        QStringLiteral("Open %1").arg(QFileInfo(commandLine.presetFile).fileName()));
  });
}

}  // namespace morvane::editor
