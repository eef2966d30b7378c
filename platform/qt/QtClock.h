#pragma once

#include <QElapsedTimer>

#include "platform/Clock.h"

namespace kobre::platform::qt {

// Real milliseconds from a monotonic timer; sleep blocks the calling thread.
class QtClock : public Clock {
 public:
  QtClock() { timer_.start(); }
  uint32_t tickCount() override;
  void sleep(uint32_t ms) override;

 private:
  QElapsedTimer timer_;
};

}  // namespace kobre::platform::qt
