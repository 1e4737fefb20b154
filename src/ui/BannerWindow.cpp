#include "ui/BannerWindow.h"

#include <QApplication>
#include <QEasingCurve>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>
#include <cfloat>
#include <cmath>

#include "ui/PlatformActions.h"
#include "ui/banners/BannerEnvironment.h"

namespace td {

namespace {

QColor grey(double white, double alpha = 1.0) { return QColor::fromRgbF(white, white, white, alpha); }

QFont bannerFont(int pixelSize, bool bold) {
  QFont font = QApplication::font();
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

QString toQString(const std::optional<std::string>& text) {
  return text ? QString::fromStdString(*text) : QString();
}

QRect toQRect(const BannerRect& r) {
  return QRect(static_cast<int>(std::lround(r.x)), static_cast<int>(std::lround(r.y)),
               static_cast<int>(std::lround(r.width)), static_cast<int>(std::lround(r.height)));
}

constexpr int kButtonBezelInset = 5;
constexpr int kButtonCaptionMargin = 12;

}  // namespace

QFont bannerTitleFont() { return bannerFont(12, true); }
QFont bannerSubtitleFont() { return bannerFont(11, true); }
QFont bannerInformativeFont() { return bannerFont(11, false); }
QFont bannerButtonFont() { return bannerFont(12, false); }

// ---- BannerLabel

BannerLabel::BannerLabel(const QString& objectName, const QString& text, const QFont& font, const QColor& color,
                         unsigned lineBreakMode, QWidget* parent)
    : QWidget(parent), text_(text), color_(color), lineBreakMode_(lineBreakMode) {
  setObjectName(objectName);
  setFont(font);
  setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks belong to the banner's body
}

QSize BannerLabel::sizeHint() const {
  const QFontMetricsF fm(font());
  return QSize(static_cast<int>(std::ceil(fm.horizontalAdvance(text_))), static_cast<int>(std::ceil(fm.height())));
}

QString BannerLabel::displayedText() const {
  if (isMultiLine()) return text_;
  const QFontMetrics fm(font());
  switch (lineBreakMode_) {
    case CNLineBreakByTruncatingHead: return fm.elidedText(text_, Qt::ElideLeft, width());
    case CNLineBreakByTruncatingMiddle: return fm.elidedText(text_, Qt::ElideMiddle, width());
    case CNLineBreakByClipping: return text_;
    default: return fm.elidedText(text_, Qt::ElideRight, width());
  }
}

void BannerLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  int flags = Qt::AlignLeft | Qt::AlignTop;
  if (lineBreakMode_ == CNLineBreakByWordWrapping) flags |= Qt::TextWordWrap;
  else if (lineBreakMode_ == CNLineBreakByCharWrapping) flags |= Qt::TextWrapAnywhere;
  else flags |= Qt::TextSingleLine;
  const QString shown = displayedText();
  const QRect area = rect();
  painter.setPen(grey(1.0, 0.5));  // the shadow, one pixel below
  painter.drawText(area.translated(0, 1), flags, shown);
  painter.setPen(color_);
  painter.drawText(area, flags, shown);
}

// ---- CNUserNotificationBannerButton

CNUserNotificationBannerButton::CNUserNotificationBannerButton(const QString& title, QWidget* parent)
    : QPushButton(title, parent) {
  setFont(bannerButtonFont());
  setFocusPolicy(Qt::NoFocus);
}

QSize CNUserNotificationBannerButton::sizeHint() const {
  const QFontMetricsF fm(font());
  const int width = static_cast<int>(std::ceil(fm.horizontalAdvance(text()))) + 2 * (kButtonBezelInset + kButtonCaptionMargin);
  const int height = static_cast<int>(std::ceil(fm.height())) + 2 * kButtonBezelInset;
  return QSize(width, height);
}

void CNUserNotificationBannerButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF bezel = QRectF(rect()).adjusted(kButtonBezelInset, kButtonBezelInset, -kButtonBezelInset, -kButtonBezelInset);
  QPainterPath outer;
  outer.addRoundedRect(bezel, 4, 4);
  painter.fillPath(outer, grey(0.369));
  const QRectF inner = bezel.adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath innerPath;
  innerPath.addRoundedRect(inner, 4, 4);
  // Resting: the light colour at the bottom and the dark one at the top; pressed: the reverse.
  QLinearGradient gradient(inner.topLeft(), inner.bottomLeft());
  const QColor light = grey(0.98, 0.95), dark = grey(0.802, 0.95);
  gradient.setColorAt(0, isDown() ? light : dark);
  gradient.setColorAt(1, isDown() ? dark : light);
  painter.fillPath(innerPath, gradient);
  painter.setPen(grey(0.238));
  painter.setFont(font());
  painter.drawText(bezel.translated(0, 2), Qt::AlignCenter | Qt::TextSingleLine, text());
}

// ---- BannerWindow

BannerWindow::BannerWindow(CNUserNotificationBannerController& controller)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), controller_(controller) {
  setObjectName("bannerWindow");
}

BannerWindow::~BannerWindow() {
  if (animation_) animation_->stop();
}

void BannerWindow::prepare() {
  configureNotificationBannerWindow();
  configureNotificationBannerImage();
  configureNotificationBannerTexts();
  configureNotificationBannerButtons();
  configureNotificationBannerLayout();
  // The application comes to the front; the banner goes to the beginning of its slide-in,
  // transparent, in front of it.
  activateApplication();
  setGeometry(toQRect(geometry_.presentationBeginRect));
  show();
  raise();
}

void BannerWindow::configureNotificationBannerWindow() {
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowOpacity(0.0);
}

void BannerWindow::configureNotificationBannerImage() {
  if (bannerImageView_) return;
  bannerImageView_ = new QLabel(this);
  bannerImageView_->setObjectName("bannerImage");
  bannerImageView_->setAttribute(Qt::WA_TransparentForMouseEvents);
  const std::string& path = controller_.userNotification()->feature().bannerImage;
  const QIcon icon = path.empty() ? QApplication::windowIcon() : QIcon(QString::fromStdString(path));
  const int side = static_cast<int>(banner::bannerImageSide);
  if (!icon.isNull()) bannerImageView_->setPixmap(icon.pixmap(side, side));
  bannerImageView_->setAlignment(Qt::AlignCenter);
}

void BannerWindow::configureNotificationBannerTexts() {
  if (title_) return;
  const auto& n = *controller_.userNotification();
  title_ = new BannerLabel("titleLabel", toQString(n.title()), bannerTitleFont(), grey(0.28),
                           CNLineBreakByTruncatingTail, this);
  subtitle_ = new BannerLabel("subtitleLabel", toQString(n.subtitle()), bannerSubtitleFont(), grey(0.28),
                              CNLineBreakByTruncatingTail, this);
  informativeText_ = new BannerLabel("informativeTextLabel", toQString(n.informativeText()), bannerInformativeFont(),
                                     grey(0.5), controller_.informativeTextLineBreakMode(), this);
}

void BannerWindow::configureNotificationBannerButtons() {
  const auto& n = *controller_.userNotification();
  if (!n.hasActionButton() || otherButton_) return;
  auto caption = [](const std::optional<std::string>& title, const char* key) {
    return QString::fromStdString(title && !title->empty() ? *title : bannerLocalizedString(key));
  };
  otherButton_ = new CNUserNotificationBannerButton(caption(n.otherButtonTitle(), "Close"), this);
  otherButton_->setObjectName("otherButton");
  connect(otherButton_, &QPushButton::clicked, this, [this] { controller_.otherButtonAction(); });
  actionButton_ = new CNUserNotificationBannerButton(caption(n.actionButtonTitle(), "Show"), this);
  actionButton_->setObjectName("actionButton");
  connect(actionButton_, &QPushButton::clicked, this, [this] { controller_.actionButtonAction(); });
}

double BannerWindow::informativeTextHeightForWidth(double width) const {
  const QFontMetricsF fm(bannerInformativeFont());
  const QRectF used = fm.boundingRect(QRectF(0, 0, width, FLT_MAX), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                                      informativeText_ ? informativeText_->text() : QString());
  return used.height() + 5.0;
}

void BannerWindow::configureNotificationBannerLayout() {
  BannerMeasurements m;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect frame = screen ? screen->geometry() : QRect(0, 0, 1280, 800);
  const QRect available = screen ? screen->availableGeometry() : frame;
  m.screen = {double(frame.x()), double(frame.y()), double(frame.width()), double(frame.height())};
  m.menuBarThickness = std::max(0, available.top() - frame.top());
  m.titleLabelHeight = title_->sizeHint().height();
  m.informativeNaturalWidth = informativeText_->sizeHint().width();
  m.multiLine = informativeText_->isMultiLine();
  m.hasButtons = otherButton_ != nullptr;
  if (m.hasButtons) {
    m.otherButtonWidth = otherButton_->sizeHint().width();
    m.actionButtonWidth = actionButton_->sizeHint().width();
    m.buttonHeight = std::max(otherButton_->sizeHint().height(), actionButton_->sizeHint().height());
  }
  m.informativeTextHeightForWidth = [this](double width) { return informativeTextHeightForWidth(width); };
  geometry_ = layoutBanner(m);

  bannerImageView_->setGeometry(toQRect(geometry_.image));
  title_->setGeometry(toQRect(geometry_.title));
  subtitle_->setGeometry(toQRect(geometry_.subtitle));
  informativeText_->setGeometry(toQRect(geometry_.informativeText));
  if (otherButton_) {
    otherButton_->setGeometry(toQRect(geometry_.otherButton));
    actionButton_->setGeometry(toQRect(geometry_.actionButton));
  }
}

void BannerWindow::animateTo(const BannerRect& rect, double opacity, double seconds, std::function<void()> done) {
  if (animation_) animation_->stop();
  auto* group = new QParallelAnimationGroup(this);
  group->setObjectName("bannerAnimation");
  const int ms = static_cast<int>(std::lround(seconds * 1000));
  auto* fade = new QPropertyAnimation(this, "windowOpacity", group);
  fade->setDuration(ms);
  fade->setEndValue(opacity);
  fade->setEasingCurve(QEasingCurve::InOutQuad);
  auto* slide = new QPropertyAnimation(this, "geometry", group);
  slide->setDuration(ms);
  slide->setEndValue(toQRect(rect));
  slide->setEasingCurve(QEasingCurve::InOutQuad);
  group->addAnimation(fade);
  group->addAnimation(slide);
  connect(group, &QAbstractAnimation::finished, this, [group, done = std::move(done)] {
    group->deleteLater();
    if (done) done();
  });
  animation_ = group;
  group->start();
}

void BannerWindow::slideIn(double seconds, std::function<void()> done) {
  animateTo(geometry_.presentationRect, 1.0, seconds, std::move(done));
}

void BannerWindow::slideOut(double seconds, std::function<void()> done) {
  animateTo(geometry_.presentationEndRect, 0.0, seconds, std::move(done));
}

void BannerWindow::makeKeyAndOrderFront() {
  raise();
  activateWindow();
}

void BannerWindow::close() { hide(); }

void BannerWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(QRectF(rect()), 5, 5);
  QLinearGradient gradient(0, 0, 0, height());
  gradient.setColorAt(0, grey(0.975, 0.95));
  gradient.setColorAt(1, grey(0.82, 0.95));
  painter.fillPath(path, gradient);
}

void BannerWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    controller_.mouseUp();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

}  // namespace td
