#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <string>

namespace morvane::editor {

// A file name's bytes as text, without loss: the name's UTF-8 is read as such, and each byte
// that is no part of valid UTF-8 (a name made under another encoding, "caf\xE9.syx") becomes a
// lone surrogate U+DC80..U+DCFF, which FileNameBytes turns back into that byte. So a name that
// is not UTF-8 is shown with a stand-in character and still opens.
QString FileNameFromBytes(QByteArrayView bytes);
QByteArray FileNameBytes(const QString& name);

// A file name as the standard library's file functions take it.
std::string LocalFileName(const QString& path);

// The local file a dropped URL names, its bytes kept; empty for a URL that names none.
QString LocalFileOfUrl(const QUrl& url);

// The program's arguments as given, file names kept as FileNameFromBytes reads them (Windows
// hands them over as text already). argv as left by the application object.
QStringList LocalArguments(int argc, char** argv);

}  // namespace morvane::editor
