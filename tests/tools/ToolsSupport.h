// Shared by the tool tests: a GUI application for drawing (offscreen).
#pragma once

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "storage/ArchiveFile.h"
#include "storage/FileHandle.h"

namespace kobre::testing {

// The one QGuiApplication of the test program, made on first use.
inline void ensureGuiApp() {
  static std::unique_ptr<QGuiApplication> app;
  if (app) return;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "test_tools";
  static char* argv[] = {name, nullptr};
  app = std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace kobre::testing
