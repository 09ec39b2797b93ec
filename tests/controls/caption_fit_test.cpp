#include <gtest/gtest.h>

#include <QFontMetrics>

#include "caption_fit.h"
#include "control_errors.h"
#include "control_font.h"
#include "control_harness.h"
#include "number_text.h"
#include "tdragger.h"

namespace morvane::controls {
namespace {

// A caption that fits keeps the face; one a little too wide is drawn narrower, one far too
// wide or too tall smaller as well; the result always fits, in the bundled face and another.
TEST(CaptionFit, ACaptionIsDrawnNarrowerOrSmallerNeverCut) {
  struct Case {
    const char* family;  // empty: the controls' own face
    bool bold;
    const char* text;
    QSize room;
    bool sameFace;
    bool smaller;
  };
  const Case cases[] = {
      {"", false, "vol:+0dB", {44, 11}, true, false},
      {"", false, "vol:+0dB", {42, 12}, false, false},
      {"", true, "A1:+100%", {42, 12}, false, false},
      {"", false, "A1:+100%", {20, 12}, false, true},
      {"", false, "gld:0", {40, 6}, false, true},
      {"DejaVu Sans", false, "RTHiF:127", {45, 14}, false, false},
      {"DejaVu Sans", true, " Crossfade Random)", {114, 13}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.family) + " " + c.text);
    QFont font = ControlFont();
    if (*c.family != '\0') {
      font.setFamily(QString::fromLatin1(c.family));
    }
    font.setBold(c.bold);
    const QFont fitted = FitCaptionFont(font, QString::fromLatin1(c.text), c.room);
    EXPECT_TRUE(CaptionFits(fitted, QString::fromLatin1(c.text), c.room));
    EXPECT_EQ(fitted == font, c.sameFace);
    EXPECT_EQ(fitted.pixelSize() < font.pixelSize(), c.smaller);
    EXPECT_EQ(fitted.family(), font.family());
    EXPECT_EQ(fitted.bold(), font.bold());
  }

  // The control draws its caption in the fitted face, bold while it has the focus.
  testing::Window window;
  auto* control = new Tdragger(window.get());
  control->setGeometry(9, 214, 46, 15);
  control->setBevelOuter(Tdragger::bvNone);
  control->setBorderStyle(Tdragger::bsSingle);
  control->setMin(-100);
  control->setMax(100);
  control->setSuffix(QStringLiteral("%"));
  control->setPrefix(QStringLiteral("A1:"));
  control->setPosition(100);
  control->show();
  control->setFocus(Qt::OtherFocusReason);
  ASSERT_TRUE(control->font().bold());
  EXPECT_EQ(control->CaptionRoom(), QSize(42, 11));
  EXPECT_LT(QFontMetrics(control->CaptionFont()).horizontalAdvance(control->Caption()), 43);
  EXPECT_TRUE(CaptionFits(control->CaptionFont(), control->Caption(), control->CaptionRoom()));
}

TEST(NumberText, IntegersAreDecimalOrHexadecimalWithDollarOrCPrefix) {
  const std::pair<const char*, int> good[] = {
      {"12", 12}, {" -7 ", -7}, {"+3", 3}, {"$1F", 31}, {"0x1F", 31}, {"0X7f", 127}, {"-0x10", -16},
  };
  for (const auto& [text, value] : good) {
    EXPECT_EQ(ParseInteger(QString::fromLatin1(text)), value) << text;
  }
  for (const char* bad : {"", "0x", "0xG", "x10", "1 2", "$", "0x80000000"}) {
    EXPECT_THROW(ParseInteger(QString::fromLatin1(bad)), EConvertError) << bad;
  }
}

}  // namespace
}  // namespace morvane::controls
