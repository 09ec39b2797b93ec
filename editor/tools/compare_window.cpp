#include "compare_window.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "channel_owner.h"
#include "parammap/preset_view.h"
#include "tform1.h"
#include "tmrvbox.h"

namespace morvane::editor {

namespace {

constexpr int kWindowWidth = 520;
constexpr int kWindowHeight = 400;
const QString kSameText = QStringLiteral("The presets are the same");

}  // namespace

TCompareWindow::TCompareWindow(QWidget* parent, const QString& title, const QString& text)
    : QDialog(parent), FText(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("CompareWindow"));
  setWindowTitle(title);
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  FText->setObjectName(QStringLiteral("differences"));
  FText->setReadOnly(true);
  FText->setLineWrapMode(QPlainTextEdit::NoWrap);
  FText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  FText->setPlainText(text);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FText);
  resize(kWindowWidth, kWindowHeight);
}

void TForm1::ShowComparison(preset::tMrv& other, const QString& otherName) {
  std::vector<std::string> instruments;
  instruments.reserve(static_cast<std::size_t>(instr->count()));
  for (int item = 0; item < instr->count(); ++item) {
    instruments.push_back(instr->itemText(item).toStdString());
  }
  const int channelIndex = CurrentChannelIndex();
  preset::tMrv current = FChannels->Image(channelIndex);
  const std::vector<std::string> lines = parammap::PresetDifferences(current, other, instruments);
  QString text;
  for (const std::string& line : lines) {
    text += QString::fromStdString(line) + u'\n';
  }
  const QString title =
      QStringLiteral("Channel %1 compared with %2").arg(channelIndex + 1).arg(otherName);
  auto* window = new TCompareWindow(this, title, lines.empty() ? kSameText : text);
  window->show();
}

}  // namespace morvane::editor
