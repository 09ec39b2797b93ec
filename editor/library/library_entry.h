#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace morvane::editor {

// One preset of the library: a file of one preset, or one of a bank's sixteen.
struct TLibraryEntry {
  QString file;       // absolute path
  QString shownPath;  // relative to the library folder, with '/' between folders
  QString name;
  QString category;
  int bankPosition = 0;  // 1..16 in a bank, 0 for a file of one preset
  qint64 modifiedMs = 0;
  // Name, category and shown path in lower case: what the search looks in and the list sorts by.
  QString nameKey;
  QString categoryKey;
  QString fileKey;
};

// The lower-case keys of an entry whose name, category and shown path are set.
void SetLibraryKeys(TLibraryEntry& entry);

// What a drag out of the library carries: the file and the position in its bank, so that a
// preset of a bank lands as itself and never as the bank's first preset.
inline constexpr char kLibraryMimeType[] = "application/x-morvane-library-preset";

struct TLibraryReference {
  QString file;
  int bankPosition = 0;
};

QByteArray EncodeLibraryReference(const TLibraryReference& reference);
std::optional<TLibraryReference> DecodeLibraryReference(const QByteArray& bytes);

}  // namespace morvane::editor
