#include <gtest/gtest.h>

#include <QImage>

#include "control_harness.h"
#include "tdragger.h"

namespace morvane::controls {
namespace {

const QColor kLime(0, 255, 0);
const QColor kCyan(0, 255, 255);
const QColor kWhite(255, 255, 255);
const QColor kShadow(160, 160, 160);

int CountPixels(const QImage& image, QColor colour, int fromX = 0, int toX = -1) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = fromX; x < (toX < 0 ? image.width() : toX); ++x) {
      count += image.pixelColor(x, y) == colour ? 1 : 0;
    }
  }
  return count;
}

QImage Render(Tdragger& dragger) {
  return dragger.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(DraggerLook, FramesAndCentredCaptionInTheFontColour) {
  testing::Window window;
  auto* raised = new Tdragger(window.get());
  raised->setPosition(88);
  raised->show();
  const QImage image = Render(*raised);
  EXPECT_EQ(image.pixelColor(0, 0), kWhite);
  EXPECT_EQ(image.pixelColor(47, 13), kShadow);
  EXPECT_EQ(image.pixelColor(2, 2), QColor(0, 0, 0));
  const int left = CountPixels(image, kLime, 0, 24);
  EXPECT_GT(left, 5);
  EXPECT_NEAR(left, CountPixels(image, kLime, 24), 6) << "centred";
  raised->setFocus(Qt::OtherFocusReason);
  EXPECT_GT(CountPixels(Render(*raised), kLime), 2 * left) << "bold while focused";

  Tdragger sunken;
  sunken.resize(49, 16);
  sunken.setBevelOuter(Tdragger::bvNone);
  sunken.setBorderStyle(Tdragger::bsSingle);
  sunken.setFontColor(kCyan);
  const QImage inset = Render(sunken);
  EXPECT_EQ(inset.pixelColor(0, 0), kShadow);
  EXPECT_EQ(inset.pixelColor(48, 15), kWhite);
  EXPECT_GT(CountPixels(inset, kCyan), 5);
}

}  // namespace
}  // namespace morvane::controls
