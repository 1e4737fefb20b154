// The shake of the login and lock windows: where the window stands while and after it swings.

#include "ui/WindowShake.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

#include "QtTestApp.h"

namespace td {
namespace {

QPropertyAnimation* shakeOf(QWidget& window) {
  return window.findChild<QPropertyAnimation*>(QString(), Qt::FindDirectChildrenOnly);
}

TEST(WindowShake, AShakeDuringAShakeSwingsAroundTheRestingPositionAndEndsThere) {
  test::qtTestApp();
  QWidget window;
  window.resize(500, 300);  // swings of 0.06 x 500 = 30 px
  const QPoint rest(200, 150);
  window.move(rest);

  shakeWindow(&window);
  QPointer<QPropertyAnimation> first = shakeOf(window);
  ASSERT_TRUE(first);
  first->setCurrentTime(first->duration() / 12);  // the first swing's far left
  ASSERT_EQ(window.pos(), rest - QPoint(30, 0));

  shakeWindow(&window);  // a second refused password while the window is out of place
  EXPECT_FALSE(first);   // the running shake gave way
  QPropertyAnimation* second = shakeOf(window);
  ASSERT_TRUE(second);
  second->setCurrentTime(second->duration() / 4);  // the second swing's far right
  EXPECT_EQ(window.pos(), rest + QPoint(30, 0));
  second->setCurrentTime(second->duration());
  EXPECT_EQ(window.pos(), rest);

  // Once a shake has ended, the next one rests where the window stands, wherever it was moved.
  const QPoint moved(420, 90);
  window.move(moved);
  shakeWindow(&window);
  QList<QPropertyAnimation*> shakes = window.findChildren<QPropertyAnimation*>();
  ASSERT_EQ(shakes.size(), 1);
  shakes.front()->setCurrentTime(shakes.front()->duration());
  EXPECT_EQ(window.pos(), moved);
}

}  // namespace
}  // namespace td
