// Compiled by the forbidden-symbol tests (see tests/common/CMakeLists.txt):
// what the core may use from the same headers still compiles.
#include <mutex>

unsigned draw(std::mutex& m) {
  std::lock_guard<std::mutex> lock(m);
  std::mt19937 random(7);
  std::chrono::milliseconds ms(5);
  return static_cast<unsigned>(random() + static_cast<unsigned>(ms.count()));
}
