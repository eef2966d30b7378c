#include "app/TDrvForm.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kobre::app {

TDrvForm::TDrvForm(QWidget* parent) : QDialog(parent) {
  setObjectName("DrvForm");
  setWindowTitle(QString::fromUtf8("ドライブの設定"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QString::fromUtf8("ＤＶＤドライブの場所を指定して下さい"), this);
  CBox = new QComboBox(this);
  CBox->setObjectName("CBox");
  CBox->setEditable(false);
  BtOk = new QPushButton("Ok", this);
  BtOk->setObjectName("BtOk");
  BtOk->setDefault(true);
  layout->addWidget(label);
  layout->addWidget(CBox);
  layout->addWidget(BtOk, 0, Qt::AlignHCenter);
  connect(BtOk, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(202, 127);
}

std::string TDrvForm::choose(const std::vector<std::string>& roots) {
  CBox->clear();
  for (const std::string& root : roots) CBox->addItem(QString::fromStdString(root));
  CBox->setCurrentIndex(roots.empty() ? -1 : 0);
  exec();
  return CBox->currentIndex() < 0 ? std::string() : CBox->currentText().toStdString();
}

}  // namespace kobre::app
