#include "library_reader.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <exception>

#include "local_file_names.h"
#include "preset/preset_listing.h"

namespace morvane::editor {

namespace {

namespace fs = std::filesystem;

// The first batch fills a screen or so; later ones are larger, so that the list is not
// re-sorted for every few rows.
constexpr qsizetype kFirstBatchEntries = 64;
constexpr qsizetype kBatchEntries = 4096;
constexpr qint64 kBatchMs = 50;

// A path's bytes are kept, so that a name that is not UTF-8 still opens.
QString PathString(const fs::path& path) {
#ifdef _WIN32
  return QString::fromStdWString(path.wstring());
#else
  return FileNameFromBytes(QByteArrayView(path.native()));
#endif
}

fs::path NativePath(const QString& path) {
#ifdef _WIN32
  return fs::path(path.toStdWString());
#else
  return fs::path(LocalFileName(path));
#endif
}

qint64 MillisecondsSinceEpoch(fs::file_time_type time) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::file_clock::to_sys(time).time_since_epoch())
      .count();
}

TLibraryFile FileOf(const preset::FolderFile& found, const preset::PresetFileListing& listing) {
  TLibraryFile file{PathString(found.path), {}};
  const QString shownPath = QString::fromStdString(found.shownPath);
  const qint64 modifiedMs = MillisecondsSinceEpoch(found.modified);
  file.entries.reserve(static_cast<qsizetype>(listing.presets.size()));
  for (const preset::ListedPreset& listed : listing.presets) {
    TLibraryEntry entry;
    entry.file = file.file;
    entry.shownPath = shownPath;
    entry.name = QString::fromStdString(listed.name);
    entry.category = QString::fromStdString(listed.category);
    entry.bankPosition = listed.bankPosition;
    entry.modifiedMs = modifiedMs;
    SetLibraryKeys(entry);
    file.entries.push_back(std::move(entry));
  }
  return file;
}

}  // namespace

TLibraryReader::TLibraryReader(QObject& receiver, THandlers handlers)
    : FReceiver(receiver), FHandlers(std::move(handlers)) {}

int TLibraryReader::Request(const QString& folder, bool fresh) {
  if (fresh) {
    ++FEpoch;
  }
  const int listing = FLatest.fetch_add(1, std::memory_order_acq_rel) + 1;
  const int epoch = FEpoch;
  QMetaObject::invokeMethod(
      this, [this, folder, fresh, epoch, listing] { List(folder, fresh, epoch, listing); },
      Qt::QueuedConnection);
  return listing;
}

void TLibraryReader::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(&FReceiver, std::move(call), Qt::QueuedConnection);
}

void TLibraryReader::List(const QString& folder, bool fresh, int epoch, int listing) {
  if (Overtaken(listing)) {
    return;
  }
  if (fresh || epoch != FCacheEpoch) {
    FCache.clear();
    FCacheEpoch = epoch;
  }
  TLibrarySummary summary;
  QList<TLibraryFile> batch;
  qsizetype batchEntries = 0;
  qsizetype nextBatch = kFirstBatchEntries;
  QElapsedTimer sinceBatch;
  sinceBatch.start();
  const auto flush = [&] {
    if (!batch.isEmpty()) {
      Post([this, epoch, files = std::exchange(batch, {})] { FHandlers.found(epoch, files); });
    }
    batchEntries = 0;
    nextBatch = kBatchEntries;
    sinceBatch.restart();
  };

  // Each file is read as the walk meets it, so that the first rows show before the last
  // sub-folder is listed.
  const auto take = [&](const preset::FolderFile& file) {
    if (Overtaken(listing)) {
      return false;
    }
    summary.files << PathString(file.path);
    const std::string key = preset::PathText(file.path);
    const auto cached = FCache.find(key);
    if (cached != FCache.end() && cached->second.size == file.size &&
        cached->second.modified == file.modified) {
      cached->second.seen = listing;
      return true;
    }
    preset::PresetFileListing content;
    try {
      content = preset::ListPresetFile(file.path, file.size);
    } catch (const std::exception& error) {
      summary.errors << QString::fromUtf8(error.what());
      // Read again next time; its presets leave the list until then.
      if (cached != FCache.end()) {
        FCache.erase(cached);
        batch.push_back(TLibraryFile{PathString(file.path), {}});
      }
      return true;
    }
    batch.push_back(FileOf(file, content));
    FCache[key] = TCachedFile{batch.back().file, file.size, file.modified,
                              QString::fromStdString(content.notPresetReason), listing};
    batchEntries += batch.back().entries.size();
    if (batchEntries >= nextBatch || sinceBatch.elapsed() >= kBatchMs) {
      flush();
    }
    return true;
  };
  preset::FolderFiles found;
  try {
    found = preset::WalkPresetFiles(NativePath(folder), take,
                                    [this, listing] { return Overtaken(listing); });
  } catch (const std::exception& error) {
    summary.errors << QString::fromUtf8(error.what());
  }
  // What was read is reported also when the listing was overtaken, so that the list and what
  // is kept here stay in step.
  flush();
  if (Overtaken(listing)) {
    return;
  }
  for (const std::string& error : found.errors) {
    summary.errors << QString::fromUtf8(error.c_str());
  }
  for (const fs::path& subFolder : found.folders) {
    summary.folders << PathString(subFolder);
  }

  QStringList gone;
  for (auto entry = FCache.begin(); entry != FCache.end();) {
    if (entry->second.seen != listing) {
      gone << entry->second.file;
      entry = FCache.erase(entry);
    } else {
      if (!entry->second.notPresetReason.isEmpty()) {
        summary.notPresets.push_back({entry->second.file, entry->second.notPresetReason});
      }
      ++entry;
    }
  }
  std::ranges::sort(summary.notPresets, {}, &TNotPresetFile::file);
  if (!gone.isEmpty()) {
    Post([this, epoch, gone] { FHandlers.removed(epoch, gone); });
  }
  Post([this, epoch, listing, summary] { FHandlers.finished(epoch, listing, summary); });
}

}  // namespace morvane::editor
