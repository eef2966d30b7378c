// The save comment dialog: one line of comment for the slot being saved,
// answered with OK / Cancel or the joypad's Ok / Cancel buttons. The rule
// for the text is filterComment's; this class only moves the text.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "platform/Dialogs.h"
#include "platform/TextCodec.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kobre {
class Joypad;
}

namespace kobre::app {

class TComForm : public QDialog {
 public:
  // joypad answers the pad's buttons; it may return null (no engine yet).
  explicit TComForm(std::function<Joypad*()> joypad = {}, QWidget* parent = nullptr);

  // The edit's text as CP932 bytes, and setting it from CP932.
  std::string comment(platform::TextCodec& codec) const;
  void setComment(platform::TextCodec& codec, std::string_view cp932);

  void EdCommentChange();
  void BtOkClick();
  void BtCanselClick();
  // One joypad tick (the timer's, every 30 ms while shown).
  void TimerTimer();

  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLineEdit* EdComment;
  QPushButton* BtOk;
  QPushButton* BtCansel;
  QTimer* Timer;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Keeps polling until bit is released or the pad can no longer be read.
  void waitForRelease(Joypad& pad, uint32_t bit);

  std::function<Joypad*()> joypad_;
  bool filtering_ = false;
};

// The dialogs the core opens, shown as Qt dialogs over the main window.
class QtDialogs : public platform::Dialogs {
 public:
  QtDialogs(QWidget* owner, platform::TextCodec& codec, std::function<Joypad*()> joypad)
      : owner_(owner), codec_(codec), joypad_(std::move(joypad)) {}
  platform::CommentAnswer saveComment(std::string_view preset) override;

 private:
  QWidget* owner_;
  platform::TextCodec& codec_;
  std::function<Joypad*()> joypad_;
};

}  // namespace kobre::app
