#pragma once

#include <QFont>
#include <QWidget>

#include "library_entry.h"
#include "library_folder.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace morvane::editor {

// The library window: every preset under the library folder in one sortable list, narrowed at
// once by what is typed. Enter or a double click loads the chosen preset, Space auditions it,
// Esc ends the audition; a preset can be dragged onto a channel of the main window. Each command
// is one of the window's actions, which its keys and buttons trigger. It knows nothing of the
// main window: it asks through its signals.
class TLibraryWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TLibraryWindow(QWidget* parent = nullptr);

  TLibraryFolder& Library() { return FLibrary; }
  QLineEdit* SearchBox() const { return FSearch; }
  QTableView* List() const { return FList; }
  QLabel* CountLabel() const { return FCount; }
  // Shown when some files are no presets or could not be read; opens the list of them.
  QPushButton* ProblemsButton() const { return FProblems; }
  QCheckBox* BackupBox() const { return FBackup; }
  QPushButton* ChooseFolderButton() const { return FChooseFolder; }
  QAction* LoadAction() const { return FLoadAction; }
  QAction* AuditionAction() const { return FAuditionAction; }

  // Scales the window's words to percent of their size as built, and widens the list's columns
  // where a heading would not fit beside its sort arrow.
  void SetZoom(int percent);

  // Shows folder and lists it.
  void ShowFolder(const QString& folder);
  // The preset chosen in the list, if any.
  std::optional<TLibraryReference> Chosen() const;

  // Answers the folder choice in place of the toolkit's dialog (tests script the user's
  // choice): given the folder shown, returns the chosen one or none to cancel.
  using FolderAnswer = std::function<std::optional<QString>(const QString& shown)>;
  void SetScriptedFolderAnswer(FolderAnswer answer) { FFolderAnswer = std::move(answer); }

 signals:
  void LoadRequested(const morvane::editor::TLibraryReference& reference);
  void AuditionRequested(const morvane::editor::TLibraryReference& reference);
  // Esc, another command of this window, or the window closed.
  void AuditionEnded();
  void FolderChosen(const QString& folder);
  void BackupChanged(bool keep);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void BuildActions();
  void BuildControls();
  void ShowCount();
  void ShowProblems();
  void Load();
  void Audition();
  void Escape();
  void ChooseFolder();
  // The chosen row, or the first one shown when none is chosen.
  QModelIndex ChosenIndex() const;

  TLibraryFolder FLibrary;
  QLineEdit* FSearch = nullptr;
  QTableView* FList = nullptr;
  QLabel* FCount = nullptr;
  QPushButton* FProblems = nullptr;
  QLabel* FFolderLabel = nullptr;
  QPushButton* FChooseFolder = nullptr;
  QPushButton* FAudition = nullptr;
  QPushButton* FLoad = nullptr;
  QCheckBox* FBackup = nullptr;
  QAction* FLoadAction = nullptr;
  QAction* FAuditionAction = nullptr;
  QAction* FEscapeAction = nullptr;
  QAction* FChooseFolderAction = nullptr;
  FolderAnswer FFolderAnswer;
  QFont FBuiltFont;
  int FZoom = 100;
};

}  // namespace morvane::editor
