#include "ui/controls/DrawingGeometry.h"

#include <cmath>
#include <numbers>

namespace td::drawing {

QRectF imageAndTextTitleRect(const QRectF& bounds, std::optional<double> imageWidth) {
  const double slice = imageWidth.value_or(0.0) + kImageTextGap;
  QRectF rest(bounds.x() + slice, bounds.y(), std::max(0.0, bounds.width() - slice), bounds.height());
  rest.translate(2.0, 2.0);
  rest.setHeight(std::max(0.0, rest.height() - 4.0));
  return rest;
}

QRectF imageAndTextImageRect(const QRectF& frame, const QSizeF& imageSize) {
  return QRectF(frame.x(), frame.y() + 2.0, imageSize.width(), imageSize.height());
}

QSizeF imageAndTextCellSize(const QSizeF& plainSize, std::optional<double> imageWidth) {
  return QSizeF(plainSize.width() + imageWidth.value_or(0.0) + kImageTextGap, plainSize.height());
}

QLineF gradientLine(const QRectF& rect, double angleDegrees, bool flipped) {
  const double radians = angleDegrees * std::numbers::pi / 180.0;
  double dx = std::cos(radians);
  double dy = std::sin(radians);
  if (!flipped) dy = -dy;  // screen y grows downwards
  // Snap the tiny remainders of cos(90°) and the like, so axis-aligned gradients stay exact.
  if (std::abs(dx) < 1e-12) dx = 0.0;
  if (std::abs(dy) < 1e-12) dy = 0.0;
  const double half = std::abs(rect.width() / 2.0 * dx) + std::abs(rect.height() / 2.0 * dy);
  const QPointF centre = rect.center();
  const QPointF step(dx * half, dy * half);
  return QLineF(centre - step, centre + step);
}

}  // namespace td::drawing
