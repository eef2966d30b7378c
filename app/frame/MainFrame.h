// The main window's logic (TMainForm without its widgets): start-up in its
// fixed order, the frame loop, the input poll, presenting, the close request
// with the quit question, the display-mode switch and the orderly shutdown.
// The desktop window and the headless runner forward their events here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/frame/FrameEngine.h"
#include "app/frame/ProfileFile.h"
#include "app/frame/SettingsFile.h"
#include "platform/Platform.h"

namespace kobre::frame {

// Captions and texts of the frame's boxes and window (UTF-8).
inline constexpr std::string_view kFrameCaption = "KOBRE ver 1.32";
inline constexpr std::string_view kApplicationTitle = "Vellind Game System";
inline constexpr std::string_view kWindowCaption = "ソラノワ　復刻版";
inline constexpr std::string_view kQuitQuestion = "本当に終了してもよろしいですか？";
inline constexpr std::string_view kMsgDrive = "ドライブが変更できません";
inline constexpr std::string_view kMsgFolder = "フォルダが変更できません";
inline constexpr std::string_view kMsgVorbis = "Vorbis ACM が初期化できません";
inline constexpr std::string_view kMsgScreen = "画面の作成に失敗しました";
inline constexpr std::string_view kMsgSound = "Direct Sound が使用できません";
inline constexpr std::string_view kMsgDataFile = "データファイルが読めません";
inline constexpr std::string_view kMsgMemory = "メモリが足りません";
inline constexpr std::string_view kMsgScenario = "シナリオが初期化できません";
inline constexpr std::string_view kOpenScript = "scr\\open.scr";
inline constexpr std::string_view kReadRecordFile = "Read.dat";

// The desktop message of the display check.
std::string desktopMessage();

class MainFrame {
 public:
  // platform: host, file system and text codec are used; engine and window
  // are borrowed for the life of the frame.
  MainFrame(platform::Platform& platform, FrameEngine& engine, FrameWindow& window);
  ~MainFrame() = default;
  MainFrame(const MainFrame&) = delete;
  MainFrame& operator=(const MainFrame&) = delete;

  // Whether the game folder could be made current (checked by the caller,
  // which knows the host paths); false fails the folder step.
  void setFolderAvailable(bool available) { folderAvailable_ = available; }

  // The window's creation: window flags and sizes are the window's own; this
  // keeps the small font ready. The caller posts the start-up next.
  void windowCreated();
  // The first posted message: every engine object in order. False after a
  // fatal failure (closing set, settings not written).
  bool startUp();
  void failStartUp(std::string_view message);
  bool started() const { return started_; }
  bool startUpFailed() const { return failed_; }

  // The second posted message: steps the top script until closing is set.
  void runMainLoop();

  // Services of the script context.
  bool pollInput();
  void present();
  void presentShaken(int offset);

  // Window events.
  void paint();
  // The close query: true grants closing (asks the quit question unless
  // closing is already set).
  bool closeQuery();
  // Alt+Enter while the view menu is visible.
  void toggleDisplayMode();
  // The handler shared by MnWindow, MnFull16 and MnFull32.
  void displayModeMenuClick(std::string_view item);
  // Mouse moves (client coordinates); in full screen the top 8 rows bring in
  // the menu bar. Returns whether the menu bar should now be in view.
  bool mouseMove(int x, int y);
  // MM_MCINOTIFY.
  void mciNotify();

  // The window's destruction: desktop mode, settings, objects, in order.
  void destroy();

  // The main-window flags (closing, returnToTitle, ...) and the input sets
  // live in the runtime, where the script engine tests them.
  Runtime& runtime() { return engine_.runtime(); }
  bool closing();
  void setClosing();
  bool saveSettingsOnExit() const { return saveSettingsOnExit_; }
  const platform::FontSpec& messageFont() const { return messageFont_; }
  const platform::FontSpec& smallFont() const { return smallFont_; }
  // The font menu commands change the message font here.
  void setMessageFont(const platform::FontSpec& font);
  const FrameSettings& frameSettings() const { return frameSettings_; }
  bool menuBarShown() const { return menuBarShown_; }

 private:
  void errorBox(std::string_view text);
  void applyDisplayMode();
  void closeWindow();
  bool openSoundArchive();

  platform::Platform& platform_;
  FrameEngine& engine_;
  FrameWindow& window_;
  bool saveSettingsOnExit_ = true;
  FrameSettings frameSettings_ = defaultFrameSettings();
  platform::FontSpec messageFont_;
  platform::FontSpec smallFont_;
  bool folderAvailable_ = true;
  bool started_ = false;
  bool failed_ = false;
  bool destroyed_ = false;
  bool closeRequested_ = false;
  bool menuBarShown_ = false;
};

}  // namespace kobre::frame
