#include "number_text.h"

#include <limits>
#include <optional>

#include "control_errors.h"

namespace morvane::controls {

namespace {

constexpr QChar kHexMark = u'$';
// The C form of a hexadecimal number, "0x1F" or "0X1F".
constexpr QLatin1StringView kCHexPrefix("0x");
constexpr int kHexBase = 16;
constexpr int kDecimalBase = 10;
constexpr int kMinimumHexDigits = 2;

[[noreturn]] void ThrowNotInteger(const QString& text) {
  throw EConvertError("'" + text.toStdString() + "' is not a valid integer value");
}

std::optional<int> DigitValue(QChar c, int base) {
  int value = -1;
  if (c >= u'0' && c <= u'9') {
    value = c.unicode() - u'0';
  } else if (c >= u'a' && c <= u'f') {
    value = c.unicode() - u'a' + kDecimalBase;
  } else if (c >= u'A' && c <= u'F') {
    value = c.unicode() - u'A' + kDecimalBase;
  }
  if (value < 0 || value >= base) {
    return std::nullopt;
  }
  return value;
}

// Digits only, no sign or blanks; nullopt when empty, not digits of the base, or too large.
std::optional<long long> ParseDigits(QStringView digits, int base) {
  if (digits.isEmpty()) {
    return std::nullopt;
  }
  constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
  long long result = 0;
  for (QChar c : digits) {
    const auto digit = DigitValue(c, base);
    if (!digit) {
      return std::nullopt;
    }
    result = result * base + *digit;
    if (result > kLimit) {
      return std::nullopt;
    }
  }
  return result;
}

}  // namespace

int ParseHexSetting(const QString& text) {
  const QString marked = text.startsWith(kHexMark) ? text : kHexMark + text;
  const auto value = ParseDigits(QStringView(marked).mid(1), kHexBase);
  if (!value || *value > std::numeric_limits<int>::max()) {
    ThrowNotInteger(marked);
  }
  return static_cast<int>(*value);
}

QString FormatHexByte(int value) {
  return QString::number(value, kHexBase).toUpper().rightJustified(kMinimumHexDigits, u'0');
}

int ParseInteger(const QString& text) {
  QStringView rest = QStringView(text).trimmed();
  bool negative = false;
  if (!rest.isEmpty() && (rest.front() == u'-' || rest.front() == u'+')) {
    negative = rest.front() == u'-';
    rest = rest.mid(1);
  }
  int base = kDecimalBase;
  if (!rest.isEmpty() && rest.front() == kHexMark) {
    base = kHexBase;
    rest = rest.mid(1);
  } else if (rest.startsWith(kCHexPrefix, Qt::CaseInsensitive)) {
    base = kHexBase;
    rest = rest.mid(kCHexPrefix.size());
  }
  const auto magnitude = ParseDigits(rest, base);
  if (!magnitude) {
    ThrowNotInteger(text);
  }
  const long long value = negative ? -*magnitude : *magnitude;
  if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min()) {
    ThrowNotInteger(text);
  }
  return static_cast<int>(value);
}

}  // namespace morvane::controls
