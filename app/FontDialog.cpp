#include "app/FontDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFormLayout>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kobre::app {

bool isFixedOrDualWidth(const QFont& font) {
  QFont probe(font);
  probe.setPixelSize(22);
  const QFontMetrics metrics(probe);
  const int cell = metrics.horizontalAdvance(QLatin1Char('M'));
  if (cell <= 0) return false;
  for (QChar c : QStringLiteral("iIlW0.m")) {
    if (metrics.horizontalAdvance(c) != cell) return false;
  }
  const int kana = metrics.horizontalAdvance(QChar(0x3042));  // HIRAGANA LETTER A
  return kana == cell || kana == 2 * cell;
}

QStringList fixedJapaneseFaces() {
  QStringList faces;
  for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese)) {
    if (QFontDatabase::isPrivateFamily(family)) continue;
    if (QFontDatabase::isFixedPitch(family) || isFixedOrDualWidth(QFont(family))) faces << family;
  }
  faces.sort(Qt::CaseInsensitive);
  faces.removeDuplicates();
  return faces;
}

FontDialog::FontDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("FontDialog");
  setWindowTitle(QStringLiteral("フォント"));
  LbFace = new QListWidget(this);
  LbFace->setObjectName("LbFace");
  LbFace->addItems(fixedJapaneseFaces());
  CbStyle = new QComboBox(this);
  CbStyle->setObjectName("CbStyle");
  CbStyle->addItems({QStringLiteral("標準"), QStringLiteral("太字"), QStringLiteral("斜体"),
                     QStringLiteral("太字 斜体")});
  EdSize = new QSpinBox(this);
  EdSize->setObjectName("EdSize");
  EdSize->setRange(6, 72);
  EdSize->setValue(16);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("フォント名"), LbFace);
  form->addRow(QStringLiteral("スタイル"), CbStyle);
  form->addRow(QStringLiteral("サイズ"), EdSize);
  auto* top = new QVBoxLayout(this);
  top->addLayout(form);
  top->addWidget(buttons);
}

void FontDialog::setChoice(const QString& family, bool bold, bool italic) {
  const auto found = LbFace->findItems(family, Qt::MatchFixedString);
  if (!found.isEmpty())
    LbFace->setCurrentItem(found.front());
  else if (LbFace->count() > 0)
    LbFace->setCurrentRow(0);
  CbStyle->setCurrentIndex((bold ? 1 : 0) + (italic ? 2 : 0));
}

QString FontDialog::family() const {
  return LbFace->currentItem() ? LbFace->currentItem()->text() : QString();
}

bool FontDialog::bold() const {
  return CbStyle->currentIndex() == 1 || CbStyle->currentIndex() == 3;
}

bool FontDialog::italic() const {
  return CbStyle->currentIndex() >= 2;
}

int FontDialog::pointSize() const {
  return EdSize->value();
}

}  // namespace kobre::app
