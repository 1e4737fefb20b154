#pragma once
// Seconds since the last keyboard or mouse input: the X11 screen-saver extension's idle time where
// the application runs on an X display that has it, else the time since the last input event the
// application itself received (its own windows only).

#include <QObject>
#include <chrono>
#include <memory>

#include "ui/X11IdleTime.h"
#include "ui/shell/IdleQuit.h"

namespace td {

class QtIdleSource final : public QObject, public IdleSource {
 public:
  // Installs an event filter on the application to see its own input events.
  explicit QtIdleSource(QObject* parent = nullptr);
  ~QtIdleSource() override;

  std::int64_t SystemIdleTime() override;
  // True when the X11 screen-saver extension answers.
  bool usesDisplayIdleTime() const { return x11_ != nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<X11IdleTime> x11_;
  std::chrono::steady_clock::time_point lastInput_;
};

}  // namespace td
