// Compiled by the forbidden-symbol tests (see tests/common/CMakeLists.txt).
void yieldNow() {
  std::this_thread::yield();
}
