#include "app/TOptionForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/TNameForm.h"

namespace kobre::app {

namespace {

QString u(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QCheckBox* checkBox(const char* name, const char* caption, QWidget* parent) {
  auto* box = new QCheckBox(u(caption), parent);
  box->setObjectName(name);
  return box;
}

QLabel* valueLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setMinimumWidth(28);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

// A bar with the two end captions under it.
QWidget* withEnds(QSlider* bar, const char* low, const char* high, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(0);
  bar->setParent(box);
  grid->addWidget(bar, 0, 0, 1, 2);
  grid->addWidget(new QLabel(u(low), box), 1, 0, Qt::AlignLeft);
  grid->addWidget(new QLabel(u(high), box), 1, 1, Qt::AlignRight);
  return box;
}

}  // namespace

QSlider* TOptionForm::makeBar(const char* name, int min, int max, int page, QWidget* parent) {
  auto* bar = new QSlider(Qt::Horizontal, parent);
  bar->setObjectName(name);
  bar->setRange(min, max);
  bar->setPageStep(page);
  bar->setSingleStep(1);
  bar->setTickPosition(QSlider::TicksBelow);
  bar->setTickInterval(page);
  tracks_.push_back({bar, nullptr, false, frame::LiveTrack::Readed});
  return bar;
}

void TOptionForm::makeLive(QSlider* bar, QLabel* label, frame::LiveTrack track) {
  for (Track& t : tracks_)
    if (t.bar == bar) t = {bar, label, true, track};
  connect(bar, &QSlider::valueChanged, this, [this, bar](int value) {
    if (!applying_) applyTrackValue(bar, value);
  });
}

const TOptionForm::Track* TOptionForm::trackOf(const QSlider* bar) const {
  for (const Track& t : tracks_)
    if (t.bar == bar) return &t;
  return nullptr;
}

TOptionForm::TOptionForm(frame::OptionSettings& options, TNameForm& nameForm, QWidget* parent)
    : QDialog(parent), options_(options), nameForm_(nameForm) {
  setObjectName("OptionForm");
  setWindowTitle(u("KOBRE 設定"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);
  PageControl = new QTabWidget(this);
  PageControl->setObjectName("PageControl");
  layout->addWidget(PageControl);

  // メッセージ
  {
    auto* page = new QWidget;
    page->setObjectName("TsMessage");
    auto* v = new QVBoxLayout(page);
    auto* speed = new QGroupBox(u("メッセージの速度"), page);
    speed->setObjectName("GbMsgSpeed");
    auto* sv = new QVBoxLayout(speed);
    TbMsgSpeed = makeBar("TbMsgSpeed", 0, 3, 1, speed);
    sv->addWidget(withEnds(TbMsgSpeed, "遅い", "最速", speed));
    v->addWidget(speed);

    PnName = new QGroupBox(u("主人公の名前"), page);
    PnName->setObjectName("PnName");
    auto* nv = new QHBoxLayout(PnName);
    EdName = new QLineEdit(PnName);
    EdName->setObjectName("EdName");
    EdName->setReadOnly(true);
    BtName = new QPushButton(u("変更"), PnName);
    BtName->setObjectName("BtName");
    nv->addWidget(EdName);
    nv->addWidget(BtName);
    v->addWidget(PnName);
    PnName->hide();

    auto* readed = new QGroupBox(u("既読時の処理"), page);
    readed->setObjectName("GbReaded");
    auto* rg = new QGridLayout(readed);
    CbReaded = checkBox("CbReaded", "既読ならメッセージの色を落とす", readed);
    rg->addWidget(CbReaded, 0, 0, 1, 3);
    rg->addWidget(new QLabel(u("明るさ"), readed), 1, 0);
    TbReaded = makeBar("TbReaded", 0, 255, 16, readed);
    rg->addWidget(TbReaded, 1, 1);
    LbReaded = valueLabel("LbReaded", readed);
    rg->addWidget(LbReaded, 1, 2);
    v->addWidget(readed);

    BtHeroName = new QPushButton(u("主人公の名前の変更..."), page);
    BtHeroName->setObjectName("BtHeroName");
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(BtHeroName);
    v->addLayout(row);
    v->addStretch();
    PageControl->addTab(page, u("メッセージ"));
  }

  // スキップ
  {
    auto* page = new QWidget;
    page->setObjectName("TsSkip");
    auto* v = new QVBoxLayout(page);
    auto* group = new QGroupBox(u("スキップ時の処理"), page);
    group->setObjectName("GbSkip");
    auto* g = new QGridLayout(group);
    g->addWidget(new QLabel(u("待ち時間"), group), 0, 0, Qt::AlignTop);
    TbSkipWait = makeBar("TbSkipWait", 0, 10, 1, group);
    g->addWidget(withEnds(TbSkipWait, "０秒", "１０秒", group), 0, 1);
    CbSkipVoice = checkBox("CbSkipVoice", "音声もスキップする", group);
    CbSkipEffect = checkBox("CbSkipEffect", "画面効果もスキップする", group);
    CbSkipCancel = checkBox("CbSkipCancel", "バックログに入ったらスキップ解除", group);
    CbSkipUnread = checkBox("CbSkipUnread", "未読位置だったらスキップ解除", group);
    int r = 1;
    for (QCheckBox* box : {CbSkipVoice, CbSkipEffect, CbSkipCancel, CbSkipUnread})
      g->addWidget(box, r++, 0, 1, 2);
    v->addWidget(group);
    v->addStretch();
    PageControl->addTab(page, u("スキップ"));
  }

  // ウィンドウ
  {
    auto* page = new QWidget;
    page->setObjectName("TsWindow");
    auto* v = new QVBoxLayout(page);
    auto* colour = new QGroupBox(u("ウィンドウの色"), page);
    colour->setObjectName("GbWindowColor");
    auto* g = new QGridLayout(colour);
    struct Row {
      QSlider*& bar;
      QLabel*& label;
      const char* barName;
      const char* labelName;
      const char* caption;
      frame::LiveTrack track;
    };
    const Row rows[] = {
        {TbRed, LbRed, "TbRed", "LbRed", "赤", frame::LiveTrack::Red},
        {TbGreen, LbGreen, "TbGreen", "LbGreen", "緑", frame::LiveTrack::Green},
        {TbBlue, LbBlue, "TbBlue", "LbBlue", "青", frame::LiveTrack::Blue},
    };
    int r = 0;
    for (const Row& row : rows) {
      g->addWidget(new QLabel(u(row.caption), colour), r, 0);
      row.bar = makeBar(row.barName, 0, 255, 16, colour);
      row.label = valueLabel(row.labelName, colour);
      g->addWidget(row.bar, r, 1);
      g->addWidget(row.label, r, 2);
      ++r;
    }
    v->addWidget(colour);
    auto* alpha = new QGridLayout;
    alpha->addWidget(new QLabel(u("透明度"), page), 0, 0);
    TbAlpha = makeBar("TbAlpha", 0, 255, 16, page);
    LbAlpha = valueLabel("LbAlpha", page);
    alpha->addWidget(TbAlpha, 0, 1);
    alpha->addWidget(LbAlpha, 0, 2);
    v->addLayout(alpha);
    v->addStretch();
    PageControl->addTab(page, u("ウィンドウ"));
  }

  // サウンド
  {
    auto* page = new QWidget;
    page->setObjectName("TsSound");
    auto* v = new QVBoxLayout(page);
    auto* group = new QGroupBox(u("ボリューム"), page);
    group->setObjectName("GbVolume");
    auto* g = new QGridLayout(group);
    struct Row {
      QSlider*& bar;
      QLabel*& label;
      const char* barName;
      const char* labelName;
      const char* caption;
    };
    const Row rows[] = {
        {TbBgm, LbBgm, "TbBgm", "LbBgm", "音楽"},
        {TbSe, LbSe, "TbSe", "LbSe", "ＳＥ"},
        {TbVoice, LbVoice, "TbVoice", "LbVoice", "音声"},
    };
    int r = 0;
    for (const Row& row : rows) {
      g->addWidget(new QLabel(u(row.caption), group), r, 0);
      row.bar = makeBar(row.barName, 0, 100, 10, group);
      row.label = valueLabel(row.labelName, group);
      g->addWidget(row.bar, r, 1);
      g->addWidget(row.label, r, 2);
      ++r;
    }
    v->addWidget(group);
    v->addStretch();
    PageControl->addTab(page, u("サウンド"));
  }

  // その他
  {
    auto* page = new QWidget;
    page->setObjectName("TsOther");
    auto* v = new QVBoxLayout(page);
    CbOverWriteCheck = checkBox("CbOverWriteCheck", "セーブ時に上書きの確認をする", page);
    v->addWidget(CbOverWriteCheck);
    auto* fade = new QGroupBox(u("画面効果の速度"), page);
    fade->setObjectName("GbFade");
    auto* fv = new QVBoxLayout(fade);
    TbFade = makeBar("TbFade", 1, 128, 16, fade);
    fv->addWidget(withEnds(TbFade, "遅い", "最速", fade));
    v->addWidget(fade);
    CbNextVoice = checkBox("CbNextVoice", "次の音声が再生されるまで音声を止めない", page);
    v->addWidget(CbNextVoice);
    v->addStretch();
    PageControl->addTab(page, u("その他"));
  }

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  BtOk = new QPushButton(u("OK"), this);
  BtOk->setObjectName("BtOk");
  BtOk->setDefault(true);
  BtCansel = new QPushButton(u("キャンセル"), this);
  BtCansel->setObjectName("BtCansel");
  buttons->addWidget(BtOk);
  buttons->addWidget(BtCansel);
  layout->addLayout(buttons);

  makeLive(TbReaded, LbReaded, frame::LiveTrack::Readed);
  makeLive(TbRed, LbRed, frame::LiveTrack::Red);
  makeLive(TbGreen, LbGreen, frame::LiveTrack::Green);
  makeLive(TbBlue, LbBlue, frame::LiveTrack::Blue);
  makeLive(TbAlpha, LbAlpha, frame::LiveTrack::Alpha);
  makeLive(TbBgm, LbBgm, frame::LiveTrack::Bgm);
  makeLive(TbSe, LbSe, frame::LiveTrack::Se);
  makeLive(TbVoice, LbVoice, frame::LiveTrack::Voice);

  connect(BtOk, &QPushButton::clicked, this, [this] { BtOkClick(); });
  connect(BtCansel, &QPushButton::clicked, this, [this] { BtCanselClick(); });
  connect(BtName, &QPushButton::clicked, this, [this] { BtNameClick(); });
  connect(BtHeroName, &QPushButton::clicked, this, [this] { BtNameClick(); });
  setFixedSize(419, 319);
}

void TOptionForm::applyTrackValue(QSlider* bar, int value) {
  const Track* t = trackOf(bar);
  if (t == nullptr) return;
  applying_ = true;
  bar->setValue(value);
  applying_ = false;
  if (!t->live) return;
  // The bar's own range limits the value; the engine applies what it shows.
  const int applied = options_.applyTrackValue(t->track, bar->value());
  if (t->label) t->label->setText(QString::number(applied));
}

void TOptionForm::FormShow() {
  using frame::LiveTrack;
  const frame::DeferredValues d = options_.deferredValues();
  TbMsgSpeed->setValue(d.messageSpeed);
  applyTrackValue(TbRed, options_.trackValue(LiveTrack::Red));
  applyTrackValue(TbGreen, options_.trackValue(LiveTrack::Green));
  applyTrackValue(TbBlue, options_.trackValue(LiveTrack::Blue));
  applyTrackValue(TbAlpha, options_.trackValue(LiveTrack::Alpha));
  applyTrackValue(TbBgm, options_.trackValue(LiveTrack::Bgm));
  applyTrackValue(TbSe, options_.trackValue(LiveTrack::Se));
  applyTrackValue(TbVoice, options_.trackValue(LiveTrack::Voice));
  TbSkipWait->setValue(d.skipWait);
  TbFade->setValue(d.effectSpeed);
  shownValues_ = options_.shownValues();
  CbSkipVoice->setChecked(d.skipVoice);
  CbSkipEffect->setChecked(d.skipEffect);
  CbSkipCancel->setChecked(d.skipCancel);
  CbSkipUnread->setChecked(d.skipUnread);
  CbOverWriteCheck->setChecked(d.saveOverWriteCheck);
  CbNextVoice->setChecked(d.voiceNext);
  CbReaded->setChecked(d.messageReaded);
  applyTrackValue(TbReaded, d.messageReadedLumi);
  EdName->setText(nameForm_.heroNameText());
}

void TOptionForm::BtOkClick() {
  frame::DeferredValues d;
  d.messageSpeed = TbMsgSpeed->value();
  d.skipWait = TbSkipWait->value();
  d.effectSpeed = TbFade->value();
  d.skipVoice = CbSkipVoice->isChecked();
  d.skipEffect = CbSkipEffect->isChecked();
  d.skipCancel = CbSkipCancel->isChecked();
  d.skipUnread = CbSkipUnread->isChecked();
  d.saveOverWriteCheck = CbOverWriteCheck->isChecked();
  d.voiceNext = CbNextVoice->isChecked();
  d.messageReaded = CbReaded->isChecked();
  d.messageReadedLumi = TbReaded->value();
  options_.commit(d);
  accept();
}

void TOptionForm::BtCanselClick() {
  applyTrackValue(TbRed, shownValues_.red);
  applyTrackValue(TbGreen, shownValues_.green);
  applyTrackValue(TbBlue, shownValues_.blue);
  applyTrackValue(TbAlpha, shownValues_.alpha);
  applyTrackValue(TbBgm, shownValues_.bgm);
  applyTrackValue(TbSe, shownValues_.se);
  applyTrackValue(TbVoice, shownValues_.voice);
  reject();
}

void TOptionForm::BtNameClick() {
  nameForm_.exec();
  EdName->setText(nameForm_.heroNameText());
}

void TOptionForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The window system's own shows (restored from an icon) are no new showing.
  if (!event->spontaneous()) FormShow();
}

void TOptionForm::keyPressEvent(QKeyEvent* event) {
  // Escape is the Cancel button; the close box (reject) keeps what is live.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    BtCansel->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace kobre::app
