#include "app/frame/MenuCommands.h"

#include <cstring>

#include "app/frame/FrameEngine.h"
#include "app/frame/MainFrame.h"
#include "common/SjisText.h"
#include "script/Runtime.h"

namespace kobre::frame {

using platform::BoxButtons;
using platform::BoxIcon;
using platform::BoxResult;
using platform::MessageBoxSpec;

namespace {

// Shell results of 32 or less are failures, as the shell's open reports them.
constexpr int kShellFailureLimit = 32;

}  // namespace

std::string captureFileName(int number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return digits + ".bmp";
}

MenuCommands::MenuCommands(const platform::Platform& platform, MainFrame& frame,
                           FrameEngine& engine, MenuDialogs& dialogs)
    : platform_(platform), frame_(frame), engine_(engine), dialogs_(dialogs) {}

const std::vector<std::string_view>& MenuCommands::commandNames() {
  static const std::vector<std::string_view> names = {
      "MnOpen",   "MnTitle",  "MnDispCopy", "MnDispSave",   "MnExit",    "MnKaisouExit", "MnSkip",
      "MnWindow", "MnFull16", "MnFull32",   "MnFontNormal", "MnFont",    "MnOption",     "MnPad",
      "MnManual", "MnUpdate", "MnMail",     "MnAbout",      "MnNowLine", "MnFlag",
  };
  return names;
}

std::string_view MenuCommands::menuOf(std::string_view item) {
  static const std::pair<std::string_view, std::string_view> kMenus[] = {
      {"MnOpen", "MnFile"},     {"MnTitle", "MnFile"},     {"MnDispCopy", "MnFile"},
      {"MnDispSave", "MnFile"}, {"MnExit", "MnFile"},      {"MnWindow", "MnView"},
      {"MnFull16", "MnView"},   {"MnFull32", "MnView"},    {"MnFontNormal", "MnSetting"},
      {"MnFont", "MnSetting"},  {"MnOption", "MnSetting"}, {"MnPad", "MnSetting"},
      {"MnManual", "MnHelp"},   {"MnUpdate", "MnHelp"},    {"MnMail", "MnHelp"},
      {"MnAbout", "MnHelp"},    {"MnNowLine", "MnDebug"},  {"MnFlag", "MnDebug"},
  };
  for (const auto& [name, menu] : kMenus)
    if (name == item) return menu;
  return {};
}

const std::vector<std::string_view>& MenuCommands::hiddenAtCreation() {
  static const std::vector<std::string_view> hidden = {"MnOpen",   "MnKaisouExit", "MnFull16",
                                                       "MnFull32", "MnManual",     "MnDebug"};
  return hidden;
}

bool MenuCommands::run(std::string_view item) {
  Runtime& rt = engine_.runtime();
  if (item == "MnOpen") {
    // Hidden, and it does nothing.
  } else if (item == "MnTitle") {
    returnToTitle();
  } else if (item == "MnDispCopy") {
    copyScreen();
  } else if (item == "MnDispSave") {
    saveScreen();
  } else if (item == "MnExit") {
    // The window's close request, with its quit question.
    if (platform_.host) platform_.host->requestClose();
  } else if (item == "MnKaisouExit") {
    rt.returnToMenu = true;
  } else if (item == "MnSkip") {
    toggleSkip();
  } else if (item == "MnWindow" || item == "MnFull16" || item == "MnFull32") {
    frame_.displayModeMenuClick(item);
  } else if (item == "MnFontNormal") {
    standardFont();
  } else if (item == "MnFont") {
    chooseFont();
  } else if (item == "MnOption") {
    dialogs_.showOptions();
  } else if (item == "MnPad") {
    dialogs_.showPad();
  } else if (item == "MnManual") {
    openManual();
  } else if (item == "MnUpdate") {
    startUpdater();
  } else if (item == "MnMail") {
    dialogs_.supportMail();
  } else if (item == "MnAbout") {
    about();
  } else if (item == "MnNowLine") {
    showCurrentLine();
  } else if (item == "MnFlag") {
    dialogs_.showFlags();
  } else {
    return false;
  }
  return true;
}

void MenuCommands::box(std::string_view text, BoxIcon icon) {
  if (!platform_.host) return;
  MessageBoxSpec spec;
  spec.caption = std::string(kFrameCaption);
  spec.text = std::string(text);
  spec.buttons = BoxButtons::Ok;
  spec.icon = icon;
  spec.defaultButton = BoxResult::Ok;
  platform_.host->messageBox(spec);
}

void MenuCommands::returnToTitle() {
  if (!platform_.host) return;
  MessageBoxSpec spec;
  spec.caption = std::string(kFrameCaption);
  spec.text = std::string(kTitleQuestion);
  spec.buttons = BoxButtons::YesNo;
  spec.icon = BoxIcon::Question;
  spec.defaultButton = BoxResult::No;
  if (platform_.host->messageBox(spec) != BoxResult::Yes) return;
  // A title script that does not load has shown its box; the waiting
  // command leaves all the same and the emptied context ends the program.
  engine_.reloadTitleScript();
  engine_.runtime().returnToTitle = true;
}

void MenuCommands::copyScreen() {
  ScreenPicture picture;
  if (!engine_.captureScreen(picture)) return;
  dialogs_.copyScreen(picture);
}

void MenuCommands::saveScreen() {
  ScreenPicture picture;
  if (!engine_.captureScreen(picture)) return;
  // Only a file actually written uses up its number.
  if (dialogs_.saveScreen(captureFileName(captureCount_), picture) ==
      MenuDialogs::SaveResult::Saved)
    ++captureCount_;
}

void MenuCommands::toggleSkip() {
  engine_.setSkip(!engine_.runtime().skipMode);
}

void MenuCommands::standardFont() {
  platform::FontSpec font;
  font.face = std::string(kSjisDefaultFontFace);
  frame_.setMessageFont(font);
  engine_.runtime().fontChanged = true;
}

void MenuCommands::chooseFont() {
  platform::FontSpec font = frame_.messageFont();
  if (!dialogs_.chooseFont(font)) return;
  // Face and style are taken; the heights stay 22 and 18 pixels.
  frame_.setMessageFont(font);
  engine_.runtime().fontChanged = true;
}

void MenuCommands::openManual() {
  if (!platform_.shell || platform_.shell->open(kManualFile, "") <= kShellFailureLimit)
    box(kManualError, BoxIcon::Error);
}

void MenuCommands::startUpdater() {
  // Started, not waited for: the updater works on its own.
  if (!platform_.shell || platform_.shell->open(kUpdaterProgram, "") <= kShellFailureLimit)
    box(kUpdaterError, BoxIcon::Error);
}

void MenuCommands::about() {
  std::string text(kAboutHeading);
  text += '\n';
  text += kFrameCaption;
  text += '\n';
  text += kAboutLine1;
  text += '\n';
  text += kAboutLine2;
  text += "\n\n";
  box(text, BoxIcon::Information);
}

void MenuCommands::showCurrentLine() {
  const GameState& state = engine_.runtime().gameState;
  const std::string name(state.scriptName, strnlen(state.scriptName, sizeof state.scriptName));
  int number = 0;
  std::string line;
  if (!engine_.currentLine(number, line)) return;
  auto utf8 = [this](const std::string& cp932) {
    return platform_.text ? platform_.text->toUtf8(cp932) : cp932;
  };
  std::string text(kNowLineHeading);
  text += '\n';
  text += utf8(name);
  text += '\n';
  text += std::to_string(number);
  text += ' ';
  text += utf8(line);
  box(text, BoxIcon::Warning);
}

}  // namespace kobre::frame
