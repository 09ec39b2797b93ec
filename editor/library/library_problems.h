#pragma once

#include <QDialog>
#include <QString>

#include "library_reader.h"

class QPlainTextEdit;

namespace morvane::editor {

// The files of a library folder that are listed as no preset, each with its reason, and the
// files and folders that could not be read, each with its error: what the count of them stands
// for. The text can be selected and copied.
class TLibraryProblems : public QDialog {
  Q_OBJECT

 public:
  TLibraryProblems(const QString& folder, const TLibrarySummary& summary, QWidget* parent);

  QPlainTextEdit* List() const { return FList; }

  // "path: reason" for each file that is no preset, by path, then each error as it was read.
  static QStringList Lines(const QString& folder, const TLibrarySummary& summary);

 private:
  QPlainTextEdit* FList = nullptr;
};

}  // namespace morvane::editor
