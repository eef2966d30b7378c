// Shared by the tool tests: a GUI application for drawing (offscreen).
#pragma once

#include <QGuiApplication>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "storage/ArchiveFile.h"
#include "storage/FileHandle.h"

namespace kobre::testing {

// The one QGuiApplication of the test program, made on first use. It is
// never destroyed: at exit Qt's own globals may already be gone.
inline void ensureGuiApp() {
  static QGuiApplication* app = nullptr;
  if (app) return;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "test_tools";
  static char* argv[] = {name, nullptr};
  app = new QGuiApplication(argc, argv);
}

}  // namespace kobre::testing
