// The support mail form "メール送信": what the program knows about the
// installation and the machine, the user's details and the problem. The
// checks, the body and the stored keys are SupportMail's; this class moves
// values between them and the widgets.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "app/SupportMail.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kobre::app {

class TMailForm : public QDialog {
 public:
  // files and text reach the settings file's "Support" keys.
  TMailForm(platform::FileSystem* files, platform::TextCodec* text, QWidget* parent = nullptr);

  // Fills the read-only fields when the form is shown (the machine's facts).
  std::function<void(MailFields&)> fillFacts;
  // Shows a check's message; unset, an error box owned by the form.
  std::function<void(const std::string&)> showError;

  void FormShow();
  void BtSendClick();
  void BtCancelClick();

  // The widgets' values, and the body the last send built.
  MailFields fields() const;
  std::string body() const;

  QLineEdit* EdSeihin;
  QLineEdit* EdVersion;
  QLineEdit* EdUser;
  QLineEdit* EdName;
  QLineEdit* EdMail;
  QLineEdit* EdMaker;
  QLineEdit* EdMachine;
  QLineEdit* EdGraphic;
  QLineEdit* EdSound;
  QLineEdit* EdOS;
  QLineEdit* EdWinDir;
  QLineEdit* EdFree;
  QLineEdit* EdCPU;
  QLineEdit* EdSig;
  QLineEdit* EdMemory;
  QLineEdit* EdInst;
  QLineEdit* EdDrive;
  QPlainTextEdit* Memo;
  QPlainTextEdit* Memo1;  // hidden: receives the mail body
  QPushButton* BtSend;
  QPushButton* BtCancel;

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;  // Escape and the close box cancel as BtCancel does

 private:
  void setFields(const MailFields& f);

  platform::FileSystem* files_;
  platform::TextCodec* text_;
};

}  // namespace kobre::app
