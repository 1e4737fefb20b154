#pragma once
// The one QApplication of a window test program (offscreen platform unless the caller set another).

#include <QApplication>
#include <cstdlib>

namespace td::test {

inline QApplication& qtTestApp() {
  static int argc = 1;
  static char name[] = "tarnwickdesk-test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return new QApplication(argc, argv);
  }();
  return *app;
}

}  // namespace td::test
