#include <QAction>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QUndoStack>

#include "channel_owner.h"
#include "data_files.h"
#include "file_dialog.h"
#include "handler_guard.h"
#include "preset/preset_file.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

const QString kSyxFilter = QStringLiteral("*.syx|*.syx");
const QString kSyxExtension = QStringLiteral("syx");

const QString kUndo = QStringLiteral("Undo");
const QString kRedo = QStringLiteral("Redo");

// "Undo Load Bank", or "Undo" alone when the step has no name.
QString ItemText(const QString& command, const QString& step) {
  return step.isEmpty() ? command : command + u' ' + step;
}

QString ChannelItem(int channelIndex) {
  return QStringLiteral("Channel %1").arg(channelIndex + 1);
}

}  // namespace

void TForm1::BuildEditMenu() {
  Edit1 = MainMenu1->addMenu(QStringLiteral("Edit"));
  Edit1->setObjectName(QStringLiteral("Edit1"));
  // The channel owner moves the stack: it refuses while a transfer runs.
  Undo1 = new QAction(kUndo, this);
  Undo1->setObjectName(QStringLiteral("Undo1"));
  Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Undo1->setEnabled(false);
  QObject::connect(Undo1, &QAction::triggered, this,
                   [this] { RunGuarded([this] { FChannels->Undo(); }); });
  Redo1 = new QAction(kRedo, this);
  Redo1->setObjectName(QStringLiteral("Redo1"));
  Redo1->setEnabled(false);
  QObject::connect(Redo1, &QAction::triggered, this,
                   [this] { RunGuarded([this] { FChannels->Redo(); }); });
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

void TForm1::FollowUndoStack() {
  const QUndoStack& stack = FChannels->UndoStack();
  QObject::connect(&stack, &QUndoStack::canUndoChanged, Undo1, &QAction::setEnabled);
  QObject::connect(&stack, &QUndoStack::canRedoChanged, Redo1, &QAction::setEnabled);
  QObject::connect(&stack, &QUndoStack::undoTextChanged, Undo1,
                   [this](const QString& step) { Undo1->setText(ItemText(kUndo, step)); });
  QObject::connect(&stack, &QUndoStack::redoTextChanged, Redo1,
                   [this](const QString& step) { Redo1->setText(ItemText(kRedo, step)); });
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
  preset::tMrv other = FChannels->Image(otherIndex);
  ShowComparison(other, ChannelItem(otherIndex));
}

}  // namespace morvane::editor
