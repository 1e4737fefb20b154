// The drawn controls: the image-and-text cell's rectangles, gradient directions, the price-label
// text, and the button bezel's light top.

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QStandardItemModel>
#include <QTextDocument>

#include "QtTestApp.h"
#include "ui/controls/CustomLabelStyle.h"
#include "ui/controls/DrawingControls.h"
#include "ui/controls/DrawingGeometry.h"

namespace td {
namespace {

TEST(ImageAndTextGeometry, TextRectangleLeavesTheImageAndTheGap) {
  const QRectF bounds(10, 20, 200, 24);
  EXPECT_EQ(drawing::imageAndTextTitleRect(bounds, 16.0), QRectF(10 + 19 + 2, 22, 181, 20));
  EXPECT_EQ(drawing::imageAndTextTitleRect(bounds, std::nullopt), QRectF(10 + 3 + 2, 22, 197, 20));
  EXPECT_EQ(drawing::imageAndTextImageRect(bounds, QSizeF(16, 12)), QRectF(10, 22, 16, 12));
  EXPECT_EQ(drawing::imageAndTextCellSize(QSizeF(50, 18), 16.0), QSizeF(69, 18));
  EXPECT_EQ(drawing::imageAndTextCellSize(QSizeF(50, 18), std::nullopt), QSizeF(53, 18));
  EXPECT_EQ(drawing::imageAndTextTitleRect(QRectF(0, 0, 2, 3), 16.0), QRectF(21, 2, 0, 0)) << "never negative";
}

TEST(GradientLine, AnglesPointAsOnScreenOrInFlippedCoordinates) {
  const QRectF r(0, 0, 100, 40);
  EXPECT_EQ(drawing::gradientLine(r, 90, false), QLineF(50, 40, 50, 0)) << "bottom to top";
  EXPECT_EQ(drawing::gradientLine(r, 90, true), QLineF(50, 0, 50, 40));
  EXPECT_EQ(drawing::gradientLine(r, 270, true), QLineF(50, 40, 50, 0));
  EXPECT_EQ(drawing::gradientLine(r, 0, false), QLineF(0, 20, 100, 20));
  const QLineF diagonal = drawing::gradientLine(QRectF(0, 0, 10, 10), 45, false);
  EXPECT_NEAR(diagonal.p1().x(), 0.0, 1e-9);
  EXPECT_NEAR(diagonal.p1().y(), 10.0, 1e-9);
  EXPECT_NEAR(diagonal.p2().x(), 10.0, 1e-9);
  EXPECT_NEAR(diagonal.p2().y(), 0.0, 1e-9);
}

TEST(ImageAndTextCell, UsesTheRowImageOrItsOwnAndKeepsTheEditorOffTheImage) {
  test::qtTestApp();
  QStandardItemModel model(2, 1);
  QPixmap rowImage(20, 10);
  rowImage.fill(Qt::red);
  model.setData(model.index(0, 0), rowImage, Qt::DecorationRole);
  model.setData(model.index(0, 0), "EURUSD");
  model.setData(model.index(1, 0), "GOLD");
  AAPLImageAndTextCell cell;
  QStyleOptionViewItem option;
  option.rect = QRect(0, 0, 150, 24);
  EXPECT_EQ(cell.titleRect(option.rect, model.index(0, 0), option), QRectF(25, 2, 127, 20));
  EXPECT_EQ(cell.titleRect(option.rect, model.index(1, 0), option), QRectF(5, 2, 147, 20));
  QPixmap own(8, 8);
  own.fill(Qt::blue);
  cell.setMyImage(own);
  EXPECT_EQ(cell.titleRect(option.rect, model.index(1, 0), option), QRectF(13, 2, 139, 20));
  QWidget editor;
  cell.updateEditorGeometry(&editor, option, model.index(0, 0));
  EXPECT_EQ(editor.geometry(), QRect(25, 2, 127, 20));

  QImage canvas(150, 24, QImage::Format_ARGB32);
  canvas.fill(Qt::white);
  {
    QPainter painter(&canvas);
    cell.paint(&painter, option, model.index(0, 0));
  }
  EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::red)) << "image at the left, 2 below the top";
  EXPECT_EQ(canvas.pixelColor(5, 1), QColor(Qt::white));
}

TEST(DarkButtonBezel, RestingButtonIsLightAtTheTopAndPressedIsDarker) {
  test::qtTestApp();
  auto draw = [](bool highlighted) {
    QImage image(80, 40, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    AMDarkButtonCell::drawBezelWithFrame(painter, QRectF(0, 0, 80, 40), highlighted);
    return image;
  };
  const QImage resting = draw(false);
  const QImage pressed = draw(true);
  const int top = qGray(resting.pixel(40, 5));
  const int bottom = qGray(resting.pixel(40, 34));
  EXPECT_GT(top, bottom);
  EXPECT_NEAR(top, 0.45 * 255, 0.06 * 255);
  EXPECT_LT(qGray(pressed.pixel(40, 5)), top);
  EXPECT_LT(qAlpha(resting.pixel(0, 0)), 32) << "rounded corners";
}

TEST(DarkBackground, DarkAtTheBottomLightAtTheTopWithABlackEdge) {
  test::qtTestApp();
  AMBackground view;
  view.resize(60, 40);
  const QImage image = view.grab().toImage();
  EXPECT_GT(qGray(image.pixel(30, 3)), qGray(image.pixel(30, 36)));
  EXPECT_EQ(qGray(image.pixel(0, 20)), 0);
}

QString plainOf(const QString& html) {
  QTextDocument doc;
  doc.setHtml(html);
  return doc.toPlainText();
}

TEST(CustomLabelStyle, EnlargesTheLastTwoCharactersOnly) {
  test::qtTestApp();
  QFont font("DejaVu Sans");
  font.setPointSizeF(14);
  const QString html = CustomLabelStyle::createTextStyle(font, "1.23456");
  EXPECT_EQ(plainOf(html), "1.23456");
  EXPECT_TRUE(html.contains("font-size:34pt;\">56</span>")) << html.toStdString();
  EXPECT_TRUE(html.contains("align=\"center\""));
  EXPECT_TRUE(html.contains("font-family:'DejaVu Sans';font-size:14pt;"));
}

TEST(CustomLabelStyle, ShortTextsAreCentredWithoutEnlargement) {
  test::qtTestApp();
  QFont font;
  font.setPointSizeF(12);
  for (const QString& text : {QString(), QString("0")}) {
    const QString html = CustomLabelStyle::createTextStyle(font, text);
    EXPECT_EQ(plainOf(html), text);
    EXPECT_FALSE(html.contains("<span")) << text.toStdString();
  }
  EXPECT_EQ(CustomLabelStyle::enlargedStart("12"), 0);
  EXPECT_EQ(CustomLabelStyle::enlargedStart(QString::fromUtf8("1\xF0\x9D\x9F\x8F")), 0) << "a surrogate pair is one";
  EXPECT_EQ(CustomLabelStyle::enlargedStart(QString::fromUtf8("\xF0\x9D\x9F\x8F")), -1);
}

TEST(CustomLabelStyle, TextIsNeverTakenAsMarkupAndAMissingControlGivesNothing) {
  test::qtTestApp();
  QLabel label;
  const auto html = CustomLabelStyle::createTextStyle(&label, "<b>1</b>&9%1");
  ASSERT_TRUE(html.has_value());
  EXPECT_EQ(plainOf(*html), "<b>1</b>&9%1");
  EXPECT_FALSE(CustomLabelStyle::createTextStyle(nullptr, "1.2").has_value());
}

}  // namespace
}  // namespace td
