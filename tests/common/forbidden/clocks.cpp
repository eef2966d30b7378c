// Compiled by the forbidden-symbol tests (see tests/common/CMakeLists.txt).
long long ticks() {
  return std::chrono::steady_clock::now().time_since_epoch().count();
}
