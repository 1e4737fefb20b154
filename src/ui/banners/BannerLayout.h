#pragma once
// The banner's geometry: label width, informative-text estimate, height and the three places of
// its slide (begin, rest, end), and the frames of its parts. Pure arithmetic over what the window
// measures, in logical pixels with the origin at the top left of the screen and y downwards.

#include <functional>

namespace td {

struct BannerRect {
  double x = 0, y = 0, width = 0, height = 0;
  double right() const { return x + width; }
  double bottom() const { return y + height; }
  bool operator==(const BannerRect&) const = default;
};

namespace banner {
inline constexpr double slideInAnimationDuration = 0.42;
inline constexpr double slideOutAnimationDuration = 0.56;
inline constexpr double bannerContentPadding = 8.0;
inline constexpr double bannerContentLabelPadding = 1.0;
inline constexpr double bannerTrailingMargin = 15.0;
inline constexpr double bannerTopMargin = 10.0;
inline constexpr double bannerWidth = 380.0;
inline constexpr double bannerNominalHeight = 70.0;
inline constexpr double bannerImageSide = 36.0;
}  // namespace banner

inline double CNGetMaxCGFloat(double a, double b) { return a > b ? a : b; }

// What the window measures before the layout.
struct BannerMeasurements {
  BannerRect screen;              // frame of the main screen
  double menuBarThickness = 0;    // height of the panel along the screen's top edge
  double titleLabelHeight = 0;    // natural height of the title label (one line)
  double informativeNaturalWidth = 0;  // natural width of the informative text on one line
  bool multiLine = false;         // the informative label wraps (line-break mode 0 or 1)
  bool hasButtons = false;
  double otherButtonWidth = 0;    // natural widths and height of the two buttons
  double actionButtonWidth = 0;
  double buttonHeight = 0;
  // Height of the informative text laid out in the given width, plus 5.
  std::function<double(double width)> informativeTextHeightForWidth;
};

struct BannerGeometry {
  double labelWidth = 0;
  double calculatedButtonWidth = 0;
  float informativeTextHeight = 0;  // the estimate e, kept in single precision
  double nominalHeight = 0;         // bannerSize's height: 70, plus e for a wrapping text
  double contentHeight = 0;         // h
  double height = 0;                // H, the banner's height
  BannerRect presentationBeginRect;
  BannerRect presentationRect;
  BannerRect presentationEndRect;
  // Frames inside the banner.
  BannerRect image, title, subtitle, informativeText, otherButton, actionButton;
};

BannerGeometry layoutBanner(const BannerMeasurements& m);

}  // namespace td
