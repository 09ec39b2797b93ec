#pragma once

#include <QString>
#include <exception>

namespace morvane::editor {

// Shows an error through the application's error reporter; without the editor's application
// object (a library user) the text goes to the platform's error output.
void ReportStartupError(const QString& text) noexcept;

// Runs one step of the window's start-up or shut-down. An error is shown and ends only this
// step: the window opens, or closes, with what the other steps could do.
template <typename Step>
void RunStep(Step&& step) noexcept {
  try {
    step();
  } catch (const std::exception& error) {
    ReportStartupError(QString::fromUtf8(error.what()));
  } catch (...) {
    ReportStartupError(QStringLiteral("An unknown error occurred"));
  }
}

}  // namespace morvane::editor
