#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include "library_model.h"
#include "library_reader.h"

namespace morvane::editor {

// A library folder listed into a model, off the GUI thread, and listed again whenever a file
// is added, changed or removed under it.
class TLibraryFolder : public QObject {
  Q_OBJECT

 public:
  // How long the folder must be quiet after a change before it is listed again: copying many
  // files in is one listing, not one a file.
  static constexpr int kSettleMs = 200;
  // A folder tells of files added, removed or renamed in it, not always of a file written over
  // in place; so are the files watched themselves, up to this many (each takes one of the
  // system's watches), and beyond it the list catches up when its window is next activated.
  static constexpr qsizetype kMostWatchedFiles = 2000;

  explicit TLibraryFolder(QObject* parent = nullptr);
  ~TLibraryFolder() override;

  TLibraryModel& Model() { return FModel; }
  const TLibraryModel& Model() const { return FModel; }
  TLibraryFilter& Filter() { return FFilter; }
  const TLibraryFilter& Filter() const { return FFilter; }
  QString Folder() const { return FFolder; }
  // Lists folder into an empty list; the same folder again is only listed again.
  void SetFolder(const QString& folder);
  void Relist();
  // From a request until its listing has ended.
  bool Listing() const { return FListing; }
  // What the last whole listing found besides the presets.
  const TLibrarySummary& Summary() const { return FSummary; }

 signals:
  // A listing began or ended.
  void ListingChanged();

 private:
  void Request(bool fresh);
  void ListingEnded(int epoch, int listing, const TLibrarySummary& summary);
  void Watch(const QStringList& paths);

  TLibraryModel FModel;
  TLibraryFilter FFilter;
  QThread FThread;
  TLibraryReader* FReader;
  QFileSystemWatcher FWatcher;
  QTimer FSettle;
  QString FFolder;
  int FLatest = 0;
  bool FListing = false;
  bool FRelistWanted = false;
  TLibrarySummary FSummary;
};

}  // namespace morvane::editor
