#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>

#include "library_entry.h"

namespace morvane::editor {

// The presets of one file as the reader found them.
struct TLibraryFile {
  QString file;
  QList<TLibraryEntry> entries;
};

// A file of the folder that holds no preset, and why.
struct TNotPresetFile {
  QString file;
  QString reason;
};

// What a finished listing found besides the presets.
struct TLibrarySummary {
  // In the order of their paths.
  QList<TNotPresetFile> notPresets;
  QStringList errors;
  // The folder and its sub-folders, and the preset files in them, to be watched.
  QStringList folders;
  QStringList files;
};

// Reads a library folder on a thread of its own and hands what it found to the GUI thread in
// batches, the first one small so that the list shows at once. It keeps what it read: a later
// listing of the same folder reads only the files that are new or changed since, and reports
// only those and the files that went away, so that the list it feeds stays in step.
//
// Every method but Request runs on the reader's thread. Results go to the handlers, which run
// on the GUI thread in the order the reader found them.
class TLibraryReader : public QObject {
  Q_OBJECT

 public:
  struct THandlers {
    std::function<void(int epoch, const QList<TLibraryFile>& files)> found;
    std::function<void(int epoch, const QStringList& files)> removed;
    std::function<void(int epoch, int listing, const TLibrarySummary& summary)> finished;
  };

  // handlers run on receiver's thread.
  TLibraryReader(QObject& receiver, THandlers handlers);

  // GUI thread. Lists folder; fresh forgets what was read before and reports every preset, for
  // an empty list (a new folder). A later request ends a listing still running between two
  // files. Returns the listing's number, which its summary carries.
  int Request(const QString& folder, bool fresh);
  // GUI thread. The count of fresh requests, which the results carry.
  int Epoch() const { return FEpoch; }
  // GUI thread. Ends a listing still running between two files.
  void Stop() { FLatest.fetch_add(1, std::memory_order_acq_rel); }

 private:
  struct TCachedFile {
    QString file;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified;
    // Empty for a preset or a bank.
    QString notPresetReason;
    int seen = 0;
  };

  void List(const QString& folder, bool fresh, int epoch, int listing);
  bool Overtaken(int listing) const { return FLatest.load(std::memory_order_acquire) != listing; }
  void Post(std::function<void()> call);

  QObject& FReceiver;
  THandlers FHandlers;
  std::atomic<int> FLatest{0};
  // The GUI thread's count of fresh requests.
  int FEpoch = 0;
  // Reader thread only.
  std::unordered_map<std::string, TCachedFile> FCache;
  int FCacheEpoch = -1;
};

}  // namespace morvane::editor
