#include <gtest/gtest.h>

#include <QFontInfo>

#include "control_errors.h"
#include "control_font.h"
#include "tdragger.h"

namespace morvane::controls {
namespace {

TEST(DraggerSettings, ANewControlLooksAndStandsAsListed) {
  Tdragger dragger;
  EXPECT_EQ(dragger.size(), QSize(48, 14));
  EXPECT_EQ(dragger.Color(), QColor(0, 0, 0));
  EXPECT_EQ(dragger.FontColor(), QColor(0, 255, 0));
  EXPECT_EQ(dragger.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_FALSE(dragger.focusPolicy() & Qt::TabFocus);
  EXPECT_EQ(dragger.Caption(), "0");
  EXPECT_EQ(dragger.Ctrl1(), "$00");
  const QFontInfo face(dragger.font());
  EXPECT_EQ(face.pixelSize(), kControlFontPixels);
  EXPECT_FALSE(face.bold());
  EXPECT_EQ(face.family(), HasTahoma() ? QString("Tahoma") : face.family());
}

TEST(DraggerCtrl, TextsAreNormalisedAndNonHexTextIsRefusedKeepingTheOldOne) {
  Tdragger dragger;
  const std::pair<QString, QString> good[] = {
      {"b", "$0B"}, {"13", "$13"}, {"$7", "$07"}, {"$1ff", "$1FF"}, {"0", "$00"},
  };
  for (const auto& [given, stored] : good) {
    dragger.setCtrl2(given);
    EXPECT_EQ(dragger.Ctrl2(), stored);
  }
  dragger.setCtrl1("0B");
  for (const QString bad : {"", "$", "zz", "$-1", "1 2", "0x1F", "$100000000"}) {
    EXPECT_THROW(dragger.setCtrl1(bad), EConvertError) << bad.toStdString();
    EXPECT_EQ(dragger.Ctrl1(), "$0B");
  }
  try {
    dragger.setCtrl3("g7");
    ADD_FAILURE() << "no conversion error";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "'$g7' is not a valid integer value");
  }
}

// The window's layout sets every value control through its settings' names.
TEST(DraggerSettings, ALayoutCanConfigureTheControlByName) {
  Tdragger dragger;
  const std::pair<const char*, QVariant> layout[] = {
      {"Ctrl1", "$2"},
      {"Ctrl2", "b"},
      {"Items", QStringList{"m"}},
      {"Prefix", "bnd:"},
      {"Min", -1},
      {"Max", 12},
      {"Position", 2},
      {"TabStop", true},
      {"BevelOuter", "bvNone"},
      {"BorderStyle", "bsSingle"},
  };
  for (const auto& [name, value] : layout) {
    EXPECT_TRUE(dragger.setProperty(name, value)) << name;
  }
  EXPECT_EQ(dragger.property("Ctrl2").toString(), "$0B");
  EXPECT_EQ(dragger.Caption(), "bnd:+2");
  EXPECT_TRUE(dragger.focusPolicy() & Qt::TabFocus);
  EXPECT_EQ(dragger.BorderStyle(), Tdragger::bsSingle);
  EXPECT_FALSE(dragger.setProperty("CaptionCtrl", 5)) << "read only";
  EXPECT_THROW(dragger.setProperty("Ctrl3", "zz"), EConvertError);
}

}  // namespace
}  // namespace morvane::controls
