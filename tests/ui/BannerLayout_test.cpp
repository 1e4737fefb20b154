// The banner's geometry as pure arithmetic: label widths with and without buttons, the wrapping
// estimate, the height rules and the three places of the slide.

#include <gtest/gtest.h>

#include "ui/banners/BannerLayout.h"

namespace td {
namespace {

BannerMeasurements measurements(double textHeight) {
  BannerMeasurements m;
  m.screen = {0, 0, 1440, 900};
  m.menuBarThickness = 22;
  m.titleLabelHeight = 15;
  m.informativeNaturalWidth = 100;
  m.informativeTextHeightForWidth = [textHeight](double) { return textHeight; };
  return m;
}

TEST(BannerLayout, WithoutButtonsLabelsAre320Wide) {
  const auto g = layoutBanner(measurements(19));
  EXPECT_EQ(g.labelWidth, 320);
  EXPECT_EQ(g.title, (BannerRect{52, 8, 320, 15}));
  EXPECT_EQ(g.subtitle, (BannerRect{52, 24, 320, 15}));
  EXPECT_EQ(g.image, (BannerRect{8, 8, 36, 36}));
  EXPECT_EQ(g.informativeText.x, 52);
  EXPECT_EQ(g.informativeText.y, 40);
  EXPECT_EQ(g.informativeText.width, 320);
  EXPECT_EQ(g.otherButton, BannerRect{});
}

TEST(BannerLayout, WithButtonsLabelsLeaveRoomForTheWiderButtonAndButtonsStackAtTheRight) {
  auto m = measurements(19);
  m.hasButtons = true;
  m.otherButtonWidth = 60;
  m.actionButtonWidth = 82;
  m.buttonHeight = 24;
  const auto g = layoutBanner(m);
  EXPECT_EQ(g.calculatedButtonWidth, 82);
  EXPECT_EQ(g.labelWidth, 312 - 82);
  EXPECT_EQ(g.otherButton, (BannerRect{380 - 8 - 82, 8, 82, 24}));
  EXPECT_EQ(g.actionButton, (BannerRect{380 - 8 - 82, 8 + 24 + 8, 82, 24}));
  EXPECT_EQ(g.title.right() + 8, g.otherButton.x);
}

TEST(BannerLayout, ShortSingleLineTextTakesTheContentHeight) {
  const auto g = layoutBanner(measurements(19));
  EXPECT_EQ(g.contentHeight, 8 + 30 + 19 + 2 + 8);
  EXPECT_EQ(g.nominalHeight, 70);
  EXPECT_EQ(g.height, 67);
  EXPECT_EQ(g.informativeTextHeight, 15.0f);
}

TEST(BannerLayout, LongSingleLineTextIsCappedAtTheNominalHeight) {
  auto m = measurements(5 * 14 + 5);  // the text would need five lines if it wrapped
  m.informativeNaturalWidth = 1500;
  const auto g = layoutBanner(m);
  EXPECT_EQ(g.nominalHeight, 70);
  EXPECT_EQ(g.height, 70);
}

TEST(BannerLayout, WrappingTextAddsItsEstimateToTheNominalHeight) {
  auto m = measurements(3 * 14 + 5);
  m.multiLine = true;
  m.informativeNaturalWidth = 2.5 * 320;
  const auto g = layoutBanner(m);
  EXPECT_EQ(g.informativeTextHeight, 45.0f);  // three title lines
  EXPECT_EQ(g.nominalHeight, 115);
  EXPECT_EQ(g.contentHeight, 8 + 30 + 47 + 2 + 8);
  EXPECT_EQ(g.height, g.contentHeight);
  EXPECT_GE(g.informativeText.height, 45);

  m.informativeTextHeightForWidth = [](double) { return 200.0; };
  EXPECT_EQ(layoutBanner(m).height, 115) << "a wrapped text taller than the estimate is cut at the nominal height";
}

TEST(BannerLayout, SlideStartsUnderTheMenuBarRestsBelowItAndLeavesToTheRight) {
  const auto g = layoutBanner(measurements(19));
  EXPECT_EQ(g.presentationBeginRect, (BannerRect{1440 - 380 - 15, 10, 380, 67}));
  EXPECT_EQ(g.presentationRect, (BannerRect{1440 - 380 - 15, 22 + 10, 380, 67}));
  EXPECT_EQ(g.presentationEndRect, (BannerRect{1440 - 380, 22 + 10, 380, 67}));

  auto m = measurements(19);
  m.screen = {1920, 100, 1280, 1024};  // a main screen that does not start at the origin
  const auto moved = layoutBanner(m);
  EXPECT_EQ(moved.presentationRect.right(), 1920 + 1280 - 15);
  EXPECT_EQ(moved.presentationRect.y, 100 + 22 + 10);
}

}  // namespace
}  // namespace td
