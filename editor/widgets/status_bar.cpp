#include "status_bar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace morvane::editor {

namespace {

// The margins that the toolkit's own status bar keeps around its message.
constexpr int kMessageLeft = 6;
constexpr int kMessageRightMargin = 12;
constexpr int kItemGap = 2;

const QString kHistoryTitle = QStringLiteral("Last messages (choose one to copy it)");
const QString kHistoryHint = QStringLiteral("Click for the last messages");
const QString kTimeFormat = QStringLiteral("HH:mm:ss");

// The bar draws a message on one line.
QString OneLine(QString text) {
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return text;
}

}  // namespace

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent), FHistoryMenu(new QMenu(this)) {
  FHistoryMenu->setObjectName(QStringLiteral("StatusHistory"));
  connect(this, &QStatusBar::messageChanged, this, &TStatusBar::TakeMessage);
  UpdateToolTip();
}

void TStatusBar::ShowPassing(const QString& text) {
  if (!FCovering) {
    FCovered = currentMessage();
    FCovering = true;
  }
  FPassing = true;
  showMessage(text.isEmpty() ? FCovered : text);
  FPassing = false;
  if (text.isEmpty()) {
    FCovering = false;
  }
}

void TStatusBar::ShowWithDetails(const QString& text, const QStringList& details) {
  for (auto detail = details.rbegin(); detail != details.rend(); ++detail) {
    Remember(*detail);
  }
  showMessage(text);
}

QStringList TStatusBar::History() const {
  QStringList texts;
  for (const TEntry& entry : FHistory) {
    texts << entry.text;
  }
  return texts;
}

void TStatusBar::TakeMessage(const QString& text) {
  if (!FPassing) {
    FCovering = false;
  }
  if (!FPassing) {
    Remember(text);
  }
  UpdateToolTip();
}

void TStatusBar::Remember(const QString& text) {
  if (!text.isEmpty() && (FHistory.empty() || FHistory.front().text != text)) {
    FHistory.push_front({QTime::currentTime(), text});
    if (FHistory.size() > kHistorySize) {
      FHistory.pop_back();
    }
  }
}

QRect TStatusBar::MessageRect() const {
  int right = width() - kMessageRightMargin;
  // While a message shows, only the widgets added to stay on the bar are visible.
  for (const QWidget* item : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!item->isWindow() && item->isVisible()) {
      right = std::min(right, item->x() - kItemGap);
    }
  }
  return {kMessageLeft, 0, std::max(0, right - kMessageLeft), height()};
}

QString TStatusBar::ShownText() const {
  return fontMetrics().elidedText(OneLine(currentMessage()), Qt::ElideRight, MessageRect().width());
}

void TStatusBar::UpdateToolTip() {
  const QString message = currentMessage();
  setToolTip(!message.isEmpty() && ShownText() != OneLine(message) ? message : kHistoryHint);
}

void TStatusBar::resizeEvent(QResizeEvent* event) {
  QStatusBar::resizeEvent(event);
  UpdateToolTip();
}

// As the toolkit draws the bar, with the message cut to its room.
void TStatusBar::paintEvent(QPaintEvent* event) {
  if (currentMessage().isEmpty()) {
    QStatusBar::paintEvent(event);
    return;
  }
  QPainter painter(this);
  QStyleOption bar;
  bar.initFrom(this);
  style()->drawPrimitive(QStyle::PE_PanelStatusBar, &bar, &painter, this);
  for (QWidget* item : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!item->isWindow() && item->isVisible()) {
      QStyleOption frame(0);
      frame.rect = item->geometry().adjusted(-1, -1, 1, 1);
      frame.palette = palette();
      frame.state = QStyle::State_None;
      style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &frame, &painter, item);
    }
  }
  painter.setPen(palette().windowText().color());
  painter.drawText(MessageRect(), Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine,
                   ShownText());
}

void TStatusBar::FillHistoryMenu() {
  FHistoryMenu->clear();
  FHistoryMenu->addSection(kHistoryTitle);
  for (const TEntry& entry : FHistory) {
    const QString text = entry.text;
    QAction* item = FHistoryMenu->addAction(entry.time.toString(kTimeFormat) +
                                            QStringLiteral("  ") + OneLine(text));
    connect(item, &QAction::triggered, this, [text] { QApplication::clipboard()->setText(text); });
  }
}

void TStatusBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || FHistory.empty()) {
    QStatusBar::mousePressEvent(event);
    return;
  }
  FillHistoryMenu();
  // Above the bar, which lies at the foot of the window.
  FHistoryMenu->popup(mapToGlobal(QPoint(0, -FHistoryMenu->sizeHint().height())));
  event->accept();
}

}  // namespace morvane::editor
