#pragma once
// The arithmetic of the drawn controls (DrawingControls.h), in logical pixels with y downwards:
// the image-and-text cell's rectangles and the direction of a linear gradient given by an angle.

#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace td::drawing {

// Space between an image and the text of an image-and-text cell (also reserved without an image).
inline constexpr double kImageTextGap = 3.0;

// The text rectangle of an image-and-text cell: a slice as wide as the image plus the gap (the gap
// alone without an image) cut off the left; the rest moved 2 right and 2 down and 4 lower.
QRectF imageAndTextTitleRect(const QRectF& bounds, std::optional<double> imageWidth);
// Where the image goes: at the left edge of the frame, 2 below its top, at its own size.
QRectF imageAndTextImageRect(const QRectF& frame, const QSizeF& imageSize);
// The cell's size: the plain text size widened by the image and the gap.
QSizeF imageAndTextCellSize(const QSizeF& plainSize, std::optional<double> imageWidth);

// The start and end points of a linear gradient that runs across `rect` at `angleDegrees`, the
// angle measured counter-clockwise from the positive x axis as seen on screen when `flipped` is
// false (90: from the bottom edge to the top edge) and in y-down coordinates when it is true (90:
// from the top edge to the bottom edge). The line passes through the centre and is just long
// enough for its perpendiculars at both ends to touch the rectangle's corners.
QLineF gradientLine(const QRectF& rect, double angleDegrees, bool flipped);

}  // namespace td::drawing
