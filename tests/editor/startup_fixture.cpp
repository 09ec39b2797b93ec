#include "startup_fixture.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

#include "editor_application.h"

namespace morvane::editor::testing {

void StartupTest::SetUp() {
  ASSERT_TRUE(settingsFolder.isValid());
  ASSERT_TRUE(dataFolder.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
  for (const char* name : {"init.syx", "instr.txt", "parms.txt"}) {
    ASSERT_TRUE(QFile::copy(QDir(QStringLiteral(MORVANE_DATA_DIR)).filePath(QLatin1String(name)),
                            DataFile(name)));
  }
  TEditorApplication::Instance()->SetErrorReporter([this](const QString& text) { errors << text; });
}

void StartupTest::TearDown() {
  ShutDown();
  TEditorApplication::Instance()->SetErrorReporter({});
}

void StartupTest::Start(const Names& outputs, const Names& inputs) {
  ShutDown();
  driver = std::make_unique<midi::ScriptedDriver>(outputs, inputs);
  driver->SetAutoComplete(true);
  if (prepareDriver) {
    prepareDriver(*driver);
  }
  form = std::make_unique<TForm1>(&prompt, *driver, dataFolder.path());
  // Away from the window, so that no hint under the pointer replaces the status text.
  QCursor::setPos(QPoint(0, 0));
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
}

void StartupTest::ShutDown() {
  form.reset();
  driver.reset();
}

QString StartupTest::DataFile(const char* name) const {
  return QDir::toNativeSeparators(dataFolder.filePath(QLatin1String(name)));
}

void StartupTest::WriteDataFile(const char* name, const QByteArray& bytes) {
  QFile file(DataFile(name));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QString StartupTest::Stored(const char* name) const {
  const QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "keltano", "mrveditor");
  return raw.value(QStringLiteral("setup/") + QLatin1String(name)).toString();
}

void StartupTest::Store(const char* name, const QString& text) {
  QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "keltano", "mrveditor");
  raw.setValue(QStringLiteral("setup/") + QLatin1String(name), text);
}

}  // namespace morvane::editor::testing
