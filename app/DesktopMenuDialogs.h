// The menu commands' dialogs on the desktop: the screen save dialog and the
// clipboard, the font dialog, the joypad settings and the support mail form
// with its sending.
#pragma once

#include <functional>

#include <QObject>
#include <memory>
#include <string>

#include "app/SupportMail.h"
#include "app/frame/MenuCommands.h"

namespace kobre::frame {
class FrameEngine;
}

namespace kobre::app {

class TMailForm;
class TMainForm;

class DesktopMenuDialogs : public frame::MenuDialogs {
 public:
  // gameFolder: host path of the game folder (the save dialog starts there
  // and the mail names it).
  DesktopMenuDialogs(TMainForm& form, const platform::Platform& platform,
                     frame::FrameEngine& engine, std::string gameFolder);
  ~DesktopMenuDialogs() override;

  SaveResult saveScreen(const std::string& suggestedName,
                        const frame::ScreenPicture& picture) override;
  void copyScreen(const frame::ScreenPicture& picture) override;
  bool chooseFont(platform::FontSpec& font) override;
  void showOptions() override;
  void showPad() override;
  void showFlags() override;
  void supportMail() override;

  // The options dialog and the flag viewer, made beside the window.
  std::function<void()> openOptions;
  std::function<void()> openFlags;

  TMailForm& mailForm() { return *mailForm_; }
  SupportMailer& mailer() { return *mailer_; }

 private:
  TMainForm& form_;
  platform::Platform platform_;
  frame::FrameEngine& engine_;
  std::string gameFolder_;
  // Results of mails sent come back through this object; when it is gone,
  // nothing is delivered.
  std::unique_ptr<QObject> mailContext_;
  std::unique_ptr<TMailForm> mailForm_;
  std::unique_ptr<SupportMailer> mailer_;
};

}  // namespace kobre::app
