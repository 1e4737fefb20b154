#pragma once
// The Qt window of one banner: a frameless, translucent, rounded panel that stays on top of other
// windows at the top right of the main screen, with the picture, three lines of text and, for a
// record with an action button, the closing and the action button stacked at the right. It slides
// in and out as its controller asks; clicks go back to the controller.

#include <QParallelAnimationGroup>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "ui/banners/BannerLayout.h"
#include "ui/banners/CNUserNotificationBannerController.h"

class QLabel;


namespace td {

// One line (or, when wrapping, a block) of banner text, drawn with a soft white shadow one pixel
// below the glyphs and broken as the line-break mode says.
class BannerLabel : public QWidget {
  Q_OBJECT
 public:
  BannerLabel(const QString& objectName, const QString& text, const QFont& font, const QColor& color,
              unsigned lineBreakMode, QWidget* parent);
  const QString& text() const { return text_; }
  unsigned lineBreakMode() const { return lineBreakMode_; }
  bool isMultiLine() const { return isMultiLineBreakMode(lineBreakMode_); }
  // The text as drawn on one line in the label's width (the whole text for wrapping modes).
  QString displayedText() const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  QColor color_;
  unsigned lineBreakMode_;
};

// The banner's push button: a rounded bezel with a light gradient, dark at the top while resting and
// at the bottom while pressed.
class CNUserNotificationBannerButton : public QPushButton {
  Q_OBJECT
 public:
  explicit CNUserNotificationBannerButton(const QString& title, QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class BannerWindow : public QWidget, public BannerView {
  Q_OBJECT
 public:
  explicit BannerWindow(CNUserNotificationBannerController& controller);
  ~BannerWindow() override;

  void prepare() override;
  void slideIn(double seconds, std::function<void()> done) override;
  void slideOut(double seconds, std::function<void()> done) override;
  void makeKeyAndOrderFront() override;
  void close() override;

  // The layout of the last preparation.
  const BannerGeometry& bannerGeometry() const { return geometry_; }
  BannerLabel* titleLabel() const { return title_; }
  BannerLabel* subtitleLabel() const { return subtitle_; }
  BannerLabel* informativeTextLabel() const { return informativeText_; }
  CNUserNotificationBannerButton* actionButton() const { return actionButton_; }
  CNUserNotificationBannerButton* otherButton() const { return otherButton_; }
  // The running slide, if any.
  QParallelAnimationGroup* animation() const { return animation_; }

  // Text height of the informative text laid out in the given width, plus 5.
  double informativeTextHeightForWidth(double width) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void configureNotificationBannerWindow();
  void configureNotificationBannerImage();
  void configureNotificationBannerTexts();
  void configureNotificationBannerButtons();
  void configureNotificationBannerLayout();
  void animateTo(const BannerRect& rect, double opacity, double seconds, std::function<void()> done);

  CNUserNotificationBannerController& controller_;
  BannerGeometry geometry_;
  QLabel* bannerImageView_ = nullptr;
  BannerLabel* title_ = nullptr;
  BannerLabel* subtitle_ = nullptr;
  BannerLabel* informativeText_ = nullptr;
  CNUserNotificationBannerButton* actionButton_ = nullptr;
  CNUserNotificationBannerButton* otherButton_ = nullptr;
  QPointer<QParallelAnimationGroup> animation_;
};

// Fonts of the banner (the platform's Lucida Grande sizes, in the application's font family).
QFont bannerTitleFont();
QFont bannerSubtitleFont();
QFont bannerInformativeFont();
QFont bannerButtonFont();

}  // namespace td
