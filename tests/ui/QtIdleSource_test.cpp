// The idle source where the display cannot tell the system's idle time.

#include "ui/QtIdleSource.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QWidget>

#include "QtTestApp.h"

namespace td {
namespace {

TEST(QtIdleSource, WithoutTheDisplaysIdleTimeItAnswersUnknownWhateverTheApplicationSees) {
  test::qtTestApp();  // offscreen: no X11 screen-saver extension
  QtIdleSource source;
  EXPECT_FALSE(source.usesDisplayIdleTime());
  EXPECT_EQ(source.SystemIdleTime(), -1);
  // The application's own input says nothing about the rest of the desktop.
  QWidget window;
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QCoreApplication::sendEvent(&window, &press);
  EXPECT_EQ(source.SystemIdleTime(), -1);
}

}  // namespace
}  // namespace td
