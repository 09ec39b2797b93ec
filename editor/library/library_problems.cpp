#include "library_problems.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace morvane::editor {

namespace {

constexpr int kInitialWidth = 560;
constexpr int kInitialHeight = 260;

}  // namespace

TLibraryProblems::TLibraryProblems(const QString& folder, const TLibrarySummary& summary,
                                   QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("libraryproblems"));
  setWindowTitle(QStringLiteral("Files that are not presets"));
  setAttribute(Qt::WA_DeleteOnClose);
  FList = new QPlainTextEdit(this);
  FList->setObjectName(QStringLiteral("libraryproblemlist"));
  FList->setReadOnly(true);
  FList->setLineWrapMode(QPlainTextEdit::NoWrap);
  FList->setPlainText(Lines(folder, summary).join(u'\n'));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FList, 1);
  layout->addWidget(buttons);
  resize(kInitialWidth, kInitialHeight);
}

QStringList TLibraryProblems::Lines(const QString& folder, const TLibrarySummary& summary) {
  const QDir root(folder);
  QStringList lines;
  for (const TNotPresetFile& file : summary.notPresets) {
    lines << QStringLiteral("%1: %2").arg(
        QDir::toNativeSeparators(root.relativeFilePath(file.file)), file.reason);
  }
  return lines + summary.errors;
}

}  // namespace morvane::editor
