#include "app/TPadForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace kobre::app {

namespace {

struct EditSpec {
  const char* name;
  const char* label;
};

// In the logical buttons' order; three columns of four.
constexpr EditSpec kEdits[kLogicalButtonCount] = {
    {"EdUp", "↑"},
    {"EdDown", "↓"},
    {"EdLeft", "←"},
    {"EdRight", "→"},
    {"EdOk", "決定"},
    {"EdCancel", "キャンセル"},
    {"EdControl", "メッセージスキップ"},
    {"EdCenter", "ログ音声再生"},
    {"EdWheelUp", "ログ戻る"},
    {"EdWheelDown", "ログ進む"},
    {"EdLoad", "ロード"},
    {"EdSave", "セーブ"},
};

QString utf8(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

TPadForm::TPadForm(PadConfig& config, QWidget* parent) : QDialog(parent), config_(config) {
  setObjectName("PadForm");
  setWindowTitle(QString::fromUtf8("ジョイパッドの設定"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);

  GroupBox1 = new QGroupBox(QString::fromUtf8("ジョイパッド"), this);
  GroupBox1->setObjectName("GroupBox1");
  auto* grid = new QGridLayout(GroupBox1);
  CBox = new QComboBox(GroupBox1);
  CBox->setObjectName("CBox");
  grid->addWidget(CBox, 0, 0, 1, 6);
  for (int i = 0; i < kLogicalButtonCount; ++i) {
    const int column = (i / 4) * 2, row = 1 + i % 4;
    auto* label = new QLabel(QString::fromUtf8(kEdits[i].label), GroupBox1);
    auto* edit = new QLineEdit(GroupBox1);
    edit->setObjectName(kEdits[i].name);
    edit->setReadOnly(true);
    edit->installEventFilter(this);
    grid->addWidget(label, row, column);
    grid->addWidget(edit, row, column + 1);
    edits[static_cast<size_t>(i)] = edit;
  }
  layout->addWidget(GroupBox1);

  GroupBox2 = new QGroupBox(QString::fromUtf8("フォースフィードバック"), this);
  GroupBox2->setObjectName("GroupBox2");
  auto* ff = new QVBoxLayout(GroupBox2);
  LbFF = new QLabel(GroupBox2);
  LbFF->setObjectName("LbFF");
  CbFF = new QCheckBox(QString::fromUtf8("フォースフィードバックを使用する"), GroupBox2);
  CbFF->setObjectName("CbFF");
  ff->addWidget(LbFF);
  ff->addWidget(CbFF);
  layout->addWidget(GroupBox2);

  auto* buttons = new QHBoxLayout;
  BtLoad = new QPushButton(QString::fromUtf8("読み込み"), this);
  BtLoad->setObjectName("BtLoad");
  BtReSample = new QPushButton(QString::fromUtf8("再認識"), this);
  BtReSample->setObjectName("BtReSample");
  BtOk = new QPushButton(QString::fromUtf8("閉じる"), this);
  BtOk->setObjectName("BtOk");
  BtOk->setDefault(true);
  buttons->addWidget(BtLoad);
  buttons->addWidget(BtReSample);
  buttons->addStretch();
  buttons->addWidget(BtOk);
  layout->addLayout(buttons);

  Timer = new QTimer(this);
  Timer->setObjectName("Timer");
  Timer->setInterval(30);

  OpDlg = new QFileDialog(this);
  OpDlg->setObjectName("OpDlg");
  OpDlg->setDefaultSuffix("inp");
  OpDlg->setNameFilter(QString::fromUtf8("ジョイパッド設定ファイル(*.inp)"));
  OpDlg->setFileMode(QFileDialog::ExistingFile);
  OpDlg->setAcceptMode(QFileDialog::AcceptOpen);
  OpDlg->setOption(QFileDialog::ReadOnly, true);

  connect(CBox, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!refreshing_) CBoxChange(index);
  });
  connect(CbFF, &QCheckBox::clicked, this, [this] { CbFFClick(); });
  connect(BtLoad, &QPushButton::clicked, this, [this] { BtLoadClick(); });
  connect(BtReSample, &QPushButton::clicked, this, [this] { BtReSampleClick(); });
  connect(BtOk, &QPushButton::clicked, this, [this] { BtOkClick(); });
  connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
  setFixedSize(386, 269);
}

void TPadForm::refresh() {
  const PadView v = config_.refresh();
  refreshing_ = true;
  CBox->clear();
  for (const std::string& name : v.devices) CBox->addItem(utf8(name));
  CBox->setCurrentIndex(v.selected >= 0 && v.selected < CBox->count() ? v.selected : -1);
  refreshing_ = false;
  for (size_t i = 0; i < edits.size(); ++i) edits[i]->setText(utf8(v.edits[i]));
  LbFF->setText(utf8(v.forceFeedbackLabel));
  CbFF->setEnabled(v.forceFeedbackAvailable);
  CbFF->setChecked(v.forceFeedbackChecked);
}

void TPadForm::TimerTimer() {
  int focused = -1;
  for (size_t i = 0; i < edits.size(); ++i)
    if (edits[i]->hasFocus()) focused = static_cast<int>(i);
  const PadCapture c = config_.capture(focused, deleteHeld_);
  if (!c.bound) return;
  edits[static_cast<size_t>(c.edit)]->setText(utf8(c.text));
  if (c.nextFocus == kPadFocusCloseButton)
    BtOk->setFocus();
  else
    edits[static_cast<size_t>(c.nextFocus)]->setFocus();
}

void TPadForm::CbFFClick() {
  // About half a second of full force while the window keeps painting.
  config_.forceFeedbackClicked(CbFF->isChecked(), [] {
    for (int i = 0; i < 5; ++i) {
      QCoreApplication::processEvents();
      QThread::msleep(100);
    }
  });
}

void TPadForm::BtLoadClick() {
  if (OpDlg->exec() != QDialog::Accepted || OpDlg->selectedFiles().isEmpty()) return;
  config_.loadSettings(OpDlg->selectedFiles().front().toStdString());
  refresh();
}

void TPadForm::BtReSampleClick() {
  config_.recognizeAgain();
  refresh();
}

void TPadForm::CBoxChange(int index) {
  if (index < 0) return;
  config_.selectDevice(index);
  refresh();
}

void TPadForm::BtOkClick() {
  Timer->stop();
  accept();
}

void TPadForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  refresh();
  Timer->start();
}

void TPadForm::hideEvent(QHideEvent* event) {
  Timer->stop();
  QDialog::hideEvent(event);
}

bool TPadForm::eventFilter(QObject* watched, QEvent* event) {
  // Delete held while the joypad is read clears the focused binding; the
  // edits are read-only, so the key is theirs to swallow.
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete) {
      if (!key->isAutoRepeat()) deleteHeld_ = event->type() == QEvent::KeyPress;
      return true;
    }
  }
  // A click selects the whole text of the edit.
  if (event->type() == QEvent::MouseButtonRelease)
    if (auto* edit = qobject_cast<QLineEdit*>(watched))
      QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
  return QDialog::eventFilter(watched, event);
}

}  // namespace kobre::app
