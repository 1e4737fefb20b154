#include "ui/WindowShake.h"

#include <QPropertyAnimation>
#include <QWidget>

namespace td {
namespace {

constexpr int numberOfShakes = 3;
constexpr double durationOfShake = 0.1;
constexpr double vigourOfShake = 0.06;
constexpr const char* kShakeName = "windowShake";

}  // namespace

void shakeWindow(QWidget* window) {
  if (!window) return;
  QPoint origin = window->pos();
  // A shake still running holds the resting position as its start, while the window stands
  // somewhere in the swing: the new shake takes over from it. (One that ended waits for its
  // deferred deletion.)
  if (auto* previous = window->findChild<QPropertyAnimation*>(kShakeName, Qt::FindDirectChildrenOnly)) {
    if (previous->state() != QAbstractAnimation::Stopped) origin = previous->startValue().toPoint();
    delete previous;
  }
  const int offset = static_cast<int>(window->width() * vigourOfShake);
  auto* animation = new QPropertyAnimation(window, "pos", window);
  animation->setObjectName(kShakeName);
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
