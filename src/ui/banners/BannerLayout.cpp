#include "ui/banners/BannerLayout.h"

#include <cmath>

namespace td {

using namespace banner;

BannerGeometry layoutBanner(const BannerMeasurements& m) {
  BannerGeometry g;
  const double pad = bannerContentPadding;
  const double labelPad = bannerContentLabelPadding;
  const double lh = m.titleLabelHeight;

  if (m.hasButtons) {
    g.calculatedButtonWidth = CNGetMaxCGFloat(m.otherButtonWidth, m.actionButtonWidth);
    g.labelWidth = bannerWidth - (pad + bannerImageSide + pad + pad + g.calculatedButtonWidth + pad);
  } else {
    g.labelWidth = bannerWidth - (pad + bannerImageSide + pad + pad);
  }

  // The estimate of the informative text's height: one title line, or as many as the text needs
  // at the label width when it wraps. Kept in single precision like the layout engine's metrics.
  float e = static_cast<float>(lh);
  g.nominalHeight = bannerNominalHeight;
  if (m.multiLine) {
    const float lines = std::ceil(static_cast<float>(m.informativeNaturalWidth) / static_cast<float>(g.labelWidth));
    e = e * lines;
    g.nominalHeight += e;
  }
  g.informativeTextHeight = e;

  const double textHeight = m.informativeTextHeightForWidth ? m.informativeTextHeightForWidth(g.labelWidth) : 0.0;
  g.contentHeight = pad + 2 * lh + textHeight + 2 * labelPad + pad;
  g.height = g.contentHeight <= g.nominalHeight ? g.contentHeight : g.nominalHeight;

  const double W = bannerWidth;
  const double H = g.height;
  const double maxX = m.screen.right();
  const double top = m.screen.y;
  g.presentationBeginRect = {maxX - W - bannerTrailingMargin, top + bannerTopMargin, W, H};
  g.presentationRect = {maxX - W - bannerTrailingMargin, top + m.menuBarThickness + bannerTopMargin, W, H};
  g.presentationEndRect = {maxX - W, top + m.menuBarThickness + bannerTopMargin, W, H};

  const double labelX = pad + bannerImageSide + pad;
  g.image = {pad, pad, bannerImageSide, bannerImageSide};
  g.title = {labelX, pad, g.labelWidth, lh};
  g.subtitle = {labelX, pad + lh + labelPad, g.labelWidth, lh};
  // At least the estimate high, and down to the banner's bottom edge so no line that fits is cut.
  const double informativeY = pad + 2 * lh + 2 * labelPad;
  g.informativeText = {labelX, informativeY, g.labelWidth, CNGetMaxCGFloat(e, H - informativeY)};
  if (m.hasButtons) {
    const double buttonX = W - pad - g.calculatedButtonWidth;
    g.otherButton = {buttonX, pad, g.calculatedButtonWidth, m.buttonHeight};
    g.actionButton = {buttonX, pad + m.buttonHeight + pad, g.calculatedButtonWidth, m.buttonHeight};
  }
  return g;
}

}  // namespace td
