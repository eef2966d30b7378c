#include "app/TComForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include "common/Buttons.h"
#include "input/Joypad.h"
#include "platform/posix/IconvTextCodec.h"
#include "screens/CommentFilter.h"

namespace kobre::app {

namespace {

// The edit's text and CP932, through the process's iconv converter (the
// edit's filter runs without the engine's codec).
std::string toCp932(const QString& text) {
  return platform::utf8ToCp932(text.toStdString());
}
QString fromCp932(std::string_view bytes) {
  return QString::fromStdString(platform::cp932ToUtf8(bytes));
}

}  // namespace

TComForm::TComForm(std::function<Joypad*()> joypad, QWidget* parent)
    : QDialog(parent), joypad_(std::move(joypad)) {
  setObjectName("TComForm");
  setWindowTitle(QString::fromUtf8("KOBRE コメントの入力"));
  setFixedSize(394, 115);
  Label1 = new QLabel(QString::fromUtf8("［ＯＫ］で上書き"), this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(16, 12, 200, 16);
  Label2 = new QLabel(QString::fromUtf8("［キャンセル］でセーブしない"), this);
  Label2->setObjectName("Label2");
  Label2->setGeometry(16, 30, 240, 16);
  Label3 = new QLabel(QString::fromUtf8("コメント"), this);
  Label3->setObjectName("Label3");
  Label3->setGeometry(16, 56, 60, 20);
  EdComment = new QLineEdit(this);
  EdComment->setObjectName("EdComment");
  EdComment->setMaxLength(58);
  EdComment->setGeometry(80, 54, 298, 22);
  BtOk = new QPushButton("OK", this);
  BtOk->setObjectName("BtOk");
  BtOk->setDefault(true);
  BtOk->setGeometry(216, 84, 75, 25);
  BtCansel = new QPushButton(QString::fromUtf8("キャンセル"), this);
  BtCansel->setObjectName("BtCansel");
  BtCansel->setGeometry(303, 84, 75, 25);
  Timer = new QTimer(this);
  Timer->setObjectName("Timer");
  Timer->setInterval(30);

  connect(EdComment, &QLineEdit::textChanged, this, [this] { EdCommentChange(); });
  connect(BtOk, &QPushButton::clicked, this, [this] { BtOkClick(); });
  connect(BtCansel, &QPushButton::clicked, this, [this] { BtCanselClick(); });
  connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
}

std::string TComForm::comment(platform::TextCodec& codec) const {
  return filterComment(codec.toCp932(EdComment->text().toStdString()));
}

void TComForm::setComment(platform::TextCodec& codec, std::string_view cp932) {
  EdComment->setText(QString::fromStdString(codec.toUtf8(cp932)));
}

void TComForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  EdComment->setFocus();
  Timer->start();
}

void TComForm::EdCommentChange() {
  if (filtering_) return;
  const QString before = EdComment->text();
  const QString after = fromCp932(filterComment(toCp932(before)));
  if (after == before) return;
  const int caret = EdComment->cursorPosition();
  filtering_ = true;
  EdComment->setText(after);
  EdComment->setCursorPosition(std::min(caret, static_cast<int>(after.size())));
  filtering_ = false;
}

void TComForm::BtOkClick() {
  Timer->stop();
  accept();
}

void TComForm::BtCanselClick() {
  Timer->stop();
  reject();
}

void TComForm::TimerTimer() {
  Joypad* pad = joypad_ ? joypad_() : nullptr;
  if (pad == nullptr || !pad->poll()) return;
  if (pad->isPressed(kButtonOk)) {
    BtOkClick();
    waitForRelease(*pad, kButtonOk);
  } else if (pad->isPressed(kButtonCancel)) {
    BtCanselClick();
    waitForRelease(*pad, kButtonCancel);
  }
}

void TComForm::waitForRelease(Joypad& pad, uint32_t bit) {
  while (pad.poll() && pad.isPressed(bit)) QThread::msleep(10);
}

platform::CommentAnswer QtDialogs::saveComment(std::string_view preset) {
  TComForm form(joypad_, owner_);
  form.setComment(codec_, preset);
  platform::CommentAnswer answer;
  answer.ok = form.exec() == QDialog::Accepted;
  if (answer.ok) answer.text = form.comment(codec_);
  return answer;
}

}  // namespace kobre::app
