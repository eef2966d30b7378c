// Builds a game folder from a source folder of scripts and recipes.
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "tools/mkgame/GameBuilder.h"

namespace {

// Qt's notes about the desktop session (no runtime folder on a build
// machine) say nothing about the game being built.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg) return;
  if (message.contains(QStringLiteral("XDG_RUNTIME_DIR"))) return;
  std::cerr << message.toStdString() << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  kobre::mkgame::BuildOptions options;
  std::string src, out;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-v") == 0 || std::strcmp(argv[i], "--verbose") == 0) {
      options.verbose = true;
    } else if (src.empty()) {
      src = argv[i];
    } else if (out.empty()) {
      out = argv[i];
    } else {
      src.clear();
      break;
    }
  }
  if (src.empty() || out.empty()) {
    std::cerr << "usage: kobre-mkgame [-v] SRC OUT\n"
                 "Builds the game folder OUT (arc.scr, arc.cg, arc2.cg, arc.wav and loose\n"
                 "files) from the scripts and recipes in SRC (see demo/ for an example).\n";
    return 2;
  }
  // Drawing needs a GUI application but no display.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  qInstallMessageHandler(quietMessages);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  std::string error;
  if (!kobre::mkgame::buildGame(src, out, options, std::cout, error)) {
    std::cerr << "kobre-mkgame: " << error << "\n";
    return 1;
  }
  return 0;
}
