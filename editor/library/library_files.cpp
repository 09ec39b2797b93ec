#include "library_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

#include "data_files.h"
#include "preset/bank_file.h"
#include "preset/dump_layout.h"
#include "preset/preset_errors.h"
#include "preset/preset_file.h"

namespace morvane::editor {

namespace {

const QString kLibraryFolderName = QStringLiteral("Morvane Presets");
const QString kPresetSuffix = QStringLiteral(".syx");
const QString kUntitled = QStringLiteral("Untitled");
const QString kForbiddenCharacters = QStringLiteral("<>:\"/\\|?*");
constexpr QChar kReplacement = u'-';
constexpr QChar kCategoryMark = u':';
constexpr qsizetype kMostCategoryChars = 3;
constexpr QChar kFirstPrintable = u' ';
// Far more than anyone keeps of one name; past it something else is wrong.
constexpr int kMostNumberedCopies = 10000;
const QString kReferenceSeparator = QStringLiteral("\n");

}  // namespace

void SetLibraryKeys(TLibraryEntry& entry) {
  entry.nameKey = entry.name.toLower();
  entry.categoryKey = entry.category.toLower();
  entry.fileKey = entry.shownPath.toLower();
}

QByteArray EncodeLibraryReference(const TLibraryReference& reference) {
  return FileNameBytes(reference.file + kReferenceSeparator +
                       QString::number(reference.bankPosition));
}

std::optional<TLibraryReference> DecodeLibraryReference(const QByteArray& bytes) {
  const QString text = FileNameFromBytes(bytes);
  const qsizetype separator = text.lastIndexOf(kReferenceSeparator);
  if (separator <= 0) {
    return std::nullopt;
  }
  bool isNumber = false;
  const int position = text.mid(separator + 1).toInt(&isNumber);
  if (!isNumber || position < 0 || position > preset::kBankPresetCount) {
    return std::nullopt;
  }
  return TLibraryReference{text.left(separator), position};
}

QString DefaultLibraryFolder() {
  QString parent = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  if (parent.isEmpty()) {
    parent = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  }
  return QDir(parent).filePath(kLibraryFolderName);
}

void MakeLibraryFolder(const QString& folder) {
  if (!QDir().mkpath(folder)) {
    throw preset::PresetError("Cannot create folder " +
                              QDir::toNativeSeparators(folder).toStdString());
  }
}

QString FileNameForPreset(const QString& presetName) {
  QString name = presetName.trimmed();
  const qsizetype mark = name.indexOf(kCategoryMark);
  if (mark >= 0 && mark <= kMostCategoryChars && mark + 1 < name.size()) {
    name = name.mid(mark + 1);
  }
  for (QChar& c : name) {
    if (c < kFirstPrintable || kForbiddenCharacters.contains(c)) {
      c = kReplacement;
    }
  }
  name = name.trimmed();
  // Windows drops dots at the end of a file name.
  while (name.endsWith(u'.')) {
    name.chop(1);
  }
  return name.isEmpty() ? kUntitled : name;
}

QString WriteNewLibraryFile(const QString& folder, const QString& baseName,
                            const TFileWriter& write) {
  const QDir dir(folder);
  const QString firstChoice = dir.filePath(baseName + kPresetSuffix);
  // A hidden name without the preset suffix: nobody lists the file before it is whole.
  const QString temporary = dir.filePath(
      QStringLiteral(".morvane-%1.part").arg(QUuid::createUuid().toString(QUuid::Id128)));
  write(LocalFileName(temporary));
  for (int copy = 1; copy <= kMostNumberedCopies; ++copy) {
    const QString target =
        copy == 1
            ? firstChoice
            : dir.filePath(QStringLiteral("%1 (%2)%3").arg(baseName).arg(copy).arg(kPresetSuffix));
    // Renaming never replaces a file that is there.
    if (!QFileInfo::exists(target) && QFile::rename(temporary, target)) {
      return target;
    }
  }
  QFile::remove(temporary);
  throw preset::FileCreateError(QDir::toNativeSeparators(firstChoice).toStdString());
}

QString BackupBaseName(const QDateTime& time) {
  return QStringLiteral("Module backup ") + time.toString(QStringLiteral("yyyy-MM-dd HH-mm"));
}

preset::Bytes ReadLibraryDump(const TLibraryReference& reference) {
  const std::string path = LocalFileName(reference.file);
  preset::Bytes bytes = preset::ReadWholeFile(path);
  if (reference.bankPosition == 0) {
    preset::CheckPresetBytes(bytes, path);
    return bytes;
  }
  // The whole bank is checked, as Load Bank would, before one of its dumps is taken.
  preset::ReadBank(bytes, path);
  const auto first =
      bytes.begin() + static_cast<std::ptrdiff_t>((reference.bankPosition - 1) * preset::kDumpSize);
  return preset::Bytes(first, first + static_cast<std::ptrdiff_t>(preset::kDumpSize));
}

preset::tMrv ReadLibraryPreset(const TLibraryReference& reference) {
  preset::tMrv image;
  image.LoadPresetFromBytes(ReadLibraryDump(reference));
  return image;
}

QString LibrarySourceName(const TLibraryReference& reference) {
  return reference.bankPosition == 0 ? reference.file
                                     : QStringLiteral("%1 (preset %2 of the bank)")
                                           .arg(reference.file)
                                           .arg(reference.bankPosition);
}

}  // namespace morvane::editor
