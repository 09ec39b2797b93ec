#include "library_window.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

#include "handler_guard.h"
#include "library_problems.h"

namespace morvane::editor {

namespace {

constexpr int kInitialWidth = 640;
constexpr int kInitialHeight = 480;
constexpr int kNameWidth = 150;
constexpr int kCategoryWidth = 64;
constexpr int kFileWidth = 180;
constexpr int kPositionWidth = 36;
constexpr int kNormalZoom = 100;
// Room between a row's text and its lines.
constexpr int kRowPadding = 4;

int Scaled(int length, int percent) {
  return static_cast<int>(std::lround(static_cast<double>(length) * percent / kNormalZoom));
}

QString Counted(qsizetype count, const char* one, const char* many) {
  return count == 1 ? QString::fromLatin1(one)
                    : QString::fromLatin1(many).arg(QLocale().toString(count));
}

}  // namespace

TLibraryWindow::TLibraryWindow(QWidget* parent) : QWidget(parent, Qt::Window), FLibrary(this) {
  setObjectName(QStringLiteral("LibraryWindow"));
  FBuiltFont = font();
  setWindowTitle(QStringLiteral("Library"));
  resize(kInitialWidth, kInitialHeight);
  BuildActions();
  BuildControls();
  SetZoom(kNormalZoom);
  connect(&FLibrary, &TLibraryFolder::ListingChanged, this, [this] { ShowCount(); });
  for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
    connect(&FLibrary.Filter(), signal, this, [this] { ShowCount(); });
  }
  connect(&FLibrary.Filter(), &QAbstractItemModel::modelReset, this, [this] { ShowCount(); });
  connect(&FLibrary.Filter(), &QAbstractItemModel::layoutChanged, this, [this] { ShowCount(); });
}

void TLibraryWindow::BuildActions() {
  const auto make = [this](const char* name, void (TLibraryWindow::*command)()) {
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this,
            [this, command] { RunGuarded([&] { (this->*command)(); }); });
    return action;
  };
  FLoadAction = make("libraryloadaction", &TLibraryWindow::Load);
  FAuditionAction = make("libraryauditionaction", &TLibraryWindow::Audition);
  FEscapeAction = make("libraryescapeaction", &TLibraryWindow::Escape);
  FChooseFolderAction = make("librarychoosefolderaction", &TLibraryWindow::ChooseFolder);
}

void TLibraryWindow::BuildControls() {
  FSearch = new QLineEdit(this);
  FSearch->setObjectName(QStringLiteral("librarysearch"));
  FSearch->setPlaceholderText(QStringLiteral("Search names, categories and files"));
  FSearch->setClearButtonEnabled(true);
  FSearch->installEventFilter(this);
  connect(FSearch, &QLineEdit::textChanged, this,
          [this](const QString& text) { FLibrary.Filter().SetSearch(text); });

  FList = new QTableView(this);
  FList->setObjectName(QStringLiteral("librarylist"));
  FList->setModel(&FLibrary.Filter());
  FList->setSortingEnabled(true);
  FList->sortByColumn(TLibraryModel::kNameColumn, Qt::AscendingOrder);
  FList->setSelectionBehavior(QAbstractItemView::SelectRows);
  FList->setSelectionMode(QAbstractItemView::SingleSelection);
  FList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FList->setDragEnabled(true);
  FList->setDragDropMode(QAbstractItemView::DragOnly);
  FList->setDefaultDropAction(Qt::CopyAction);
  FList->setAlternatingRowColors(true);
  FList->setWordWrap(false);
  FList->verticalHeader()->hide();
  FList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  FList->horizontalHeader()->setStretchLastSection(true);
  FList->installEventFilter(this);
  connect(FList, &QAbstractItemView::doubleClicked, FLoadAction, &QAction::trigger);

  FCount = new QLabel(this);
  FCount->setObjectName(QStringLiteral("librarycount"));
  FProblems = new QPushButton(this);
  FProblems->setObjectName(QStringLiteral("libraryproblemcount"));
  FProblems->setFlat(true);
  FProblems->setAutoDefault(false);
  FProblems->setToolTip(QStringLiteral("Show which files, and why"));
  FProblems->hide();
  connect(FProblems, &QPushButton::clicked, this, [this] { ShowProblems(); });
  FFolderLabel = new QLabel(this);
  FFolderLabel->setObjectName(QStringLiteral("libraryfolder"));
  FFolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

  FChooseFolder = new QPushButton(QStringLiteral("Choose &Folder.."), this);
  FChooseFolder->setObjectName(QStringLiteral("librarychoosefolder"));
  FChooseFolder->setAutoDefault(false);
  connect(FChooseFolder, &QPushButton::clicked, FChooseFolderAction, &QAction::trigger);
  FAudition = new QPushButton(QStringLiteral("&Audition (Space)"), this);
  FAudition->setObjectName(QStringLiteral("libraryaudition"));
  FAudition->setAutoDefault(false);
  FAudition->setToolTip(QStringLiteral(
      "Send the preset to the module's edit buffer and play a note; Esc sends the current "
      "channel's preset back"));
  connect(FAudition, &QPushButton::clicked, FAuditionAction, &QAction::trigger);
  FLoad = new QPushButton(QStringLiteral("&Load (Enter)"), this);
  FLoad->setObjectName(QStringLiteral("libraryload"));
  FLoad->setAutoDefault(false);
  FLoad->setToolTip(QStringLiteral("Load the preset into the current channel"));
  connect(FLoad, &QPushButton::clicked, FLoadAction, &QAction::trigger);
  FBackup = new QCheckBox(
      QStringLiteral("Keep a &backup of the module's presets after Request All"), this);
  FBackup->setObjectName(QStringLiteral("librarybackup"));
  connect(FBackup, &QCheckBox::toggled, this, [this](bool keep) { emit BackupChanged(keep); });

  auto* folderRow = new QHBoxLayout();
  folderRow->addWidget(FFolderLabel, 1);
  folderRow->addWidget(FChooseFolder);
  auto* commandRow = new QHBoxLayout();
  commandRow->addWidget(FCount);
  commandRow->addWidget(FProblems);
  commandRow->addStretch(1);
  commandRow->addWidget(FAudition);
  commandRow->addWidget(FLoad);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FSearch);
  layout->addWidget(FList, 1);
  layout->addLayout(commandRow);
  layout->addLayout(folderRow);
  layout->addWidget(FBackup);
  setFocusProxy(FSearch);
}

void TLibraryWindow::SetZoom(int percent) {
  QFont scaled = FBuiltFont;
  if (FBuiltFont.pixelSize() > 0) {
    scaled.setPixelSize(std::max(1, Scaled(FBuiltFont.pixelSize(), percent)));
  } else {
    scaled.setPointSizeF(FBuiltFont.pointSizeF() * percent / kNormalZoom);
  }
  setFont(scaled);
  resize(size() * percent / FZoom);
  FZoom = percent;
  FList->verticalHeader()->setDefaultSectionSize(FList->fontMetrics().height() + kRowPadding);
  // Any column may be sorted: each heading keeps room for the arrow.
  const QHeaderView& headings = *FList->horizontalHeader();
  for (const auto& [column, width] : {std::pair{TLibraryModel::kNameColumn, kNameWidth},
                                      {TLibraryModel::kCategoryColumn, kCategoryWidth},
                                      {TLibraryModel::kFileColumn, kFileWidth},
                                      {TLibraryModel::kPositionColumn, kPositionWidth}}) {
    FList->setColumnWidth(column,
                          std::max(Scaled(width, percent), headings.sectionSizeHint(column)));
  }
}

void TLibraryWindow::ShowFolder(const QString& folder) {
  FFolderLabel->setText(QDir::toNativeSeparators(folder));
  FLibrary.SetFolder(folder);
  ShowCount();
}

void TLibraryWindow::ShowCount() {
  const TLibrarySummary& summary = FLibrary.Summary();
  const int total = FLibrary.Model().rowCount();
  const int shown = FLibrary.Filter().rowCount();
  QStringList parts;
  parts << (shown == total
                ? Counted(total, "1 preset", "%1 presets")
                : QStringLiteral("%1 of %2")
                      .arg(QLocale().toString(shown), Counted(total, "1 preset", "%1 presets")));
  if (FLibrary.Listing()) {
    parts << QStringLiteral("reading the folder..");
  }
  FCount->setText(parts.join(QStringLiteral("; ")));
  QStringList problems;
  if (!summary.notPresets.isEmpty()) {
    problems << Counted(summary.notPresets.size(), "1 file is not a preset",
                        "%1 files are not presets");
  }
  if (!summary.errors.isEmpty()) {
    problems << Counted(summary.errors.size(), "1 file or folder could not be read",
                        "%1 files or folders could not be read");
  }
  FProblems->setText(problems.join(QStringLiteral("; ")));
  FProblems->setVisible(!problems.isEmpty());
}

void TLibraryWindow::ShowProblems() {
  auto* problems = new TLibraryProblems(FLibrary.Folder(), FLibrary.Summary(), this);
  problems->setWindowModality(Qt::WindowModal);
  problems->show();
}

QModelIndex TLibraryWindow::ChosenIndex() const {
  const QModelIndex current = FList->currentIndex();
  if (current.isValid() && FList->selectionModel()->isRowSelected(current.row(), QModelIndex())) {
    return current;
  }
  return FLibrary.Filter().index(0, 0);
}

std::optional<TLibraryReference> TLibraryWindow::Chosen() const {
  const QModelIndex index = ChosenIndex();
  if (!index.isValid()) {
    return std::nullopt;
  }
  const TLibraryEntry& entry = FLibrary.Filter().Entry(index);
  return TLibraryReference{entry.file, entry.bankPosition};
}

void TLibraryWindow::Load() {
  const std::optional<TLibraryReference> chosen = Chosen();
  if (!chosen) {
    return;
  }
  emit AuditionEnded();
  emit LoadRequested(*chosen);
}

void TLibraryWindow::Audition() {
  const QModelIndex index = ChosenIndex();
  if (!index.isValid()) {
    return;
  }
  FList->selectRow(index.row());
  emit AuditionRequested(*Chosen());
}

void TLibraryWindow::Escape() {
  emit AuditionEnded();
}

void TLibraryWindow::ChooseFolder() {
  emit AuditionEnded();
  const QString shown = FLibrary.Folder();
  std::optional<QString> chosen;
  if (FFolderAnswer) {
    chosen = FFolderAnswer(shown);
  } else {
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Library Folder"), shown);
    if (!folder.isEmpty()) {
      chosen = folder;
    }
  }
  if (chosen) {
    emit FolderChosen(*chosen);
  }
}

bool TLibraryWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) {
    return QWidget::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  bool handled = true;
  if (key->key() == Qt::Key_Escape) {
    FEscapeAction->trigger();
  } else if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
    FLoadAction->trigger();
  } else if (watched == FList && plain && key->key() == Qt::Key_Space) {
    FAuditionAction->trigger();
  } else if (watched == FSearch && plain && key->key() == Qt::Key_Down) {
    FList->setFocus(Qt::OtherFocusReason);
    if (!FList->currentIndex().isValid()) {
      FList->selectRow(0);
    }
  } else if (watched == FList && !key->text().isEmpty() && key->text().front().isPrint() &&
             (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0) {
    // Typing in the list goes on in the search.
    FSearch->setFocus(Qt::OtherFocusReason);
    FSearch->insert(key->text());
  } else {
    handled = false;
  }
  return handled || QWidget::eventFilter(watched, event);
}

void TLibraryWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous()) {
    emit AuditionEnded();
  }
}

bool TLibraryWindow::event(QEvent* event) {
  // Coming back to the window lists the folder again: a file changed in place by another
  // program tells no folder watcher.
  if (event->type() == QEvent::WindowActivate) {
    FLibrary.Relist();
  }
  return QWidget::event(event);
}

}  // namespace morvane::editor
