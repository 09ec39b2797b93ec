#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <string>

#include "library_entry.h"
#include "preset/tmrv.h"

namespace morvane::editor {

// The library's folder unless the user chose one: "Morvane Presets" in the user's music
// folder, or in the data folder where there is no music folder.
QString DefaultLibraryFolder();

// The folder, made if it is missing. Throws "Cannot create folder %s".
void MakeLibraryFolder(const QString& folder);

// A file name for a preset of this name: the name without its category ("Warm Pad" for
// "Pad:Warm Pad"), where characters that no platform takes in a file name become '-'; an empty
// name is "Untitled".
QString FileNameForPreset(const QString& presetName);

// Has write fill a file that becomes folder/baseName.syx, or "baseName (2).syx", "(3)" and so
// on when that is taken: never over a file that is there. The file appears whole or not at
// all. Returns its path; throws write's error or "Cannot create file %s".
using TFileWriter = std::function<void(const std::string& fileName)>;
QString WriteNewLibraryFile(const QString& folder, const QString& baseName,
                            const TFileWriter& write);

// The name of the backup of the module's sixteen presets received at time.
QString BackupBaseName(const QDateTime& time);

// The preset an entry names, read again from its file. Throws the file's error, or "Not a
// preset dump of 1605 bytes: %s" / the bank's error when the file no longer holds it.
preset::tMrv ReadLibraryPreset(const TLibraryReference& reference);
// The dump of the entry as it stands in its file now, checked as a Load checks a file.
preset::Bytes ReadLibraryDump(const TLibraryReference& reference);
// The entry as messages name it: the file, and the preset's place in a bank.
QString LibrarySourceName(const TLibraryReference& reference);

}  // namespace morvane::editor
