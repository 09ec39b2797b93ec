#include "window_fixture.h"

#include <QApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

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
  // Away from the window, so that no hint under the pointer covers the status text.
  QCursor::setPos(QPoint(0, 0));
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

bool DragOver(TForm1& form, const QList<QUrl>& urls, bool dropping, Qt::DropActions actions,
              const std::function<void()>& betweenDropAndLoad) {
  QMimeData data;
  data.setUrls(urls);
  QWindow* window = form.windowHandle();
  const QPoint point = form.PageControl1->mapTo(&form, form.PageControl1->rect().center());
  QDragEnterEvent enter(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &enter);
  if (!enter.isAccepted()) {
    return false;
  }
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  if (!dropping) {
    return true;
  }
  QDropEvent drop(QPointF(point), actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &drop);
  if (betweenDropAndLoad) {
    betweenDropAndLoad();
  }
  QApplication::processEvents();
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
  return drop.isAccepted();
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

void Wheel(QWidget* target, int angle, Qt::KeyboardModifiers modifiers,
           Qt::Orientation orientation) {
  const QPointF middle(target->width() / 2.0, target->height() / 2.0);
  const QPoint delta = orientation == Qt::Vertical ? QPoint(0, angle) : QPoint(angle, 0);
  QWheelEvent event(middle, target->mapToGlobal(middle), QPoint(), delta, Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &event);
}

// QTest's own typing takes ASCII only; a key of Latin-1 carries its letter's code, as Qt gives it.
void TypeText(QWidget* target, const QString& text) {
  constexpr char16_t kLastLatin1 = 0xFF;
  for (const QChar character : text) {
    const char16_t upper = character.toUpper().unicode();
    const auto key = upper <= kLastLatin1 ? static_cast<Qt::Key>(upper) : Qt::Key_unknown;
    QTest::sendKeyEvent(QTest::Click, target, key, QString(character), Qt::NoModifier);
  }
}

void DragTo(QWidget* target, int x) {
  const QPoint point(x, target->height() / 2);
  Press(target, point - QPoint(1, 0));
  Move(target, point);
  Release(target, point);
}

}  // namespace morvane::editor::testing
