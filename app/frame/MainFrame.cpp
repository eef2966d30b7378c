#include "app/frame/MainFrame.h"

#include "common/Buttons.h"
#include "input/InputMap.h"
#include "script/Runtime.h"
#include "storage/ArchiveFile.h"
#include "storage/ReadRecord.h"

namespace kobre::frame {

using platform::BoxButtons;
using platform::BoxIcon;
using platform::BoxResult;
using platform::MessageBoxSpec;

namespace {

constexpr int kMessageFontHeight = 22;
constexpr int kSmallFontHeight = 18;
// Rows at the top of the screen that bring the menu bar into view in full screen.
constexpr int kMenuBarRows = 8;

std::string withFile(std::string_view message, std::string_view file) {
  std::string text(message);
  text += '\n';
  text += file;
  return text;
}

}  // namespace

std::string desktopMessage() {
  return "デスクトップを " + std::to_string(kScreenWidth) + " × " + std::to_string(kScreenHeight) +
         " ハイカラー以上にして下さい";
}

MainFrame::MainFrame(platform::Platform& platform, FrameEngine& engine, FrameWindow& window)
    : platform_(platform), engine_(engine), window_(window) {}

void MainFrame::windowCreated() {
  smallFont_.face = frameSettings_.fontName;
  smallFont_.pixelHeight = kSmallFontHeight;
}

void MainFrame::errorBox(std::string_view text) {
  MessageBoxSpec spec;
  spec.caption = std::string(kFrameCaption);
  spec.text = std::string(text);
  spec.buttons = BoxButtons::Ok;
  spec.icon = BoxIcon::Error;
  spec.defaultButton = BoxResult::Ok;
  platform_.host->messageBox(spec);
}

void MainFrame::failStartUp(std::string_view message) {
  errorBox(message);
  saveSettingsOnExit_ = false;
  runtime().closing = true;
  failed_ = true;
}

bool MainFrame::openSoundArchive() {
  // The archive object is part of the runtime, so it always exists and the
  // "not enough memory" outcome cannot arise here.
  ArchiveFile* archive = &runtime().soundArchive;
  std::string supplement = "arc2.wav";
  if (!archive->open("arc.wav", false)) {
    // The sound archive may have stayed on the disc: the user names the drive.
    std::string prefix = window_.chooseDrive(platform_.files->opticalDrives());
    if (!archive->open(prefix + "image\\arc.wav", false)) {
      failStartUp(withFile(kMsgDataFile, "arc.wav"));
      return false;
    }
    supplement = prefix + "image\\arc2.wav";
  }
  archive->attachSupplement(supplement, false);
  return true;
}

bool MainFrame::startUp() {
  platform::Host* host = platform_.host;
  // The drive of the program's path: there are no drive letters here, so the
  // step always succeeds. The folder is the game folder.
  if (!folderAvailable_) {
    failStartUp(kMsgFolder);
    return false;
  }
  // No display-mode change exists on this platform: the desktop's mode is
  // only checked below, and full screen scales the picture instead.
  window_.setCaption(kWindowCaption);

  if (!engine_.createCodecDriver()) {
    failStartUp(kMsgVorbis);
    return false;
  }

  host->setMenuCaption("MnFull16", "全画面(&0)");
  host->setMenuVisible("MnFull16", false);
  host->setMenuVisible("MnFull32", false);

  if (!engine_.createBackBuffer()) {
    failStartUp(kMsgScreen);
    return false;
  }
  host->setMenuVisible("MnFull16", true);

  engine_.createSprites();
  if (!engine_.createSoundDevice()) {
    failStartUp(kMsgSound);
    return false;
  }
  engine_.createSoundChannels();
  engine_.openJoypad();

  // Missing script and picture archives only lose what they hold: loose
  // files still work, so start-up goes on after the box.
  Runtime& rt = runtime();
  if (!rt.scriptArchive.open("arc.scr", true)) errorBox(withFile(kMsgDataFile, "arc.scr"));
  rt.scriptArchive.attachSupplement("arc2.scr", true);
  if (!rt.imageArchive.open("arc.cg", true)) errorBox(withFile(kMsgDataFile, "arc.cg"));
  rt.imageArchive.attachSupplement("arc2.cg", true);
  if (!openSoundArchive()) return false;

  if (!engine_.loadTopScript(kOpenScript)) {
    failStartUp(kMsgScenario);
    return false;
  }
  engine_.setSkip(false);
  host->setMenuCaption("MnSkip", "スキップ停止中(&S)");

  ProfileFile file;
  loadSettingsFile(platform_.files, file);
  readSettings(file, frameSettings_);
  rt.settings = frameSettings_.settings;

  // Without a readable record every message counts as unread.
  (void)rt.readRecord.load(platform_.files, kReadRecordFile);

  if (host->screenWidth() < kScreenWidth || host->screenHeight() < kScreenHeight ||
      host->screenBitsPerPixel() <= 14) {
    failStartUp(desktopMessage());
    return false;
  }

  engine_.setWindowed(frameSettings_.windowed);
  applyDisplayMode();

  platform::FontSpec font;
  font.face = frameSettings_.fontName;
  switch (frameSettings_.fontStyle) {
    case 1:
      font.bold = true;
      break;
    case 2:
      font.italic = true;
      break;
    case 3:
      font.bold = font.italic = true;
      break;
    default:
      break;  // 0, and codes outside the four: no style
  }
  setMessageFont(font);

  started_ = true;
  return true;
}

void MainFrame::setMessageFont(const platform::FontSpec& font) {
  messageFont_ = font;
  messageFont_.pixelHeight = kMessageFontHeight;
  smallFont_ = font;
  smallFont_.pixelHeight = kSmallFontHeight;
  engine_.setFonts(messageFont_, smallFont_);
}

void MainFrame::runMainLoop() {
  platform::Host* host = platform_.host;
  while (!runtime().closing) {
    host->setMenuEnabled("MnDispCopy", true);
    host->setMenuEnabled("MnDispSave", true);
    // An inactive window steps nothing: sleep until a message comes (the
    // activation, a menu command) instead of spinning through the pump.
    if (host->isActive())
      host->pumpEvents();
    else
      host->waitEvents();
    if (!runtime().closing && host->isActive()) {
      if (!engine_.step()) {
        // The script ended by itself: close without the question.
        runtime().closing = true;
        closeWindow();
        break;
      }
    }
  }
}

bool MainFrame::pollInput() {
  platform::Host* host = platform_.host;
  host->pumpEvents();
  engine_.updateSound();
  if (runtime().closing) return false;
  if (!host->isActive()) {
    runtime().heldButtons = 0;
    runtime().pressedButtons = 0;
    return true;
  }
  platform::InputState input;
  host->readInput(input);
  uint32_t old = runtime().heldButtons;
  uint32_t pad = 0;
  if (!engine_.pollJoypad(pad)) pad = 0;
  const uint32_t held = composeButtons(input, pad);
  runtime().heldButtons = held;
  runtime().pressedButtons = held & ~old;
  engine_.setMouse(input.cursorX, input.cursorY);
  return true;
}

void MainFrame::present() {
  engine_.compose();
  paint();
}

void MainFrame::presentShaken(int offset) {
  engine_.setShake(offset);
  paint();
}

void MainFrame::paint() {
  if (runtime().closing) {
    closeWindow();
    return;
  }
  if (!engine_.hasBackBuffer() || runtime().moviePlaying) return;
  engine_.present(platform_.host);
}

void MainFrame::closeWindow() {
  // The window asks its close query, which grants at once with closing set.
  if (closeRequested_) return;
  closeRequested_ = true;
  platform_.host->requestClose();
}

bool MainFrame::closing() {
  return runtime().closing;
}

void MainFrame::setClosing() {
  runtime().closing = true;
}

void MainFrame::mciNotify() {
  runtime().mciNotified = true;
}

bool MainFrame::closeQuery() {
  if (runtime().closing) return true;
  MessageBoxSpec spec;
  spec.caption = std::string(kFrameCaption);
  spec.text = std::string(kQuitQuestion);
  spec.buttons = BoxButtons::YesNo;
  spec.icon = BoxIcon::Question;
  spec.defaultButton = BoxResult::No;
  if (platform_.host->messageBox(spec) != BoxResult::Yes) return false;
  runtime().readRecord.save(platform_.files, kReadRecordFile);
  runtime().closing = true;
  return true;
}

void MainFrame::applyDisplayMode() {
  bool windowed = engine_.isWindowed();
  window_.applyDisplayMode(windowed);
  platform_.host->setMenuChecked("MnWindow", windowed);
  platform_.host->setMenuChecked("MnFull16", !windowed);
  if (windowed) menuBarShown_ = true;
}

void MainFrame::toggleDisplayMode() {
  engine_.setWindowed(!platform_.host->isMenuChecked("MnWindow"));
  applyDisplayMode();
}

void MainFrame::displayModeMenuClick(std::string_view item) {
  platform::Host* host = platform_.host;
  if (host->isMenuChecked(item)) return;
  if (item == "MnWindow")
    engine_.setWindowed(true);
  else if (item == "MnFull16")
    engine_.setWindowed(false);
  else
    return;
  applyDisplayMode();
}

bool MainFrame::mouseMove(int /*x*/, int y) {
  if (!engine_.isWindowed()) menuBarShown_ = y < kMenuBarRows;
  return menuBarShown_;
}

void MainFrame::destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  window_.restoreDesktopMode();
  if (saveSettingsOnExit_) {
    frameSettings_.windowed = engine_.isWindowed();
    frameSettings_.fontName = messageFont_.face;
    frameSettings_.fontStyle = fontStyleCode(messageFont_.bold, messageFont_.italic);
    frameSettings_.settings = runtime().settings;
    // Read the file again so that sections others wrote meanwhile (the
    // support mail's) are kept as they are now.
    ProfileFile file;
    loadSettingsFile(platform_.files, file);
    writeSettings(file, frameSettings_);
    if (!saveSettingsFile(platform_.files, file)) {
      MessageBoxSpec spec;
      spec.caption = std::string(kApplicationTitle);
      spec.text = std::string(kSettingsFileName) + " に書き込めません";
      spec.icon = BoxIcon::Error;
      platform_.host->messageBox(spec);
    }
  }
  engine_.releaseTopScript();
  engine_.releaseJoypad();
  engine_.releaseSoundChannels();
  engine_.releaseSoundDevice();
  engine_.releaseSprites();
  engine_.releaseBackBuffer();
  engine_.releaseCodecDriver();
  engine_.releaseArchives();
  engine_.releaseFonts();
}

}  // namespace kobre::frame
