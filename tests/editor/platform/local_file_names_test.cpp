#include <gtest/gtest.h>

#include <QByteArray>
#include <QUrl>
#include <array>

#include "local_file_names.h"

namespace morvane::editor::testing {
namespace {

// A file name's bytes come back from the text as they were, whatever encoding made them, and
// UTF-8 reads as the text it is.
TEST(LocalFileNamesTest, EveryNameKeepsItsBytes) {
  const struct {
    const char* what;
    QByteArray bytes;
    bool isUtf8;
  } rows[] = {
      {"plain", "/tmp/warm.syx", true},
      {"UTF-8 of two bytes", "caf\xC3\xA9.syx", true},
      {"UTF-8 of three bytes", "\xE2\x82\xAC.syx", true},
      {"UTF-8 of four bytes", "\xF0\x9F\x8E\xB9.syx", true},
      {"the last code point", "\xF4\x8F\xBF\xBF", true},
      {"Latin-1", "caf\xE9.syx", false},
      {"Latin-1 at the end", "caf\xE9", false},
      {"a lone continuation byte", "a\x80z", false},
      {"0xFF", "\xFF\xFE", false},
      {"an overlong slash", "a\xC0\xAFz", false},
      {"an overlong of three bytes", "\xE0\x80\xAF", false},
      {"a surrogate in UTF-8", "\xED\xA0\x80", false},
      {"beyond the last code point", "\xF4\x90\x80\x80", false},
      {"a sequence cut short", "\xE2\x82", false},
      {"a sequence cut by a plain byte", "\xE2\x82z", false},
      {"a lead byte then UTF-8", "\xC3\xC3\xA9", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const QString name = FileNameFromBytes(row.bytes);
    EXPECT_EQ(FileNameBytes(name), row.bytes);
#ifndef _WIN32
    EXPECT_EQ(LocalFileName(name), row.bytes.toStdString());
#endif
    if (row.isUtf8) {
      EXPECT_EQ(name, QString::fromUtf8(row.bytes));
    } else {
      EXPECT_NE(name, QString::fromUtf8(row.bytes));
    }
  }
  // A byte that is no UTF-8 stands in the text as one character of its own.
  EXPECT_EQ(FileNameFromBytes("caf\xE9.syx").size(), 8);
  EXPECT_EQ(FileNameFromBytes("caf\xE9.syx").left(3), "caf");
}

// Windows hands file names over as text: only elsewhere are they bytes.
#ifndef _WIN32
TEST(LocalFileNamesTest, ADroppedUrlAndTheArgumentsKeepTheirBytes) {
  EXPECT_EQ(FileNameBytes(LocalFileOfUrl(QUrl(QStringLiteral("file:///tmp/caf%E9.syx")))),
            QByteArray("/tmp/caf\xE9.syx"));
  EXPECT_EQ(LocalFileOfUrl(QUrl(QStringLiteral("file:///tmp/caf%C3%A9%20pad.syx"))),
            QStringLiteral("/tmp/caf\u00E9 pad.syx"));
  EXPECT_EQ(LocalFileOfUrl(QUrl(QStringLiteral("https://example.org/a.syx"))), QString());
  std::array<char, 16> program{"morvane-editor"};
  std::array<char, 16> file{"/tmp/caf\xE9.syx"};
  std::array<char*, 2> argv{program.data(), file.data()};
  const QStringList arguments = LocalArguments(static_cast<int>(argv.size()), argv.data());
  ASSERT_EQ(arguments.size(), 2);
  EXPECT_EQ(arguments[0], "morvane-editor");
  EXPECT_EQ(FileNameBytes(arguments[1]), QByteArray("/tmp/caf\xE9.syx"));
}
#endif

}  // namespace
}  // namespace morvane::editor::testing
