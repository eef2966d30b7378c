#include "app/TFlagForm.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/frame/FlagPage.h"

namespace kobre::app {

namespace {

// A grid of fixed-size cells without headers; the first fixedRows rows and
// fixedColumns columns are headings, drawn like buttons.
QTableWidget* grid(const char* name, int columns, int rows, int cellWidth, int cellHeight,
                   QWidget* parent) {
  auto* g = new QTableWidget(rows, columns, parent);
  g->setObjectName(name);
  QFont font(QString::fromUtf8("ＭＳ ゴシック"));
  font.setFamilies({QString::fromUtf8("ＭＳ ゴシック"), QStringLiteral("IPAGothic"),
                    QStringLiteral("monospace")});
  font.setStyleHint(QFont::Monospace);
  font.setPixelSize(11);
  g->setFont(font);
  // The cells are as narrow as their texts: no padding, and no "..." for a
  // text that just touches the edge.
  g->setStyleSheet(QStringLiteral("QTableView::item { padding: 0px; margin: 0px; }"));
  g->setTextElideMode(Qt::ElideNone);
  g->setShowGrid(true);
  g->horizontalHeader()->hide();
  g->verticalHeader()->hide();
  g->horizontalHeader()->setMinimumSectionSize(1);
  g->verticalHeader()->setMinimumSectionSize(1);
  g->horizontalHeader()->setDefaultSectionSize(cellWidth);
  g->verticalHeader()->setDefaultSectionSize(cellHeight);
  g->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  g->setEditTriggers(QAbstractItemView::NoEditTriggers);
  g->setSelectionMode(QAbstractItemView::NoSelection);
  g->setFocusPolicy(Qt::NoFocus);
  g->setWordWrap(false);
  return g;
}

void setCell(QTableWidget* g, int row, int column, const std::string& text, bool heading) {
  QTableWidgetItem* item = g->item(row, column);
  if (item == nullptr) {
    item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (heading) item->setBackground(g->palette().button());
    g->setItem(row, column, item);
  }
  item->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace

TFlagForm::TFlagForm(const GameState& state, QWidget* parent) : QDialog(parent), state_(state) {
  setObjectName("FlagForm");
  setWindowTitle(QString::fromUtf8("フラグ"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QString::fromUtf8("開始番号 F"), this));
  EdStart = new QLineEdit(QStringLiteral("0"), this);
  EdStart->setObjectName("EdStart");
  EdStart->setMaximumWidth(60);
  BtPrev = new QPushButton(QStringLiteral("-100"), this);
  BtPrev->setObjectName("BtPrev");
  BtNext = new QPushButton(QStringLiteral("+100"), this);
  BtNext->setObjectName("BtNext");
  BtPrev->setAutoDefault(false);
  BtNext->setAutoDefault(false);
  top->addWidget(EdStart);
  top->addWidget(BtPrev);
  top->addWidget(BtNext);
  top->addStretch();
  layout->addLayout(top);

  SgFlag = grid("SgFlag", 11, 11, 28, 14, this);
  SgFlag->setFixedSize(11 * 28 + 2 * SgFlag->frameWidth(), 11 * 14 + 2 * SgFlag->frameWidth());
  SgFlag->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SgFlag->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  layout->addWidget(SgFlag);
  SgSystem = grid("SgSystem", 26, 2, 44, 14, this);
  SgSystem->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SgSystem->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SgSystem->setFixedHeight(2 * 14 + SgSystem->horizontalScrollBar()->sizeHint().height() +
                           2 * SgSystem->frameWidth());
  layout->addWidget(SgSystem);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  BtOk = new QPushButton(QStringLiteral("OK"), this);
  BtOk->setObjectName("BtOk");
  BtOk->setDefault(true);
  BtCancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
  BtCancel->setObjectName("BtCancel");
  buttons->addWidget(BtOk);
  buttons->addWidget(BtCancel);
  layout->addStretch();
  layout->addLayout(buttons);

  connect(EdStart, &QLineEdit::textChanged, this, [this] { refresh(); });
  connect(BtPrev, &QPushButton::clicked, this, [this] { BtPageClick(false); });
  connect(BtNext, &QPushButton::clicked, this, [this] { BtPageClick(true); });
  connect(BtOk, &QPushButton::clicked, this, [this] { accept(); });
  connect(BtCancel, &QPushButton::clicked, this, [this] { reject(); });
  setFixedSize(338, 333);
  refresh();
}

void TFlagForm::refresh() {
  const std::string start = EdStart->text().toStdString();
  const frame::FlagPage page = frame::buildFlagPage(state_, frame::readFlagStart(start));
  for (int row = 0; row < 11; ++row)
    for (int column = 0; column < 11; ++column)
      setCell(SgFlag, row, column,
              page.flags[static_cast<size_t>(row)][static_cast<size_t>(column)],
              row == 0 || column == 0);
  for (int row = 0; row < 2; ++row)
    for (int column = 0; column < 26; ++column)
      setCell(SgSystem, row, column,
              page.variables[static_cast<size_t>(row)][static_cast<size_t>(column)], row == 0);
}

void TFlagForm::BtPageClick(bool next) {
  const std::string text = EdStart->text().toStdString();
  const int start = next ? frame::nextFlagStart(text) : frame::previousFlagStart(text);
  const QString shown = QString::number(start);
  // The same number again still takes a new snapshot.
  if (EdStart->text() == shown)
    refresh();
  else
    EdStart->setText(shown);
}

void TFlagForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) refresh();
}

}  // namespace kobre::app
