// The main menu's commands (what TMainForm's items do), without widgets: the
// desktop window and the headless runner both hand a clicked item's
// component name to run(). Dialogs and forms that need a window are reached
// through MenuDialogs, which each side provides.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace kobre::frame {

class FrameEngine;
class MainFrame;

// Texts of the menu commands' boxes (UTF-8).
inline constexpr std::string_view kTitleQuestion = "タイトル画面に戻りますか？";
inline constexpr std::string_view kManualFile = "Manual\\Manual.html";
inline constexpr std::string_view kManualError = "起動エラー";
inline constexpr std::string_view kUpdaterProgram = "upfetch.exe";
inline constexpr std::string_view kUpdaterError = "アップデータエラー";
inline constexpr std::string_view kAboutHeading = "バージョン情報";
inline constexpr std::string_view kAboutLine1 = "KOBRE visual-novel runtime for Linux";
inline constexpr std::string_view kAboutLine2 = "Written by the KOBRE developers";
inline constexpr std::string_view kNowLineHeading = "現在実行中の行";
inline constexpr std::string_view kSkipOnCaption = "スキップ中(&S)";
inline constexpr std::string_view kSkipOffCaption = "スキップ停止中(&S)";

// The 800 x 600 screen picture, XRGB, rows top to bottom.
using ScreenPicture = std::vector<uint32_t>;

class MenuDialogs {
 public:
  virtual ~MenuDialogs() = default;

  enum class SaveResult { Saved, Cancelled, Failed };
  // The save dialog offering `suggestedName` ("0000.bmp"); writes the picture
  // as a BMP file to the chosen name. A failed write has been reported.
  virtual SaveResult saveScreen(const std::string& suggestedName, const ScreenPicture& picture) = 0;
  // Puts the picture on the clipboard as a bitmap.
  virtual void copyScreen(const ScreenPicture& picture) = 0;
  // The font dialog starting on `font` (face CP932); false when cancelled.
  // The size chosen is of no consequence: messages keep their heights.
  virtual bool chooseFont(platform::FontSpec& font) = 0;
  virtual void showOptions() = 0;  // the options dialog, modal
  virtual void showPad() = 0;      // the joypad settings, modal
  virtual void showFlags() = 0;    // the flag viewer, not modal
  // The support mail form, modal; on its OK result the mail is sent
  // without waiting for it.
  virtual void supportMail() = 0;
};

class MenuCommands {
 public:
  MenuCommands(const platform::Platform& platform, MainFrame& frame, FrameEngine& engine,
               MenuDialogs& dialogs);

  // Runs the command of the item named; false for a name that is no command
  // (menus, separators, unknown names).
  bool run(std::string_view item);
  // Every item name run() knows, in menu order.
  static const std::vector<std::string_view>& commandNames();
  // The menu an item sits in; empty for items on the menu bar itself.
  static std::string_view menuOf(std::string_view item);
  // Items and menus hidden when the window is made (MnDebug among them).
  static const std::vector<std::string_view>& hiddenAtCreation();

  // The number the next screen save suggests (0000.bmp first).
  int captureCount() const { return captureCount_; }

  // The pieces, for the window's own hooks and for tests.
  void returnToTitle();
  void copyScreen();
  void saveScreen();
  void toggleSkip();
  void standardFont();
  void chooseFont();
  void openManual();
  void startUpdater();
  void about();
  void showCurrentLine();

 private:
  void box(std::string_view text, platform::BoxIcon icon);

  platform::Platform platform_;
  MainFrame& frame_;
  FrameEngine& engine_;
  MenuDialogs& dialogs_;
  int captureCount_ = 0;
};

// "%04d.bmp" of a capture number.
std::string captureFileName(int number);

}  // namespace kobre::frame
