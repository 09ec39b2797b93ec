#include "command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

#include "startup_step.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

constexpr int kFirstChannelIndex = 0;
constexpr qsizetype kMostFiles = 1;

}  // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Preset editor for the Morvane sound module."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("file"),
                               QStringLiteral("A .syx preset file to open on channel 1."),
                               QStringLiteral("[file]"));
  parser.process(arguments);

  const QStringList files = parser.positionalArguments();
  if (files.size() > kMostFiles) {
    std::fprintf(
        stderr, "%s\n",
        qUtf8Printable(
            QStringLiteral("Only one preset file can be opened, not %1").arg(files.size())));
    std::exit(EXIT_FAILURE);
  }
  return TCommandLine{files.value(0)};
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
