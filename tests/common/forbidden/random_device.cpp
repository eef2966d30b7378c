// Compiled by the forbidden-symbol tests (see tests/common/CMakeLists.txt).
unsigned seed() {
  return std::random_device()();
}
