#include "platform/qt/QtInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "platform/qt/ScreenView.h"

namespace kobre::platform::qt {

int virtualKeyFor(int key, Qt::KeyboardModifiers modifiers) {
  bool keypad = modifiers & Qt::KeypadModifier;
  if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) return kVkNumpad0 + (key - Qt::Key_0);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return kVkF1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return kVkBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return kVkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kVkReturn;
    case Qt::Key_Shift:
      return kVkShift;
    case Qt::Key_Control:
      return kVkControl;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
      return kVkMenu;
    case Qt::Key_Escape:
      return kVkEscape;
    case Qt::Key_Space:
      return kVkSpace;
    case Qt::Key_PageUp:
      return kVkPrior;
    case Qt::Key_PageDown:
      return kVkNext;
    case Qt::Key_End:
      return kVkEnd;
    case Qt::Key_Home:
      return kVkHome;
    case Qt::Key_Left:
      return kVkLeft;
    case Qt::Key_Up:
      return kVkUp;
    case Qt::Key_Right:
      return kVkRight;
    case Qt::Key_Down:
      return kVkDown;
    case Qt::Key_Insert:
      return kVkInsert;
    case Qt::Key_Delete:
      return kVkDelete;
    default:
      return 0;
  }
}

QtInput::QtInput(ScreenView* view, QObject* parent) : QObject(parent), view_(view) {
  qApp->installEventFilter(this);
}

QtInput::~QtInput() {
  if (qApp) qApp->removeEventFilter(this);
}

void QtInput::setKey(int vk, bool down) {
  if (vk <= 0 || vk >= kVkKeyCount) return;
  keys_[vk] = down;
  if (down) latchedKeys_[vk] = true;
}

void QtInput::clear() {
  for (bool& k : keys_) k = false;
  for (bool& k : latchedKeys_) k = false;
  for (int& k : keyByScan_) k = 0;
  mouseLeft_ = mouseRight_ = mouseMiddle_ = false;
  latchedLeft_ = latchedRight_ = latchedMiddle_ = false;
}

void QtInput::read(InputState& state) {
  for (int i = 0; i < kVkKeyCount; ++i) {
    state.keys[i] = keys_[i] || latchedKeys_[i];
    latchedKeys_[i] = false;
  }
  state.mouseLeft = mouseLeft_ || latchedLeft_;
  state.mouseRight = mouseRight_ || latchedRight_;
  state.mouseMiddle = mouseMiddle_ || latchedMiddle_;
  latchedLeft_ = latchedRight_ = latchedMiddle_ = false;
  state.keys[kVkLButton] = state.mouseLeft;
  state.keys[kVkRButton] = state.mouseRight;
  state.keys[kVkMButton] = state.mouseMiddle;
  state.cursorX = cursorX_;
  state.cursorY = cursorY_;
  state.wheelDelta = wheelDelta_;
  state.extraButtons = 0;
  wheelDelta_ = 0;
}

bool QtInput::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      bool down = event->type() == QEvent::KeyPress;
      // X11 turns a held key into release/press pairs; the key stays down.
      if (!down && key->isAutoRepeat()) break;
      quint32 scan = key->nativeScanCode();
      int vk = virtualKeyFor(key->key(), key->modifiers());
      if (scan > 0 && scan < 512) {
        if (down) {
          keyByScan_[scan] = vk;
        } else {
          if (keyByScan_[scan]) vk = keyByScan_[scan];
          keyByScan_[scan] = 0;
        }
      }
      setKey(vk, down);
      break;
    }
    case QEvent::ApplicationDeactivate:
    case QEvent::WindowDeactivate:
      // Releases that happen elsewhere are never seen: start over.
      if (event->type() == QEvent::ApplicationDeactivate ||
          watched == (view_ ? view_->window() : nullptr))
        clear();
      break;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
      if (watched != view_) break;
      auto* mouse = static_cast<QMouseEvent*>(event);
      QPoint p = view_->toPicture(mouse->position());
      cursorX_ = p.x();
      cursorY_ = p.y();
      if (event->type() != QEvent::MouseMove) {
        Qt::MouseButtons b = mouse->buttons();
        mouseLeft_ = b & Qt::LeftButton;
        mouseRight_ = b & Qt::RightButton;
        mouseMiddle_ = b & Qt::MiddleButton;
        if (event->type() != QEvent::MouseButtonRelease) {
          latchedLeft_ = latchedLeft_ || mouse->button() == Qt::LeftButton;
          latchedRight_ = latchedRight_ || mouse->button() == Qt::RightButton;
          latchedMiddle_ = latchedMiddle_ || mouse->button() == Qt::MiddleButton;
        }
      }
      break;
    }
    case QEvent::Wheel: {
      if (watched != view_) break;
      auto* wheel = static_cast<QWheelEvent*>(event);
      QPoint p = view_->toPicture(wheel->position());
      // Only a wheel turned over the 800 x 600 picture counts; the last
      // message wins (two notches between polls are one turn).
      if (p.x() >= 0 && p.x() < 800 && p.y() >= 0 && p.y() < 600) {
        int delta = wheel->angleDelta().y();
        if (delta != 0) wheelDelta_ = delta;
      }
      break;
    }
    default:
      break;
  }
  return false;
}

}  // namespace kobre::platform::qt
