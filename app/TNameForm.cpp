#include "app/TNameForm.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/frame/HeroNameFilter.h"
#include "common/SjisText.h"
#include "platform/TextCodec.h"

namespace kobre::app {

namespace {

QString fromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

TNameForm::TNameForm(frame::OptionSettings& options, platform::TextCodec& codec, QWidget* parent)
    : QDialog(parent), options_(options), codec_(codec) {
  setObjectName("NameForm");
  setWindowTitle(QString::fromUtf8("KOBRE 名前の変更"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  EdName = new QLineEdit(this);
  EdName->setObjectName("EdName");
  Button1 = new QPushButton(QString::fromUtf8("デフォルト"), this);
  Button1->setObjectName("Button1");
  top->addWidget(EdName);
  top->addWidget(Button1);
  layout->addLayout(top);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  BtOk = new QPushButton(QString::fromUtf8("OK"), this);
  BtOk->setObjectName("BtOk");
  BtOk->setDefault(true);
  BtCansel = new QPushButton(QString::fromUtf8("キャンセル"), this);
  BtCansel->setObjectName("BtCansel");
  buttons->addWidget(BtOk);
  buttons->addWidget(BtCansel);
  layout->addLayout(buttons);

  connect(EdName, &QLineEdit::textChanged, this, [this] { EdNameChange(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(BtOk, &QPushButton::clicked, this, [this] { BtOkClick(); });
  connect(BtCansel, &QPushButton::clicked, this, [this] { reject(); });
  setFixedSize(250, 84);
}

QString TNameForm::heroNameText() const {
  return fromUtf8(codec_.toUtf8(options_.heroName()));
}

void TNameForm::FormShow() {
  EdName->setText(heroNameText());
  // An empty name (a settings file may hold one) cannot be confirmed.
  BtOk->setEnabled(!EdName->text().isEmpty());
  EdName->setFocus();
}

void TNameForm::EdNameChange() {
  if (filtering_) return;
  const std::string typed = codec_.toCp932(EdName->text().toStdString());
  const std::string kept = frame::filterHeroName(typed);
  if (kept != typed) {
    filtering_ = true;
    EdName->setText(fromUtf8(codec_.toUtf8(kept)));
    EdName->setCursorPosition(static_cast<int>(EdName->text().size()));
    filtering_ = false;
  }
  BtOk->setEnabled(!EdName->text().isEmpty());
}

void TNameForm::Button1Click() {
  EdName->setText(fromUtf8(codec_.toUtf8(kSjisDefaultHeroName)));
  BtOk->setEnabled(true);
}

void TNameForm::BtOkClick() {
  // The default button also answers Enter: an empty field is no name.
  if (EdName->text().isEmpty()) return;
  options_.setHeroName(frame::filterHeroName(codec_.toCp932(EdName->text().toStdString())));
  accept();
}

void TNameForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

}  // namespace kobre::app
