// Program entry of the runtime: one copy at a time, then the desktop window
// or, with --headless, the same engine on the headless platform.
#include <QAction>
#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/DesktopMain.h"
#include "app/DesktopMenuDialogs.h"
#include "app/DialogMenu.h"
#include "app/GameFolder.h"
#include "app/HeadlessRunner.h"
#include "app/LintCommand.h"
#include "app/TComForm.h"
#include "app/TDrvForm.h"
#include "app/TFlagForm.h"
#include "app/TMainForm.h"
#include "app/TNameForm.h"
#include "app/TOptionForm.h"
#include "app/frame/EngineFactory.h"
#include "app/frame/MainFrame.h"
#include "app/frame/MenuCommands.h"
#include "app/frame/OptionSettings.h"
#include "app/frame/PadAccess.h"
#include "platform/posix/InstanceLock.h"
#include "platform/qt/QtHost.h"
#include "script/Runtime.h"

#ifndef KOBRE_DEMO_DIR
#define KOBRE_DEMO_DIR "."
#endif
// The installed demo game, relative to the installed program's folder.
#ifndef KOBRE_INSTALLED_DEMO
#define KOBRE_INSTALLED_DEMO ""
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

int runDesktop(int& argc, char** argv, std::string gameFolder, bool debugMenu) {
  // No game named and none found where the program looks: the player picks
  // a folder (the application must exist before the dialog).
  std::unique_ptr<QApplication> chooserApp;
  if (gameFolder.empty()) {
    chooserApp = std::make_unique<QApplication>(argc, argv);
    gameFolder = app::chooseGameFolder();
    if (gameFolder.empty()) return 0;
  }
  app::DesktopOptions options;
  options.gameFolder = gameFolder;
  auto desktop = app::createDesktop(argc, argv, options);
  QApplication::setApplicationName(QString::fromUtf8("Vellind Game System"));
  app::TMainForm& form = desktop->form();
  app::TDrvForm drives(&form);
  DesktopWindow window(form, drives);
  // The dialogs the engine opens answer the joypad once start-up made it.
  frame::FrameEngine* running = nullptr;
  app::QtDialogs engineDialogs(&form, *desktop->platform().text, [&running] {
    return running ? frame::engineJoypad(*running) : nullptr;
  });
  desktop->platform().dialogs = &engineDialogs;
  auto enginePtr = frame::createRuntimeEngine(desktop->platform());
  frame::FrameEngine& engine = *enginePtr;
  running = &engine;
  frame::MainFrame mainFrame(desktop->platform(), engine, window);
  frame::connectFrame(mainFrame, engine);
  // The options, name and flag dialogs, made once with the window.
  frame::OptionSettings optionSettings(engine.runtime());
  optionSettings.repaint = [&] { mainFrame.present(); };
  app::TNameForm nameForm(optionSettings, *desktop->platform().text, &form);
  app::TOptionForm optionForm(optionSettings, nameForm, &form);
  app::TFlagForm flagForm(engine.runtime().gameState, &form);

  std::error_code ec;
  mainFrame.setFolderAvailable(std::filesystem::is_directory(gameFolder, ec));
  form.onCloseQuery = [&] { return mainFrame.closeQuery(); };
  form.onToggleDisplayMode = [&] { mainFrame.toggleDisplayMode(); };
  app::DesktopMenuDialogs dialogs(form, desktop->platform(), engine,
                                  std::filesystem::absolute(gameFolder, ec).string());
  dialogs.openOptions = [&] { app::openDialogMenu("MnOption", optionForm, flagForm); };
  dialogs.openFlags = [&] { app::openDialogMenu("MnFlag", optionForm, flagForm); };
  frame::MenuCommands commands(desktop->platform(), mainFrame, engine, dialogs);
  form.onMenu = [&](const QString& item) { commands.run(item.toStdString()); };
  if (debugMenu) {
    if (QAction* debug = form.menuItem("MnDebug")) debug->setVisible(true);
  }
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
    "       kobre --debug-menu [GAME_DIR]\n"
    "       kobre --headless [--input FILE] [--auto-ok] [--answer yes|no] [--max-polls N]\n"
    "                        [--debug-menu]\n"
    "                        [--dump-state FILE] [--screenshot FILE@POLL]... [--audio-out "
    "FILE.wav]\n"
    "                        [GAME_DIR]\n"
    "       kobre --lint GAME_DIR\n"
    "       kobre --help | --version\n"
    "\n"
    "Plays the game in GAME_DIR (the bundled demo game when none is given) in a window.\n"
    "  --debug-menu             shows the debugging menu (current line, flags)\n"
    "With --headless the game runs without a window or sound card in virtual time:\n"
    "  --input FILE             input lines \"POLL BUTTONS [X,Y]\" replayed at the given polls\n"
    "                           and \"POLL pad LIST\" for the virtual pad (B0...B31, Up, Down,\n"
    "                           Left, Right joined with +, or -)\n"
    "                           and \"POLL menu ITEM\" to click a menu item (MnTitle, ...)\n"
    "  --auto-ok                answers every message box with its first button\n"
    "  --answer yes|no          the answer to yes/no questions\n"
    "  --max-polls N            ends the run (exit code 3) after N input polls\n"
    "  --dump-state FILE        writes the final game state to FILE\n"
    "  --screenshot FILE@POLL   writes the first picture presented after POLL as a PNG\n"
    "  --audio-out FILE.wav     writes everything the mixer played\n"
    "  --debug-menu             the debugging menu's items can be clicked (POLL menu lines)\n"
    "Every message box is printed on stdout as one line: BOX<TAB>caption<TAB>text.\n"
    "With --lint every script of GAME_DIR is read without running it; each fault is printed\n"
    "as SCRIPT:LINE: MESSAGE, and the exit code is 1 when anything was found.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "--headless") {
    // Headless runs take no desktop lock: the runner locks the folder it
    // writes to, so runs of other game folders go side by side.
    args.erase(args.begin());
    std::string demo = app::findDemoFolder(KOBRE_INSTALLED_DEMO, KOBRE_DEMO_DIR);
    if (demo.empty()) demo = KOBRE_DEMO_DIR;  // reported as missing by the run
    return app::runHeadlessCommand(args, demo, std::cout, std::cerr);
  }
  if (!args.empty() && args[0] == "--lint") {
    args.erase(args.begin());
    return app::runLintCommand(args, std::cout, std::cerr);
  }

  // The desktop's own arguments: one game folder ("--" before one that
  // starts with "-"), --help and --version.
  std::string gameFolder;
  bool folderGiven = false, optionsEnd = false, debugMenu = false;
  for (const std::string& arg : args) {
    if (!optionsEnd && arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (!optionsEnd && arg == "--version") {
      std::cout << frame::kFrameCaption << "\n";
      return 0;
    }
    if (!optionsEnd && arg == "--debug-menu") {
      debugMenu = true;
    } else if (!optionsEnd && arg == "--") {
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
  if (!folderGiven) gameFolder = app::findDemoFolder(KOBRE_INSTALLED_DEMO, KOBRE_DEMO_DIR);

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
  return runDesktop(qtArgc, qtArgv, gameFolder, debugMenu);
}
