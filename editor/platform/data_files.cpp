#include "data_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include "preset/file_io.h"

namespace morvane::editor {

namespace {

// Where an installed program finds its data files, seen from the program's folder: the install
// layout's data folder relative to its program folder, given by the build.
constexpr const char* kInstalledDataFolder = MORVANE_INSTALLED_DATA_FOLDER;

// The instrument list: far more than any module has names for.
constexpr preset::FileSizeLimit kTextFileLimit{1 << 20, "an instrument list"};

}  // namespace

QString DefaultProgramDirectory() {
  return QCoreApplication::applicationDirPath();
}

QString DataFilePath(const QString& programDirectory, const char* name) {
  const QDir folder(programDirectory);
  const QString beside = folder.absoluteFilePath(QString::fromLatin1(name));
  const QString installed = QDir::cleanPath(
      folder.absoluteFilePath(QString::fromLatin1(kInstalledDataFolder) + u'/' + name));
  const QString chosen = !QFileInfo::exists(beside) && QFileInfo::exists(installed)
                             ? installed
                             : QDir::cleanPath(beside);
  return QDir::toNativeSeparators(chosen);
}

QStringList ReadTextLines(const QString& path) {
  const preset::Bytes bytes = preset::ReadWholeFile(LocalFileName(path), kTextFileLimit);
  const QByteArrayView raw(reinterpret_cast<const char*>(bytes.data()),
                           static_cast<qsizetype>(bytes.size()));
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(raw);
  if (utf8.hasError()) {
    text = QString::fromLatin1(raw);
  }
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QStringList lines = text.split(u'\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) {
    lines.removeLast();
  }
  return lines;
}

}  // namespace morvane::editor
