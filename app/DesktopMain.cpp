#include "app/DesktopMain.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>

#include "app/TMainForm.h"
#include "platform/posix/IconvTextCodec.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixShell.h"
#include "platform/posix/StreamLog.h"
#include "platform/qt/QtClock.h"
#include "platform/qt/QtHost.h"
#include "platform/qt/QtTextRasterizer.h"
#include "platform/qt/ScreenView.h"
#include "platform/sdl/SdlAudioDevice.h"
#include "platform/sdl/SdlJoystick.h"

namespace kobre::app {

Desktop::Desktop(int& argc, char** argv, const DesktopOptions& options) {
  if (!QCoreApplication::instance()) ownApp_ = std::make_unique<QApplication>(argc, argv);
  // Boxes and dialogs show Qt's standard buttons ("はい"/"いいえ" on a
  // Japanese desktop); their texts are the game's own.
  qtTranslations_ = platform::qt::installQtTranslations(QLocale::system());
  form_ = std::make_unique<TMainForm>();
  clock_ = std::make_unique<platform::qt::QtClock>();
  host_ = std::make_unique<platform::qt::QtHost>(form_.get(), form_->view());
  text_ = std::make_unique<platform::IconvTextCodec>();
  files_ = std::make_unique<platform::PosixFileSystem>(options.gameFolder, options.writableFolder);
  shell_ = std::make_unique<platform::PosixShell>(options.gameFolder, options.programFolder.empty()
                                                                          ? options.gameFolder
                                                                          : options.programFolder);
  raster_ = std::make_unique<platform::qt::QtTextRasterizer>(*text_);
  audio_ = std::make_unique<platform::sdl::SdlAudioDevice>();
  log_ = std::make_unique<platform::FileLog>();
  audio_->setLog(log_.get());
  joystick_ = std::make_unique<platform::sdl::SdlJoystick>();
  platform_.clock = clock_.get();
  platform_.host = host_.get();
  platform_.files = files_.get();
  platform_.text = text_.get();
  platform_.audio = audio_.get();
  platform_.joystick = joystick_.get();
  platform_.shell = shell_.get();
  platform_.raster = raster_.get();
  platform_.log = log_.get();
}

Desktop::~Desktop() {
  // The engine is gone by now; the window goes before the application.
  joystick_.reset();
  audio_.reset();
  host_.reset();
  form_.reset();
}

int Desktop::exec() {
  form_->show();
  return QApplication::exec();
}

std::unique_ptr<Desktop> createDesktop(int& argc, char** argv, const DesktopOptions& options) {
  return std::make_unique<Desktop>(argc, argv, options);
}

int runDesktopWindow(int& argc, char** argv) {
  auto desktop = createDesktop(argc, argv);
  return desktop->exec();
}

}  // namespace kobre::app
