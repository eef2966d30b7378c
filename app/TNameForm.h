// The name entry: edits the hero name that messages put in place of "●●".
// Every change of the field is filtered (frame::filterHeroName): only
// full-width characters, no full-width space, at most three of them.
#pragma once

#include <QDialog>

#include "app/frame/OptionSettings.h"

class QLineEdit;
class QPushButton;

namespace kobre::platform {
class TextCodec;
}

namespace kobre::app {

class TNameForm : public QDialog {
 public:
  TNameForm(frame::OptionSettings& options, platform::TextCodec& codec, QWidget* parent = nullptr);

  // The hero name as display text.
  QString heroNameText() const;

  void FormShow();
  void EdNameChange();
  void Button1Click();
  void BtOkClick();

  QLineEdit* EdName;
  QPushButton* Button1;
  QPushButton* BtOk;
  QPushButton* BtCansel;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  frame::OptionSettings& options_;
  platform::TextCodec& codec_;
  bool filtering_ = false;
};

}  // namespace kobre::app
