#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "local_file_names.h"

namespace morvane::editor {

// The three read-only data files that lie beside the program file.
inline constexpr const char* kInstrumentFile = "instr.txt";
inline constexpr const char* kInitialPresetFile = "init.syx";
inline constexpr const char* kParameterListFile = "parms.txt";

// The folder of the program file, without a final separator.
QString DefaultProgramDirectory();

// The data file name in programDirectory, or in the installed data folder (../share/morvane
// in the usual install layout) when only that one holds it. The first of the two when neither
// does, so that an error names where the file was expected. Always an absolute path in the
// platform's own form.
QString DataFilePath(const QString& programDirectory, const char* name);

// The lines of a text file, without their line ends; a final line end opens no line. Text
// that is not UTF-8 is read as Latin-1. Throws preset::FileOpenError naming path.
QStringList ReadTextLines(const QString& path);

}  // namespace morvane::editor
