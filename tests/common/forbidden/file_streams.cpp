// Compiled by the forbidden-symbol tests (see tests/common/CMakeLists.txt).
bool exists() {
  std::ifstream file("KOBRE.ini");
  return file.good();
}
