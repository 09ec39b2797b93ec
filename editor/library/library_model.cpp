#include "library_model.h"

#include <QDateTime>
#include <QLocale>
#include <QMimeData>
#include <algorithm>

namespace morvane::editor {

namespace {

// Replacing this many files one by one would cost the view more than showing the list anew.
constexpr qsizetype kMostSeparateRemovals = 64;

const char* const kHeaders[TLibraryModel::kColumnCount] = {"Name", "Category", "File", "No.",
                                                           "Date"};

int CompareKeys(const QString& left, const QString& right) {
  return QString::compare(left, right, Qt::CaseSensitive);
}

}  // namespace

TLibraryModel::TLibraryModel(QObject* parent) : QAbstractTableModel(parent) {}

int TLibraryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TLibraryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant TLibraryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
    return {};
  }
  const TLibraryEntry& entry = Entry(index.row());
  if (role == Qt::ToolTipRole) {
    return entry.file;
  }
  switch (index.column()) {
    case kNameColumn:
      return entry.name;
    case kCategoryColumn:
      return entry.category;
    case kFileColumn:
      return entry.shownPath;
    case kPositionColumn:
      return entry.bankPosition == 0 ? QVariant() : QVariant(entry.bankPosition);
    case kDateColumn:
      return QLocale().toString(QDateTime::fromMSecsSinceEpoch(entry.modifiedMs),
                                QLocale::ShortFormat);
    default:
      return {};
  }
}

QVariant TLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kColumnCount) {
    return {};
  }
  return QString::fromLatin1(kHeaders[section]);
}

Qt::ItemFlags TLibraryModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) {
    return Qt::NoItemFlags;
  }
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList TLibraryModel::mimeTypes() const {
  return {QString::fromLatin1(kLibraryMimeType)};
}

// One preset a drag: a drop loads one preset into one channel.
QMimeData* TLibraryModel::mimeData(const QModelIndexList& indexes) const {
  if (indexes.isEmpty() || !indexes.front().isValid()) {
    return nullptr;
  }
  const TLibraryEntry& entry = Entry(indexes.front().row());
  auto* data = new QMimeData();
  data->setData(QString::fromLatin1(kLibraryMimeType),
                EncodeLibraryReference({entry.file, entry.bankPosition}));
  data->setText(entry.name);
  return data;
}

Qt::DropActions TLibraryModel::supportedDragActions() const {
  return Qt::CopyAction;
}

void TLibraryModel::Clear() {
  beginResetModel();
  FRows.clear();
  FFileRows.clear();
  endResetModel();
}

void TLibraryModel::ApplyFiles(const QList<TLibraryFile>& files) {
  QStringList replaced;
  qsizetype added = 0;
  for (const TLibraryFile& file : files) {
    if (FFileRows.contains(file.file)) {
      replaced << file.file;
    }
    added += file.entries.size();
  }
  RemoveRowsOf(replaced);
  if (added == 0) {
    return;
  }
  const int first = static_cast<int>(FRows.size());
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(added) - 1);
  FRows.reserve(FRows.size() + static_cast<std::size_t>(added));
  for (const TLibraryFile& file : files) {
    if (file.entries.isEmpty()) {
      continue;
    }
    FFileRows.insert(file.file,
                     {static_cast<int>(FRows.size()), static_cast<int>(file.entries.size())});
    FRows.insert(FRows.end(), file.entries.begin(), file.entries.end());
  }
  endInsertRows();
}

void TLibraryModel::RemoveFiles(const QStringList& files) {
  RemoveRowsOf(files);
}

void TLibraryModel::RemoveRowsOf(const QStringList& files) {
  std::vector<TRowRange> ranges;
  for (const QString& file : files) {
    const auto found = FFileRows.constFind(file);
    if (found != FFileRows.cend()) {
      ranges.push_back(found.value());
    }
  }
  if (ranges.empty()) {
    return;
  }
  std::ranges::sort(ranges, std::greater{}, &TRowRange::first);
  const bool reset = static_cast<qsizetype>(ranges.size()) > kMostSeparateRemovals;
  if (reset) {
    beginResetModel();
  }
  for (const TRowRange& range : ranges) {
    if (!reset) {
      beginRemoveRows(QModelIndex(), range.first, range.first + range.count - 1);
    }
    FRows.erase(FRows.begin() + range.first, FRows.begin() + range.first + range.count);
    if (!reset) {
      endRemoveRows();
    }
  }
  IndexRows();
  if (reset) {
    endResetModel();
  }
}

void TLibraryModel::IndexRows() {
  FFileRows.clear();
  for (int row = 0; row < static_cast<int>(FRows.size()); ++row) {
    TRowRange& range = FFileRows[FRows[static_cast<std::size_t>(row)].file];
    if (range.count == 0) {
      range.first = row;
    }
    ++range.count;
  }
}

TLibraryFilter::TLibraryFilter(TLibraryModel& model, QObject* parent)
    : QSortFilterProxyModel(parent), FModel(model) {
  setSourceModel(&model);
  setDynamicSortFilter(true);
}

void TLibraryFilter::SetSearch(const QString& text) {
  if (text == FText) {
    return;
  }
  FText = text;
  FWords = text.toLower().split(u' ', Qt::SkipEmptyParts);
  // Built anew rather than row by row: a keystroke can hide or show thousands of rows spread
  // all over the sorted list, and telling the view of each run of them costs far more.
  invalidate();
}

const TLibraryEntry& TLibraryFilter::Entry(const QModelIndex& index) const {
  return FModel.Entry(mapToSource(index).row());
}

bool TLibraryFilter::filterAcceptsRow(int sourceRow, const QModelIndex& /*sourceParent*/) const {
  const TLibraryEntry& entry = FModel.Entry(sourceRow);
  return std::ranges::all_of(FWords, [&entry](const QString& word) {
    return entry.nameKey.contains(word) || entry.categoryKey.contains(word) ||
           entry.fileKey.contains(word);
  });
}

// Ties go by file and position in the bank, so that the order never depends on reading order.
bool TLibraryFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const TLibraryEntry& a = FModel.Entry(left.row());
  const TLibraryEntry& b = FModel.Entry(right.row());
  int order = 0;
  switch (left.column()) {
    case TLibraryModel::kNameColumn:
      order = CompareKeys(a.nameKey, b.nameKey);
      break;
    case TLibraryModel::kCategoryColumn:
      order = CompareKeys(a.categoryKey, b.categoryKey);
      break;
    case TLibraryModel::kPositionColumn:
      order = a.bankPosition - b.bankPosition;
      break;
    case TLibraryModel::kDateColumn:
      order = a.modifiedMs < b.modifiedMs ? -1 : (a.modifiedMs > b.modifiedMs ? 1 : 0);
      break;
    default:
      break;
  }
  if (order == 0) {
    order = CompareKeys(a.fileKey, b.fileKey);
  }
  if (order == 0) {
    order = a.bankPosition - b.bankPosition;
  }
  return order < 0;
}

}  // namespace morvane::editor
