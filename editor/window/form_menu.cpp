#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "file_dialog.h"
#include "handler_guard.h"
#include "tform1.h"

namespace morvane::editor {

namespace {

const QString kSyxFilter = QStringLiteral("*.syx|*.syx");
const QString kSyxExtension = QStringLiteral("syx");

QAction* MakeAction(QObject* owner, const QString& name, const QString& caption,
                    const QKeySequence& shortcut, const QString& hint) {
  auto* action = new QAction(caption, owner);
  action->setObjectName(name);
  action->setShortcut(shortcut);
  action->setStatusTip(hint);
  return action;
}

// The platform's quit keys; where it has none (Windows), the ones most editors take.
QKeySequence QuitShortcut() {
  const QList<QKeySequence> platform = QKeySequence::keyBindings(QKeySequence::Quit);
  return platform.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Q) : platform.front();
}

}  // namespace

void TForm1::BuildMenu() {
  MainMenu1 = menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

  File1 = MainMenu1->addMenu(QStringLiteral("File"));
  File1->setObjectName(QStringLiteral("File1"));
  ConnectGuarded(File1, &QMenu::aboutToShow, this, &TForm1::channelClick);

  Initialize1 = MakeAction(this, QStringLiteral("Initialize1"), QStringLiteral("Initialize"),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12),
                           QStringLiteral("Reset preset data"));
  ConnectGuarded(Initialize1, &QAction::triggered, this, &TForm1::Initialize1Click);
  RequestPatchonCurrentChannel1 = MakeAction(
      this, QStringLiteral("RequestPatchonCurrentChannel1"),
      QStringLiteral("Request Patch on Current Channel.."), QKeySequence(Qt::CTRL | Qt::Key_F9),
      QStringLiteral("Get the current preset data showing on the Mrv"));
  ConnectGuarded(RequestPatchonCurrentChannel1, &QAction::triggered, this,
                 &TForm1::RequestPatchonCurrentChannel1Click);
  SendCurrentChannel1 =
      MakeAction(this, QStringLiteral("SendCurrentChannel1"),
                 QStringLiteral("Send Current Channel.."), QKeySequence(Qt::CTRL | Qt::Key_F10),
                 QStringLiteral("send the current preset data of the editor to the Mrv"));
  ConnectGuarded(SendCurrentChannel1, &QAction::triggered, this, &TForm1::SendCurrentChannel1Click);
  N1 = new QAction(this);
  N1->setObjectName(QStringLiteral("N1"));
  N1->setSeparator(true);
  Loadoncurrentchannel1 = MakeAction(
      this, QStringLiteral("Loadoncurrentchannel1"), QStringLiteral("Load Current channel.."),
      QKeySequence(Qt::CTRL | Qt::Key_O), QStringLiteral("Load a preset .syx file"));
  ConnectGuarded(Loadoncurrentchannel1, &QAction::triggered, this,
                 &TForm1::Loadoncurrentchannel1Click);
  SaveCurrentChannel1 =
      MakeAction(this, QStringLiteral("SaveCurrentChannel1"),
                 QStringLiteral("Save Current Channel.."), QKeySequence(Qt::CTRL | Qt::Key_S),
                 QStringLiteral("Save current preset data on the editor to a .syx file"));
  ConnectGuarded(SaveCurrentChannel1, &QAction::triggered, this, &TForm1::SaveCurrentChannel1Click);
  File1->addActions({Initialize1, RequestPatchonCurrentChannel1, SendCurrentChannel1, N1,
                     Loadoncurrentchannel1, SaveCurrentChannel1});
  BuildEditMenu();

  N2 = new QAction(this);
  N2->setObjectName(QStringLiteral("N2"));
  N2->setSeparator(true);
  RequestAllPresets1 = MakeAction(
      this, QStringLiteral("RequestAllPresets1"), QStringLiteral("Request All Presets.."),
      QKeySequence(), QStringLiteral("Get the module's 16 user presets into channels 1 to 16"));
  ConnectGuarded(RequestAllPresets1, &QAction::triggered, this, &TForm1::RequestAllPresets1Click);
  SendAllPresets1 = MakeAction(
      this, QStringLiteral("SendAllPresets1"), QStringLiteral("Send All Presets.."), QKeySequence(),
      QStringLiteral("Send channels 1 to 16 to the module's 16 user presets"));
  ConnectGuarded(SendAllPresets1, &QAction::triggered, this, &TForm1::SendAllPresets1Click);
  LoadBank1 =
      MakeAction(this, QStringLiteral("LoadBank1"), QStringLiteral("Load Bank.."), QKeySequence(),
                 QStringLiteral("Load a bank .syx file of 16 presets into all channels"));
  ConnectGuarded(LoadBank1, &QAction::triggered, this, &TForm1::LoadBank1Click);
  SaveBank1 =
      MakeAction(this, QStringLiteral("SaveBank1"), QStringLiteral("Save Bank.."), QKeySequence(),
                 QStringLiteral("Save all 16 channels to a bank .syx file"));
  ConnectGuarded(SaveBank1, &QAction::triggered, this, &TForm1::SaveBank1Click);
  File1->addActions({N2, RequestAllPresets1, SendAllPresets1, LoadBank1, SaveBank1});

  BuildViewMenu();
  Library1 = MakeAction(this, QStringLiteral("Library1"), QStringLiteral("Library"),
                        QKeySequence(Qt::CTRL | Qt::Key_L),
                        QStringLiteral("List every preset in the library folder"));
  View1->addAction(Library1);
  AddToLibrary1 = MakeAction(
      this, QStringLiteral("AddToLibrary1"), QStringLiteral("Add to Library"),
      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L),
      QStringLiteral("Save the current channel's preset into the library folder under its name"));
  File1->addSeparator();
  File1->addAction(AddToLibrary1);
  InitializeAllChannels1 = MakeAction(
      this, QStringLiteral("InitializeAllChannels1"), QStringLiteral("Initialize All Channels"),
      QKeySequence(), QStringLiteral("Start afresh: the initial preset on all 16 channels"));
  ConnectGuarded(InitializeAllChannels1, &QAction::triggered, this,
                 &TForm1::InitializeAllChannels1Click);
  KeepChannels1 = MakeAction(this, QStringLiteral("KeepChannels1"),
                             QStringLiteral("Keep the channels between sessions"), QKeySequence(),
                             QStringLiteral("Bring back all 16 channels, and the channel, layer "
                                            "and page shown, at the next start"));
  KeepChannels1->setCheckable(true);
  File1->addActions({InitializeAllChannels1, KeepChannels1});
  Quit1 = MakeAction(this, QStringLiteral("Quit1"), QStringLiteral("Quit"), QuitShortcut(),
                     QStringLiteral("Close the editor, as closing its window does"));
  Quit1->setMenuRole(QAction::QuitRole);
  // Through the window's own close, so that quitting asks and keeps what closing does.
  connect(Quit1, &QAction::triggered, this, &QWidget::close);
  File1->addSeparator();
  File1->addAction(Quit1);

  Panic1 = MakeAction(this, QStringLiteral("Panic1"), QStringLiteral("Panic"),
                      QKeySequence(Qt::ALT | Qt::Key_Backspace), QString());
  ConnectGuarded(Panic1, &QAction::triggered, this, &TForm1::Panic1Click);
  Debug1 = MakeAction(this, QStringLiteral("Debug1"), QStringLiteral("Debug"), QKeySequence(),
                      QString());
  Debug1->setVisible(false);
  ConnectGuarded(Debug1, &QAction::triggered, this, &TForm1::Debug1Click);
  About1 = MakeAction(this, QStringLiteral("About1"), QStringLiteral("&About"), QKeySequence(),
                      QString());
  ConnectGuarded(About1, &QAction::triggered, this, &TForm1::About1Click);
  MainMenu1->addActions({Panic1, Debug1, About1});
}

void TForm1::BuildDialogs() {
  OpenDialog1 = new TFileDialog(TFileDialog::Kind::Open, this);
  OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
  OpenDialog1->setFilter(kSyxFilter);
  OpenDialog1->setDefaultExt(kSyxExtension);
  SaveDialog1 = new TFileDialog(TFileDialog::Kind::Save, this);
  SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
  SaveDialog1->setFilter(kSyxFilter);
  SaveDialog1->setDefaultExt(kSyxExtension);
  SaveDialog1->setOverwritePrompt(true);
}

}  // namespace morvane::editor
