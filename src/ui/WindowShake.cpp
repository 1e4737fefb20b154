#include "ui/WindowShake.h"

#include <QPropertyAnimation>
#include <QWidget>

namespace td {
namespace {

constexpr int numberOfShakes = 3;
constexpr double durationOfShake = 0.1;
constexpr double vigourOfShake = 0.06;

}  // namespace

void shakeWindow(QWidget* window) {
  if (!window) return;
  const QPoint origin = window->pos();
  const int offset = static_cast<int>(window->width() * vigourOfShake);
  auto* animation = new QPropertyAnimation(window, "pos", window);
  animation->setDuration(static_cast<int>(durationOfShake * 1000 * numberOfShakes));
  animation->setStartValue(origin);
  for (int i = 0; i < numberOfShakes; ++i) {
    animation->setKeyValueAt((i + 0.25) / numberOfShakes, origin - QPoint(offset, 0));
    animation->setKeyValueAt((i + 0.75) / numberOfShakes, origin + QPoint(offset, 0));
  }
  animation->setEndValue(origin);
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace td
