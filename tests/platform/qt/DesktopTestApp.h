#pragma once

// One QApplication for the whole test program, on the offscreen platform
// unless the environment chose another.

#include <QApplication>
#include <cstdlib>

namespace kobre::test {

inline QApplication* desktopApp() {
  static int argc = 1;
  static char name[] = "test_desktop";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    return new QApplication(argc, argv);
  }();
  return app;
}

}  // namespace kobre::test
