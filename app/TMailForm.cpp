#include "app/TMailForm.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/frame/MainFrame.h"

namespace kobre::app {

namespace {

QString qs(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string text(const QLineEdit* edit) {
  return edit->text().toStdString();
}

}  // namespace

TMailForm::TMailForm(platform::FileSystem* files, platform::TextCodec* codec, QWidget* parent)
    : QDialog(parent), files_(files), text_(codec) {
  setObjectName("MailForm");
  setWindowTitle(qs(kMailFormCaption));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

  auto edit = [this](const char* name, bool readOnly) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    if (readOnly) {
      // Filled by the program, and the tab key passes over it.
      e->setReadOnly(true);
      e->setFocusPolicy(Qt::ClickFocus);
    }
    return e;
  };
  EdSeihin = edit("EdSeihin", true);
  EdVersion = edit("EdVersion", true);
  EdUser = edit("EdUser", true);
  EdName = edit("EdName", false);
  EdMail = edit("EdMail", false);
  EdMaker = edit("EdMaker", false);
  EdMachine = edit("EdMachine", false);
  EdGraphic = edit("EdGraphic", false);
  EdSound = edit("EdSound", false);
  EdOS = edit("EdOS", true);
  EdWinDir = edit("EdWinDir", true);
  EdFree = edit("EdFree", true);
  EdCPU = edit("EdCPU", true);
  EdSig = edit("EdSig", true);
  EdMemory = edit("EdMemory", true);
  EdInst = edit("EdInst", true);
  EdDrive = edit("EdDrive", true);
  Memo = new QPlainTextEdit(this);
  Memo->setObjectName("Memo");
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->hide();
  BtSend = new QPushButton(QStringLiteral("送信"), this);
  BtSend->setObjectName("BtSend");
  BtSend->setDefault(true);
  BtCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  BtCancel->setObjectName("BtCancel");

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("製品名"), EdSeihin);
  form->addRow(QStringLiteral("バージョン"), EdVersion);
  form->addRow(QStringLiteral("ユーザーＩＤ"), EdUser);
  form->addRow(QStringLiteral("お客様のお名前"), EdName);
  form->addRow(QStringLiteral("メールアドレス"), EdMail);
  form->addRow(QStringLiteral("マシンのメーカー名"), EdMaker);
  form->addRow(QStringLiteral("マシンの型番"), EdMachine);
  form->addRow(QStringLiteral("グラフィックカード"), EdGraphic);
  form->addRow(QStringLiteral("サウンドカード"), EdSound);
  form->addRow(QStringLiteral("ＯＳのバージョン"), EdOS);
  form->addRow(QStringLiteral("Windowsディレクトリ"), EdWinDir);
  form->addRow(QStringLiteral("空き容量"), EdFree);
  auto* cpu = new QHBoxLayout;
  cpu->addWidget(EdCPU);
  cpu->addWidget(EdSig);
  form->addRow(QStringLiteral("ＣＰＵ"), cpu);
  form->addRow(QStringLiteral("メモリ"), EdMemory);
  form->addRow(QStringLiteral("インストール先"), EdInst);
  form->addRow(QStringLiteral("ドライブ"), EdDrive);
  // Seventeen rows in a small fixed client area: tight rows, and the
  // problem text below them across the whole width, taking what is left.
  form->setVerticalSpacing(1);
  form->setContentsMargins(0, 0, 0, 0);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BtSend);
  buttons->addWidget(BtCancel);
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(6, 6, 6, 6);
  top->setSpacing(3);
  top->addLayout(form);
  top->addWidget(new QLabel(QStringLiteral("不具合等（出来るだけ具体的に）"), this));
  top->addWidget(Memo, 1);
  top->addLayout(buttons);
  top->addWidget(Memo1);

  connect(BtSend, &QPushButton::clicked, this, [this] { BtSendClick(); });
  connect(BtCancel, &QPushButton::clicked, this, [this] { BtCancelClick(); });
  setFixedSize(394, 521);
}

void TMailForm::setFields(const MailFields& f) {
  EdSeihin->setText(qs(f.seihin));
  EdVersion->setText(qs(f.version));
  EdUser->setText(qs(f.user));
  EdOS->setText(qs(f.os));
  EdWinDir->setText(qs(f.winDir));
  EdFree->setText(qs(f.freeSpace));
  EdCPU->setText(qs(f.cpu));
  EdSig->setText(qs(f.sig));
  EdMemory->setText(qs(f.memory));
  EdInst->setText(qs(f.inst));
  EdDrive->setText(qs(f.drive));
  EdName->setText(qs(f.name));
  EdMail->setText(qs(f.mail));
  EdMaker->setText(qs(f.maker));
  EdMachine->setText(qs(f.machine));
  EdGraphic->setText(qs(f.graphic));
  EdSound->setText(qs(f.sound));
}

MailFields TMailForm::fields() const {
  MailFields f;
  f.seihin = text(EdSeihin);
  f.version = text(EdVersion);
  f.user = text(EdUser);
  f.name = text(EdName);
  f.mail = text(EdMail);
  f.maker = text(EdMaker);
  f.machine = text(EdMachine);
  f.graphic = text(EdGraphic);
  f.sound = text(EdSound);
  f.os = text(EdOS);
  f.winDir = text(EdWinDir);
  f.freeSpace = text(EdFree);
  f.cpu = text(EdCPU);
  f.sig = text(EdSig);
  f.memory = text(EdMemory);
  f.inst = text(EdInst);
  f.drive = text(EdDrive);
  f.memo = Memo->toPlainText().toStdString();
  return f;
}

std::string TMailForm::body() const {
  return Memo1->toPlainText().toStdString();
}

void TMailForm::FormShow() {
  // The facts first, then the six typed fields from the settings; the
  // problem text stays as the user left it.
  MailFields f;
  if (fillFacts) fillFacts(f);
  readSupportKeys(files_, text_, f);
  setFields(f);
}

void TMailForm::BtSendClick() {
  const MailFields f = fields();
  const std::string message = checkMailFields(f);
  if (!message.empty()) {
    if (showError) {
      showError(message);
    } else {
      QMessageBox box(QMessageBox::Critical, qs(frame::kFrameCaption), qs(message), QMessageBox::Ok,
                      this);
      box.exec();
    }
    return;
  }
  Memo1->setPlainText(qs(mailBody(f)));
  writeSupportKeys(files_, text_, f);
  done(QDialog::Accepted);
}

void TMailForm::BtCancelClick() {
  writeSupportKeys(files_, text_, fields());
  done(QDialog::Rejected);
}

void TMailForm::reject() {
  BtCancelClick();
}

void TMailForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

}  // namespace kobre::app
