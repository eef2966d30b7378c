#pragma once

// Keyboard, mouse and wheel state of the main window, kept from Qt's events:
// the engine asks "is this key down now" by Windows virtual key, which Qt has
// no call for, so presses and releases are tracked here.

#include <QObject>
#include <QPoint>
#include <QPointer>

#include "platform/Host.h"

namespace kobre::platform::qt {

class ScreenView;

// The virtual key a Qt key stands for (0 when none). Keypad digits are the
// numeric-keypad keys; keypad Enter is Enter, as on Windows.
int virtualKeyFor(int qtKey, Qt::KeyboardModifiers modifiers);

class QtInput : public QObject {
  Q_OBJECT

 public:
  // Watches every event of the application (keys reach whichever widget has
  // the focus, menus included) and the mouse over `view`.
  explicit QtInput(ScreenView* view, QObject* parent = nullptr);
  ~QtInput() override;

  // State for one poll: what is down now, plus every key and mouse button
  // pressed since the last read even if it was released again (a tap between
  // two polls still counts once). The wheel delta is handed out once.
  void read(InputState& state);
  void clear();

  bool keyDown(int vk) const { return vk >= 0 && vk < kVkKeyCount && keys_[vk]; }
  QPoint cursor() const { return QPoint(cursorX_, cursorY_); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setKey(int vk, bool down);

  QPointer<ScreenView> view_;
  bool keys_[kVkKeyCount] = {};
  bool latchedKeys_[kVkKeyCount] = {};  // pressed since the last read
  // Virtual key by native scan code at press time, so a release finds the key
  // even when the modifiers changed in between (Shift+1 released as 1).
  int keyByScan_[512] = {};
  bool mouseLeft_ = false, mouseRight_ = false, mouseMiddle_ = false;
  bool latchedLeft_ = false, latchedRight_ = false, latchedMiddle_ = false;
  int cursorX_ = 0, cursorY_ = 0;
  int wheelDelta_ = 0;
};

}  // namespace kobre::platform::qt
