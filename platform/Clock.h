#pragma once

#include <cstdint>

namespace kobre::platform {

// The system millisecond tick and sleeping. On the headless platform the tick
// is virtual: sleep advances it and no real time passes.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t tickCount() = 0;
  virtual void sleep(uint32_t ms) = 0;
};

}  // namespace kobre::platform
