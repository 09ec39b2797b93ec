#include "file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace morvane::editor {

namespace {
constexpr QChar kFilterSeparator = u'|';
}

TFileDialog::TFileDialog(Kind kind, QObject* parent) : QObject(parent), FKind(kind) {}

void TFileDialog::setFileName(const QString& name) {
  if (name == FFileName) {
    return;
  }
  FFileName = name;
  emit FileNameChanged(FFileName);
}

QString TFileDialog::NameFilters() const {
  const QStringList parts = FFilter.split(kFilterSeparator);
  QStringList filters;
  for (qsizetype index = 0; index + 1 < parts.size(); index += 2) {
    filters << parts.at(index) + QStringLiteral(" (") + parts.at(index + 1) + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

bool TFileDialog::Execute(QWidget* owner) {
  if (FScriptedAnswer) {
    const std::optional<QString> chosen = FScriptedAnswer(*this);
    if (!chosen) {
      return false;
    }
    setFileName(*chosen);
    return true;
  }
  QFileDialog dialog(owner);
  dialog.setNameFilter(NameFilters());
  dialog.setDefaultSuffix(FDefaultExt);
  if (FKind == Kind::Save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !FOverwritePrompt);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (!FFileName.isEmpty()) {
    const QFileInfo last(FFileName);
    dialog.setDirectory(last.absolutePath());
    dialog.selectFile(last.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return false;
  }
  setFileName(dialog.selectedFiles().constFirst());
  return true;
}

}  // namespace morvane::editor
