#pragma once

#include <QString>

namespace morvane::controls {

// Reads a byte setting such as "$0B", "0b" or "1ff": a "$" is put in front when missing and
// the rest must be hexadecimal digits. Throws EConvertError naming the offending text.
int ParseHexSetting(const QString& text);

// Upper-case hexadecimal with at least two digits and no "$": 11 gives "0B", 300 gives "12C".
QString FormatHexByte(int value);

// Reads an integer the way the control settings write them: optional blanks around, an
// optional sign, then decimal digits, or "$" or "0x" and hexadecimal digits. Throws
// EConvertError.
int ParseInteger(const QString& text);

}  // namespace morvane::controls
