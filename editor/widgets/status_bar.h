#pragma once

#include <QDateTime>
#include <QStatusBar>
#include <QString>
#include <QStringList>
#include <deque>

class QMenu;

namespace morvane::editor {

// A status bar that never cuts a message off unseen: a message too long for the bar ends in
// "…" and its whole text is the bar's tool tip. The last messages are kept, and a click on the
// bar lists them (choosing one copies it). Passing texts, such as the hint under the pointer or
// the note just played, are shown but not kept: they cover the last message, and an empty
// passing text (the pointer left the control) shows it again.
class TStatusBar : public QStatusBar {
  Q_OBJECT

 public:
  static constexpr int kHistorySize = 20;

  explicit TStatusBar(QWidget* parent = nullptr);

  void ShowPassing(const QString& text);
  // Shows text, with details kept in the history below it and not shown: a click on the bar
  // lists them, text first, then the details in their order.
  void ShowWithDetails(const QString& text, const QStringList& details);
  // The kept messages, newest first.
  QStringList History() const;
  // The message as the bar draws it, cut to the room it has.
  QString ShownText() const;
  // The list of the last messages; a click on the bar opens it.
  QMenu* HistoryMenu() const { return FHistoryMenu; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct TEntry {
    QTime time;
    QString text;
  };

  void TakeMessage(const QString& text);
  void Remember(const QString& text);
  void FillHistoryMenu();
  void UpdateToolTip();
  // Where the message is drawn: left of the widgets that stay on the bar.
  QRect MessageRect() const;

  bool FPassing = false;
  // Whether passing texts cover a message, and that message.
  bool FCovering = false;
  QString FCovered;
  std::deque<TEntry> FHistory;
  QMenu* FHistoryMenu;
};

}  // namespace morvane::editor
