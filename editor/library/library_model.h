#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <vector>

#include "library_entry.h"
#include "library_reader.h"

namespace morvane::editor {

// The library's presets, one row each, as the reader reports them file by file. The rows of a
// file that changes are replaced, those of a file that goes away removed; the view's order is
// the filter's business.
class TLibraryModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kNameColumn, kCategoryColumn, kFileColumn, kPositionColumn, kDateColumn };
  static constexpr int kColumnCount = kDateColumn + 1;

  explicit TLibraryModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override;

  const TLibraryEntry& Entry(int row) const { return FRows[static_cast<std::size_t>(row)]; }

  void Clear();
  // Each file's rows become its entries (none for a file that is no longer a preset).
  void ApplyFiles(const QList<TLibraryFile>& files);
  void RemoveFiles(const QStringList& files);

 private:
  struct TRowRange {
    int first = 0;
    int count = 0;
  };
  void RemoveRowsOf(const QStringList& files);
  void IndexRows();

  std::vector<TLibraryEntry> FRows;
  // The rows of a file lie together.
  QHash<QString, TRowRange> FFileRows;
};

// The library's order and search: typing narrows the list to the presets whose name, category
// or file holds every word typed, in any letter case.
class TLibraryFilter : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  explicit TLibraryFilter(TLibraryModel& model, QObject* parent = nullptr);

  void SetSearch(const QString& text);
  QString Search() const { return FText; }
  const TLibraryEntry& Entry(const QModelIndex& index) const;

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  TLibraryModel& FModel;
  QString FText;
  QStringList FWords;
};

}  // namespace morvane::editor
