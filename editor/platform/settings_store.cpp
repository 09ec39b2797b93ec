#include "settings_store.h"

#include <charconv>
#include <stdexcept>
#include <string>

namespace morvane::editor {

namespace {

QString Key(const char* name) {
  return QString::fromLatin1(TSettingsStore::kGroup) + u'/' + QString::fromLatin1(name);
}

}  // namespace

int DecimalOr(const QString& text, int fallback) {
  const std::string digits = text.toStdString();
  const char* first = digits.data();
  const char* last = first + digits.size();
  if (first != last && *first == '+') {
    ++first;  // from_chars takes a minus sign only
  }
  int value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc{} && end == last && first != last ? value : fallback;
}

TSettingsStore::TSettingsStore()
    : FSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kOrganisation),
                QString::fromLatin1(kApplication)) {}

bool TSettingsStore::Contains(const char* name) const {
  return FSettings.contains(Key(name));
}

int TSettingsStore::ReadInteger(const char* name, int fallback) const {
  if (!Contains(name)) {
    return fallback;
  }
  return DecimalOr(FSettings.value(Key(name)).toString(), fallback);
}

QString TSettingsStore::ReadText(const char* name) const {
  return FSettings.value(Key(name)).toString();
}

bool TSettingsStore::ReadFlag(const char* name, bool fallback) const {
  return ReadInteger(name, fallback ? 1 : 0) != 0;
}

void TSettingsStore::WriteInteger(const char* name, int value) {
  WriteText(name, QString::number(value));
}

void TSettingsStore::WriteText(const char* name, const QString& text) {
  FSettings.setValue(Key(name), text);
  FSettings.sync();
  if (FSettings.status() != QSettings::NoError) {
    throw std::runtime_error("Cannot write the settings file " +
                             FSettings.fileName().toStdString());
  }
}

void TSettingsStore::WriteFlag(const char* name, bool value) {
  WriteText(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace morvane::editor
