#pragma once

#include <QSettings>
#include <QString>

namespace morvane::editor {

// The editor's few remembered values: the group "setup" of the per-user settings of
// organisation "keltano", application "mrveditor" (on Windows the registry key
// HKEY_CURRENT_USER\Software\keltano\mrveditor). Every value is stored as text; numbers as
// decimal text, and a text that is not a decimal number reads as the default.
class TSettingsStore {
 public:
  static constexpr const char* kOrganisation = "keltano";
  static constexpr const char* kApplication = "mrveditor";
  static constexpr const char* kGroup = "setup";

  static constexpr const char* kOut = "out";
  static constexpr const char* kIn = "in";
  static constexpr const char* kOutName = "outname";
  static constexpr const char* kInName = "inname";
  static constexpr const char* kOpen = "open";
  static constexpr const char* kSave = "save";
  static constexpr const char* kHint = "hint";
  static constexpr const char* kZoom = "zoom";

  // How long a requested dump may keep silent before the status bar says so, in ms: before
  // its first byte, and between bytes once it has begun.
  static constexpr const char* kNoAnswerMs = "noanswerms";
  static constexpr const char* kStallMs = "stallms";
  static constexpr int kDefaultNoAnswerMs = 2000;
  static constexpr int kDefaultStallMs = 2000;

  TSettingsStore();

  bool Contains(const char* name) const;
  int ReadInteger(const char* name, int fallback) const;
  QString ReadText(const char* name) const;
  // "1" or "0" as written; any other decimal number counts as true unless it is 0.
  bool ReadFlag(const char* name, bool fallback) const;

  // Written through at once, so that a crash loses nothing already chosen. Throws
  // std::runtime_error when the settings cannot be written.
  void WriteInteger(const char* name, int value);
  void WriteText(const char* name, const QString& text);
  void WriteFlag(const char* name, bool value);

 private:
  QSettings FSettings;
};

// The decimal number the whole text spells (an optional sign, then digits), or fallback.
int DecimalOr(const QString& text, int fallback);

}  // namespace morvane::editor
