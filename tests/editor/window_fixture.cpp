#include "window_fixture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include "editor_application.h"
#include "file_dialog.h"
#include "midi/backends/virtual/virtual_backend.h"

namespace morvane::editor::testing {

namespace {

midi::MidiDriver& Simulator() {
  static midi::VirtualBackend backend;
  return backend;
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons,
                    modifiers);
  QApplication::sendEvent(target, &event);
}

}  // namespace

void WindowTest::SetUp() {
  ASSERT_TRUE(settingsFolder.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
  TEditorApplication::Instance()->SetErrorReporter([this](const QString& text) { errors << text; });
  form = std::make_unique<TForm1>(&prompt, Simulator());
  for (TFileDialog* dialog : {form->OpenDialog1, form->SaveDialog1}) {
    dialog->SetScriptedAnswer([](const TFileDialog&) { return std::optional<QString>(); });
  }
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
}

void WindowTest::TearDown() {
  form.reset();
  TEditorApplication::Instance()->SetErrorReporter({});
}

QImage WindowTest::ShowPage(QWidget* page) {
  form->PageControl1->setCurrentWidget(page);
  QApplication::processEvents();
  return form->grab().toImage();
}

QString MarkedCaption(const std::string& name) {
  const QString caption = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  qsizetype end = caption.size();
  while (end > 0 && caption.at(end - 1) == u' ') {
    --end;
  }
  return caption.left(end) + QStringLiteral("[*]") + caption.mid(end);
}

void Press(QWidget* target, QPoint local, Qt::KeyboardModifiers modifiers) {
  SendMouse(target, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton, modifiers);
}

void Move(QWidget* target, QPoint local) {
  SendMouse(target, QEvent::MouseMove, local, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
}

void Release(QWidget* target, QPoint local, Qt::KeyboardModifiers modifiers) {
  SendMouse(target, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton, modifiers);
}

void DragTo(QWidget* target, int x) {
  const QPoint point(x, target->height() / 2);
  Press(target, point);
  Move(target, point);
  Release(target, point);
}

}  // namespace morvane::editor::testing
