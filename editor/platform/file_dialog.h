#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace morvane::editor {

// A file dialog as a component of the window: it keeps its settings and the last chosen file
// name between uses, and builds the toolkit's dialog only while it is shown.
class TFileDialog : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString FileName READ FileName WRITE setFileName)

 public:
  enum class Kind { Open, Save };

  TFileDialog(Kind kind, QObject* parent = nullptr);

  QString FileName() const { return FFileName; }
  void setFileName(const QString& name);
  // Patterns as "description|pattern" pairs separated by "|", "*.syx|*.syx".
  QString Filter() const { return FFilter; }
  void setFilter(const QString& filter) { FFilter = filter; }
  QString DefaultExt() const { return FDefaultExt; }
  void setDefaultExt(const QString& extension) { FDefaultExt = extension; }
  bool OverwritePrompt() const { return FOverwritePrompt; }
  void setOverwritePrompt(bool ask) { FOverwritePrompt = ask; }
  Kind DialogKind() const { return FKind; }

  // Shows the dialog over owner; true with FileName set when the user chose a file.
  bool Execute(QWidget* owner);

  // Answers Execute in place of the toolkit's dialog (tests script the user's choice): it is
  // given the dialog with the name it proposes, and returns the chosen name or none to cancel.
  using Answer = std::function<std::optional<QString>(const TFileDialog& dialog)>;
  void SetScriptedAnswer(Answer answer) { FScriptedAnswer = std::move(answer); }

 signals:
  // The last file name changed, by a choice in the dialog or by code.
  void FileNameChanged(const QString& name);

 private:
  QString NameFilters() const;

  Kind FKind;
  QString FFileName;
  QString FFilter;
  QString FDefaultExt;
  bool FOverwritePrompt = false;
  Answer FScriptedAnswer;
};

}  // namespace morvane::editor
