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
#include "app/TDrvForm.h"
#include "app/TMainForm.h"
#include "app/frame/EngineFactory.h"
#include "app/frame/MainFrame.h"
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
  auto enginePtr = frame::createRuntimeEngine(desktop->platform());
  frame::FrameEngine& engine = *enginePtr;
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

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // A second copy ends at once, with no window and no message.
  platform::InstanceLock lock;
  if (!lock.acquire("KOBRE_MUTEX_OBJECT", platform::InstanceLock::defaultFolder())) return 1;

  if (!args.empty() && args[0] == "--headless") {
    args.erase(args.begin());
    return app::runHeadlessCommand(args, KOBRE_DEMO_DIR, std::cout, std::cerr);
  }
  std::string gameFolder = args.empty() ? std::string(KOBRE_DEMO_DIR) : args[0];
  runDesktop(argc, argv, gameFolder);
  return 0;
}
