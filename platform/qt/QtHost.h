#pragma once

// The desktop host: the main window as the engine sees it.

#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "platform/Host.h"

class QAction;
class QLocale;
class QMessageBox;
class QTranslator;

namespace kobre::platform::qt {

class ScreenView;
class QtInput;

// Puts a box's caption, text, icon, buttons and default button on `box`.
void configureMessageBox(QMessageBox& box, const MessageBoxSpec& spec);

// Qt's own translations for a language (the standard buttons' "Yes", "No",
// "OK" and the standard dialogs), from the Qt translations folder, installed
// on the application. Null when Qt has none for it (English needs none).
std::unique_ptr<QTranslator> installQtTranslations(const QLocale& locale);

class QtHost : public Host {
 public:
  // window: the main window (owner of boxes, holder of the menu items, found
  // by objectName); view: its client area.
  QtHost(QWidget* window, ScreenView* view);
  ~QtHost() override;

  void pumpEvents() override;
  void waitEvents() override;
  bool isActive() override;
  void readInput(InputState& state) override;
  void present(const uint32_t* pixels, int stride, int shakeOffset) override;
  void presentChanged(const uint32_t* pixels, int stride, int shakeOffset,
                      const FrameArea& changed) override;
  BoxResult messageBox(const MessageBoxSpec& spec) override;
  void setMenuEnabled(std::string_view item, bool enabled) override;
  void setMenuVisible(std::string_view item, bool visible) override;
  void setMenuChecked(std::string_view item, bool checked) override;
  bool isMenuChecked(std::string_view item) override;
  void setMenuCaption(std::string_view item, std::string_view caption) override;
  int screenWidth() override;
  int screenHeight() override;
  int screenBitsPerPixel() override;
  void requestClose() override;

  QtInput& input() { return *input_; }
  // The menu item (or the item that opens a menu) of that component name.
  // Found by name once and then kept: the frame loop asks on every pass.
  QAction* menuItem(std::string_view name);

 private:
  QPointer<QWidget> window_;
  QPointer<ScreenView> view_;
  QtInput* input_;
  std::map<std::string, QPointer<QAction>, std::less<>> menuItems_;
};

}  // namespace kobre::platform::qt
