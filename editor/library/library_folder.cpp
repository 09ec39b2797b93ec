#include "library_folder.h"

#include <QFileInfo>
#include <QSet>
#include <utility>

#include "handler_guard.h"

namespace morvane::editor {

TLibraryFolder::TLibraryFolder(QObject* parent)
    : QObject(parent),
      FModel(this),
      FFilter(FModel, this),
      FReader(new TLibraryReader(*this,
                                 {[this](int epoch, const QList<TLibraryFile>& files) {
                                    if (epoch == FReader->Epoch()) {
                                      FModel.ApplyFiles(files);
                                    }
                                  },
                                  [this](int epoch, const QStringList& files) {
                                    if (epoch == FReader->Epoch()) {
                                      FModel.RemoveFiles(files);
                                    }
                                  },
                                  [this](int epoch, int listing, const TLibrarySummary& summary) {
                                    ListingEnded(epoch, listing, summary);
                                  }})) {
  FReader->moveToThread(&FThread);
  FThread.setObjectName(QStringLiteral("library reader"));
  FThread.start(QThread::LowPriority);
  FSettle.setSingleShot(true);
  FSettle.setInterval(kSettleMs);
  for (const auto changed :
       {&QFileSystemWatcher::directoryChanged, &QFileSystemWatcher::fileChanged}) {
    connect(&FWatcher, changed, &FSettle, qOverload<>(&QTimer::start));
  }
  connect(&FSettle, &QTimer::timeout, this, [this] { RunGuarded([this] { Relist(); }); });
}

TLibraryFolder::~TLibraryFolder() {
  FReader->Stop();
  FThread.quit();
  FThread.wait();
  delete FReader;
}

void TLibraryFolder::SetFolder(const QString& folder) {
  if (folder == FFolder) {
    Relist();
    return;
  }
  FFolder = folder;
  FSummary = {};
  FRelistWanted = false;
  Watch({});
  FModel.Clear();
  Request(true);
}

void TLibraryFolder::ListingEnded(int epoch, int listing, const TLibrarySummary& summary) {
  if (epoch != FReader->Epoch() || listing != FLatest) {
    return;
  }
  FSummary = summary;
  FListing = false;
  // The folder above is watched too: a library folder deleted and made again is seen only there.
  const QString above = QFileInfo(FFolder).absolutePath();
  Watch((summary.files.size() <= kMostWatchedFiles ? summary.folders + summary.files
                                                   : summary.folders) +
        QStringList(above));
  emit ListingChanged();
  if (std::exchange(FRelistWanted, false)) {
    Relist();
  }
}

// A listing that runs is not broken off: it may have passed the change already, so another
// one follows it.
void TLibraryFolder::Relist() {
  if (FFolder.isEmpty()) {
    return;
  }
  if (FListing) {
    FRelistWanted = true;
    return;
  }
  Request(false);
}

void TLibraryFolder::Request(bool fresh) {
  FLatest = FReader->Request(FFolder, fresh);
  FListing = true;
  emit ListingChanged();
}

void TLibraryFolder::Watch(const QStringList& paths) {
  const QStringList watched = FWatcher.directories() + FWatcher.files();
  const QSet<QString> wanted(paths.begin(), paths.end());
  QStringList gone;
  for (const QString& folder : watched) {
    if (!wanted.contains(folder)) {
      gone << folder;
    }
  }
  if (!gone.isEmpty()) {
    FWatcher.removePaths(gone);
  }
  QStringList added;
  const QSet<QString> known(watched.begin(), watched.end());
  for (const QString& path : paths) {
    if (!known.contains(path)) {
      added << path;
    }
  }
  if (!added.isEmpty()) {
    FWatcher.addPaths(added);
  }
}

}  // namespace morvane::editor
