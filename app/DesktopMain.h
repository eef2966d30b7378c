#pragma once

// The desktop program's objects: the Qt application, the main window and the
// platform the engine runs on (Qt window and clock, SDL audio and joystick,
// POSIX files and shell, iconv text). The entry creates one and hands its
// platform to the start-up code.

#include <memory>
#include <string>

#include "platform/Platform.h"

class QApplication;
class QTranslator;

namespace kobre::platform {
class PosixFileSystem;
class FileLog;
class PosixShell;
class IconvTextCodec;
namespace qt {
class QtClock;
class QtHost;
class QtTextRasterizer;
}  // namespace qt
namespace sdl {
class SdlAudioDevice;
class SdlJoystick;
}  // namespace sdl
}  // namespace kobre::platform

namespace kobre::app {

class TMainForm;

struct DesktopOptions {
  std::string gameFolder = ".";  // host path of the game folder
  std::string writableFolder;    // empty: the file layer's default rule
  std::string programFolder;     // where upfetch lies; empty: the game folder
};

class Desktop {
 public:
  // argc/argv are handed to QApplication (it keeps references to them). An
  // application that already exists (a test's) is used as it is.
  Desktop(int& argc, char** argv, const DesktopOptions& options);
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  TMainForm& form() { return *form_; }
  platform::Platform& platform() { return platform_; }
  platform::qt::QtHost& host() { return *host_; }
  platform::PosixFileSystem& files() { return *files_; }

  // Shows the main window and runs the event loop until the application
  // quits; returns its exit code.
  int exec();

 private:
  std::unique_ptr<QApplication> ownApp_;
  std::unique_ptr<QTranslator> qtTranslations_;  // the standard buttons in the desktop's language
  std::unique_ptr<TMainForm> form_;
  std::unique_ptr<platform::qt::QtClock> clock_;
  std::unique_ptr<platform::qt::QtHost> host_;
  std::unique_ptr<platform::IconvTextCodec> text_;
  std::unique_ptr<platform::PosixFileSystem> files_;
  std::unique_ptr<platform::PosixShell> shell_;
  std::unique_ptr<platform::qt::QtTextRasterizer> raster_;
  std::unique_ptr<platform::sdl::SdlAudioDevice> audio_;
  std::unique_ptr<platform::sdl::SdlJoystick> joystick_;
  std::unique_ptr<platform::FileLog> log_;
  platform::Platform platform_;
};

// Creates the desktop objects; the window is not shown yet.
std::unique_ptr<Desktop> createDesktop(int& argc, char** argv, const DesktopOptions& options = {});

// Shows the bare main window (black client area, full menu bar) and runs it.
int runDesktopWindow(int& argc, char** argv);

}  // namespace kobre::app
