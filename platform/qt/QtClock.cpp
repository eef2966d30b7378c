#include "platform/qt/QtClock.h"

#include <QThread>

namespace kobre::platform::qt {

// Wraps like the system tick after about 49 days; callers take differences.
uint32_t QtClock::tickCount() {
  return static_cast<uint32_t>(timer_.elapsed());
}

void QtClock::sleep(uint32_t ms) {
  if (ms > 0) QThread::msleep(ms);
}

}  // namespace kobre::platform::qt
