#include "local_file_names.h"

#include <QCoreApplication>
#include <QFile>
#include <array>
#include <cstdint>
#include <span>

namespace morvane::editor {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;
constexpr std::uint8_t kContinuationMask = 0xC0;
constexpr std::uint8_t kContinuationTag = 0x80;
constexpr std::uint8_t kContinuationBits = 0x3F;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;
constexpr char32_t kLastCodePoint = 0x10FFFF;

// A UTF-8 sequence's lead byte: its length, the bits it carries and the smallest code point of
// that length (anything below is an overlong form).
struct TLead {
  std::uint8_t first;
  std::uint8_t last;
  int length;
  std::uint8_t bits;
  char32_t smallest;
};
constexpr std::array<TLead, 3> kLeads{{
    {0xC2, 0xDF, 2, 0x1F, 0x80},
    {0xE0, 0xEF, 3, 0x0F, 0x800},
    {0xF0, 0xF4, 4, 0x07, 0x10000},
}};

// The code point of the valid UTF-8 sequence at the start of bytes and its length, or a length
// of 0 when it is none.
std::pair<char32_t, int> DecodeOne(std::span<const std::uint8_t> bytes) {
  for (const TLead& lead : kLeads) {
    if (bytes[0] < lead.first || bytes[0] > lead.last) {
      continue;
    }
    if (bytes.size() < static_cast<std::size_t>(lead.length)) {
      return {0, 0};
    }
    char32_t codePoint = bytes[0] & lead.bits;
    for (int index = 1; index < lead.length; ++index) {
      if ((bytes[index] & kContinuationMask) != kContinuationTag) {
        return {0, 0};
      }
      codePoint = (codePoint << 6) | (bytes[index] & kContinuationBits);
    }
    const bool valid = codePoint >= lead.smallest && codePoint <= kLastCodePoint &&
                       (codePoint < kFirstSurrogate || codePoint > kLastSurrogate);
    return {codePoint, valid ? lead.length : 0};
  }
  return {0, 0};
}

}  // namespace

QString FileNameFromBytes(QByteArrayView bytes) {
  const std::span<const std::uint8_t> all(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                          static_cast<std::size_t>(bytes.size()));
  QString name;
  name.reserve(bytes.size());
  std::size_t at = 0;
  while (at < all.size()) {
    if (all[at] < kContinuationTag) {
      name.append(QChar(all[at]));
      ++at;
      continue;
    }
    const auto [codePoint, length] = DecodeOne(all.subspan(at));
    if (length == 0) {
      name.append(QChar(static_cast<char16_t>(kEscapeBase + all[at])));
      ++at;
      continue;
    }
    const char32_t one[] = {codePoint};
    name.append(QString::fromUcs4(one, 1));
    at += static_cast<std::size_t>(length);
  }
  return name;
}

QByteArray FileNameBytes(const QString& name) {
  QByteArray bytes;
  bytes.reserve(name.size());
  qsizetype start = 0;
  for (qsizetype at = 0; at <= name.size(); ++at) {
    const bool escape = at < name.size() && name[at].unicode() >= kFirstEscape &&
                        name[at].unicode() <= kLastEscape &&
                        (at == 0 || !name[at - 1].isHighSurrogate());
    if (at == name.size() || escape) {
      bytes += QStringView(name).mid(start, at - start).toUtf8();
      if (escape) {
        bytes += static_cast<char>(name[at].unicode() - kEscapeBase);
      }
      start = at + 1;
    }
  }
  return bytes;
}

std::string LocalFileName(const QString& path) {
#ifdef _WIN32
  return QFile::encodeName(path).toStdString();
#else
  return FileNameBytes(path).toStdString();
#endif
}

QString LocalFileOfUrl(const QUrl& url) {
  if (!url.isLocalFile()) {
    return {};
  }
#ifdef _WIN32
  return url.toLocalFile();
#else
  return FileNameFromBytes(
      QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
#endif
}

QStringList LocalArguments(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  return QCoreApplication::arguments();
#else
  QStringList arguments;
  for (const char* argument : std::span(argv, static_cast<std::size_t>(argc))) {
    arguments << FileNameFromBytes(QByteArrayView(argument));
  }
  return arguments;
#endif
}

}  // namespace morvane::editor
