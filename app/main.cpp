// Program entry of the runtime: one copy at a time, then the desktop window
// or, with --headless, the same engine on the headless platform.
#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/DesktopMain.h"
#include "app/HeadlessRunner.h"
#include "app/TComForm.h"
#include "app/TDrvForm.h"
#include "app/TMainForm.h"
#include "app/TPadForm.h"
#include "app/frame/EngineFactory.h"
#include "app/frame/MainFrame.h"
#include "app/frame/PadAccess.h"
#include "platform/posix/InstanceLock.h"
#include "platform/qt/QtHost.h"

#ifndef KOBRE_DEMO_DIR
#define KOBRE_DEMO_DIR "."
#endif

namespace {

using namespace kobre;

// The desktop main window as the frame logic sees it.
class DesktopWindow : public frame::FrameWindow {
 public:
  DesktopWindow(app::TMainForm& form, app::TDrvForm& drives) : form_(form), drives_(drives) {}
  void setCaption(std::string_view utf8) override {
    form_.setWindowTitle(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
  }
  void applyDisplayMode(bool windowed) override { form_.applyDisplayMode(windowed); }
  // Full screen never changes the display's own mode here.
  void restoreDesktopMode() override {}
  std::string chooseDrive(const std::vector<std::string>& roots) override {
    return drives_.choose(roots);
  }

 private:
  app::TMainForm& form_;
  app::TDrvForm& drives_;
};

int runDesktop(int& argc, char** argv, const std::string& gameFolder) {
  app::DesktopOptions options;
  options.gameFolder = gameFolder;
  auto desktop = app::createDesktop(argc, argv, options);
  QApplication::setApplicationName(QString::fromUtf8("Vellind Game System"));
  app::TMainForm& form = desktop->form();
  app::TDrvForm drives(&form);
  DesktopWindow window(form, drives);
  // The dialogs the engine opens answer the joypad once start-up made it.
  frame::FrameEngine* running = nullptr;
  app::QtDialogs dialogs(&form, *desktop->platform().text,
                         [&running] { return running ? frame::engineJoypad(*running) : nullptr; });
  desktop->platform().dialogs = &dialogs;
  auto enginePtr = frame::createRuntimeEngine(desktop->platform());
  frame::FrameEngine& engine = *enginePtr;
  running = &engine;
  frame::MainFrame mainFrame(desktop->platform(), engine, window);
  frame::connectFrame(mainFrame, engine);

  std::error_code ec;
  mainFrame.setFolderAvailable(std::filesystem::is_directory(gameFolder, ec));
  form.onCloseQuery = [&] { return mainFrame.closeQuery(); };
  form.onToggleDisplayMode = [&] { mainFrame.toggleDisplayMode(); };
  form.onMenu = [&](const QString& item) {
    if (item == "MnWindow" || item == "MnFull16" || item == "MnFull32")
      mainFrame.displayModeMenuClick(item.toStdString());
    else if (item == "MnExit")
      form.close();
    else if (item == "MnPad") {
      // The joypad settings work on the settings object start-up made.
      if (PadConfig* pad = frame::enginePadConfig(engine)) {
        app::TPadForm dialog(*pad, &form);
        dialog.exec();
      }
    }
  };
  form.onClosed = [&] {
    mainFrame.setClosing();
    QCoreApplication::quit();
  };
  mainFrame.windowCreated();
  // The two posted start messages: start-up, then the frame loop.
  QTimer::singleShot(0, &form, [&] {
    // Ask for the focus: without a window manager (a bare X server) nobody
    // else would give it, and an inactive window does not run its script.
    form.activateWindow();
    if (!mainFrame.startUp()) {
      mainFrame.paint();  // sees closing and closes the window
      return;
    }
    QTimer::singleShot(0, &form, [&] { mainFrame.runMainLoop(); });
  });
  int code = desktop->exec();
  mainFrame.destroy();
  return code;
}

// What `kobre --help` prints.
constexpr const char* kUsage =
    "usage: kobre [GAME_DIR]\n"
    "       kobre --headless [--input FILE] [--auto-ok] [--answer yes|no] [--max-polls N]\n"
    "                        [--dump-state FILE] [--screenshot FILE@POLL]... [--audio-out "
    "FILE.wav]\n"
    "                        [GAME_DIR]\n"
    "       kobre --help | --version\n"
    "\n"
    "Plays the game in GAME_DIR (the bundled demo game when none is given) in a window.\n"
    "With --headless the game runs without a window or sound card in virtual time:\n"
    "  --input FILE             input lines \"POLL BUTTONS [X,Y]\" replayed at the given polls\n"
    "                           and \"POLL pad LIST\" for the virtual pad (B0...B31, Up, Down,\n"
    "                           Left, Right joined with +, or -)\n"
    "  --auto-ok                answers every message box with its first button\n"
    "  --answer yes|no          the answer to yes/no questions\n"
    "  --max-polls N            ends the run (exit code 3) after N input polls\n"
    "  --dump-state FILE        writes the final game state to FILE\n"
    "  --screenshot FILE@POLL   writes the first picture presented after POLL as a PNG\n"
    "  --audio-out FILE.wav     writes everything the mixer played\n"
    "Every message box is printed on stdout as one line: BOX<TAB>caption<TAB>text.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "--headless") {
    // Headless runs take no desktop lock: the runner locks the folder it
    // writes to, so runs of other game folders go side by side.
    args.erase(args.begin());
    return app::runHeadlessCommand(args, KOBRE_DEMO_DIR, std::cout, std::cerr);
  }

  // The desktop's own arguments: one game folder ("--" before one that
  // starts with "-"), --help and --version.
  std::string gameFolder;
  bool folderGiven = false, optionsEnd = false;
  for (const std::string& arg : args) {
    if (!optionsEnd && arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (!optionsEnd && arg == "--version") {
      std::cout << frame::kFrameCaption << "\n";
      return 0;
    }
    if (!optionsEnd && arg == "--") {
      optionsEnd = true;
    } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
      std::cerr << "kobre: unknown option " << arg << " (see kobre --help)\n";
      return app::kExitUsage;
    } else if (folderGiven) {
      std::cerr << "kobre: more than one game folder: " << arg << " (see kobre --help)\n";
      return app::kExitUsage;
    } else {
      gameFolder = arg;
      folderGiven = true;
    }
  }
  if (!folderGiven) gameFolder = KOBRE_DEMO_DIR;

  // A second copy ends at once, with no window and no message. A lock that
  // cannot be made does not keep the game from starting.
  platform::InstanceLock lock;
  const std::string lockPath = platform::InstanceLock::defaultPath();
  switch (lock.acquire(lockPath)) {
    case platform::InstanceLock::Result::Acquired:
      break;
    case platform::InstanceLock::Result::HeldElsewhere:
      return 1;
    case platform::InstanceLock::Result::Unavailable:
      std::cerr << "kobre: no single-instance lock (" << lock.error() << "); starting anyway\n";
      break;
  }

  // Qt sees only the program name: the game folder is ours.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  return runDesktop(qtArgc, qtArgv, gameFolder);
}
