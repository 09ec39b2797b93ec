#include <QAction>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QUndoStack>

#include "data_files.h"
#include "file_dialog.h"
#include "handler_guard.h"
#include "preset/preset_file.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

const QString kSyxFilter = QStringLiteral("*.syx|*.syx");
const QString kSyxExtension = QStringLiteral("syx");

QString ChannelItem(int channelIndex) {
  return QStringLiteral("Channel %1").arg(channelIndex + 1);
}

}  // namespace

void TForm1::BuildEditMenu() {
  undoStack = new QUndoStack(this);
  undoStack->setObjectName(QStringLiteral("undoStack"));
  undoStack->setUndoLimit(kUndoLimit);

  Edit1 = MainMenu1->addMenu(QStringLiteral("Edit"));
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Undo1 = undoStack->createUndoAction(this, QStringLiteral("Undo"));
  Undo1->setObjectName(QStringLiteral("Undo1"));
  Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Redo1 = undoStack->createRedoAction(this, QStringLiteral("Redo"));
  Redo1->setObjectName(QStringLiteral("Redo1"));
  Redo1->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  Edit1->addActions({Undo1, Redo1});

  CompareWithFile1 = new QAction(QStringLiteral("Compare with File.."), this);
  CompareWithFile1->setObjectName(QStringLiteral("CompareWithFile1"));
  CompareWithFile1->setStatusTip(
      QStringLiteral("List what differs between the current preset and a .syx file"));
  ConnectGuarded(CompareWithFile1, &QAction::triggered, this, &TForm1::CompareWithFile1Click);
  CompareWithChannel1 = new QAction(QStringLiteral("Compare with Channel.."), this);
  CompareWithChannel1->setObjectName(QStringLiteral("CompareWithChannel1"));
  CompareWithChannel1->setStatusTip(
      QStringLiteral("List what differs between the current preset and another channel's"));
  ConnectGuarded(CompareWithChannel1, &QAction::triggered, this, &TForm1::CompareWithChannel1Click);
  File1->addSeparator();
  File1->addActions({CompareWithFile1, CompareWithChannel1});

  // Its own dialog, so that comparing leaves the folder and file that Load remembers alone.
  CompareDialog1 = new TFileDialog(TFileDialog::Kind::Open, this);
  CompareDialog1->setObjectName(QStringLiteral("CompareDialog1"));
  CompareDialog1->setFilter(kSyxFilter);
  CompareDialog1->setDefaultExt(kSyxExtension);
}

void TForm1::CompareWithFile1Click() {
  if (!CompareDialog1->Execute(this)) {
    return;
  }
  preset::tMrv other;
  other.LoadPresetFromBytes(preset::ReadPresetFile(LocalFileName(CompareDialog1->FileName())));
  ShowComparison(other, CompareDialog1->FileName());
}

void TForm1::CompareWithChannel1Click() {
  const int current = CurrentChannelIndex();
  QStringList items;
  for (int channelIndex = 0; channelIndex < kChannelCount; ++channelIndex) {
    if (channelIndex != current) {
      items << ChannelItem(channelIndex);
    }
  }
  bool chosen = false;
  const QString item = QInputDialog::getItem(this, QStringLiteral("Compare with Channel"),
                                             QStringLiteral("Channel:"), items, 0, false, &chosen);
  const int position = static_cast<int>(items.indexOf(item));
  if (!chosen || position < 0) {
    return;
  }
  const int otherIndex = position < current ? position : position + 1;
  preset::tMrv other = images.at(static_cast<std::size_t>(otherIndex));
  ShowComparison(other, ChannelItem(otherIndex));
}

}  // namespace morvane::editor
