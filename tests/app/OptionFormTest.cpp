// The options dialog on the offscreen platform over a runtime with music
// playing and the message box on screen: live bars act at once, Cancel puts
// them back, OK writes the rest, the close box keeps only what is live.
#include "tests/app/DialogFixture.h"
// Qt after the engine's headers.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/DialogMenu.h"
#include "app/TFlagForm.h"
#include "app/TNameForm.h"
#include "app/TOptionForm.h"

namespace kobre::app {
namespace {

class OptionFormTest : public testing::DialogFixture {
 protected:
  TNameForm nameForm{options, headless.text};
  TOptionForm form{options, nameForm};

  QSlider* bar(const char* name) { return form.findChild<QSlider*>(name); }
  QString label(const char* name) { return form.findChild<QLabel*>(name)->text(); }
};

TEST_F(OptionFormTest, HasEveryControlWithItsRange) {
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("KOBRE 設定"));
  EXPECT_EQ(form.size(), QSize(419, 319));
  ASSERT_EQ(form.PageControl->count(), 5);
  const char* tabs[] = {"メッセージ", "スキップ", "ウィンドウ", "サウンド", "その他"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(form.PageControl->tabText(i), QString::fromUtf8(tabs[i]));
  struct Bar {
    const char* name;
    int min, max, page;
  };
  const Bar bars[] = {
      {"TbMsgSpeed", 0, 3, 1}, {"TbReaded", 0, 255, 16}, {"TbSkipWait", 0, 10, 1},
      {"TbRed", 0, 255, 16},   {"TbGreen", 0, 255, 16},  {"TbBlue", 0, 255, 16},
      {"TbAlpha", 0, 255, 16}, {"TbBgm", 0, 100, 10},    {"TbSe", 0, 100, 10},
      {"TbVoice", 0, 100, 10}, {"TbFade", 1, 128, 16},
  };
  for (const Bar& b : bars) {
    QSlider* s = bar(b.name);
    ASSERT_NE(s, nullptr) << b.name;
    EXPECT_EQ(s->minimum(), b.min) << b.name;
    EXPECT_EQ(s->maximum(), b.max) << b.name;
    EXPECT_EQ(s->pageStep(), b.page) << b.name;
  }
  struct Box {
    const char* name;
    const char* caption;
  };
  const Box boxes[] = {
      {"CbReaded", "既読ならメッセージの色を落とす"},
      {"CbSkipVoice", "音声もスキップする"},
      {"CbSkipEffect", "画面効果もスキップする"},
      {"CbSkipCancel", "バックログに入ったらスキップ解除"},
      {"CbSkipUnread", "未読位置だったらスキップ解除"},
      {"CbOverWriteCheck", "セーブ時に上書きの確認をする"},
      {"CbNextVoice", "次の音声が再生されるまで音声を止めない"},
  };
  for (const Box& b : boxes) {
    auto* c = form.findChild<QCheckBox*>(b.name);
    ASSERT_NE(c, nullptr) << b.name;
    EXPECT_EQ(c->text(), QString::fromUtf8(b.caption));
  }
  for (const char* name :
       {"LbReaded", "LbRed", "LbGreen", "LbBlue", "LbAlpha", "LbBgm", "LbSe", "LbVoice"})
    EXPECT_NE(form.findChild<QLabel*>(name), nullptr) << name;
  EXPECT_EQ(form.BtOk->text(), "OK");
  EXPECT_TRUE(form.BtOk->isDefault());
  EXPECT_EQ(form.BtCansel->text(), QString::fromUtf8("キャンセル"));
  EXPECT_EQ(form.BtName->text(), QString::fromUtf8("変更"));
  EXPECT_TRUE(form.EdName->isReadOnly());
  form.show();
  // The name panel stays hidden; the visible button reaches the name dialog.
  EXPECT_FALSE(form.PnName->isVisible());
  EXPECT_EQ(form.PnName->title(), QString::fromUtf8("主人公の名前"));
  EXPECT_TRUE(form.BtHeroName->isVisible());
  EXPECT_EQ(form.EdName->text(), QString::fromUtf8("遥斗"));
  form.close();
}

TEST_F(OptionFormTest, ShowingStartsFromTheSettings) {
  Settings& s = runtime.settings;
  s.messageSpeed = 2;
  s.skipWait = 7;
  s.effectSpeed = 40;
  s.messageReadedLumi = 99;
  s.windowRed = 10;
  s.windowAlpha = 200;
  s.volumeSe = 55;
  s.skipVoice = true;
  s.voiceNext = true;
  s.saveOverWriteCheck = false;
  form.show();
  EXPECT_EQ(form.TbMsgSpeed->value(), 2);
  EXPECT_EQ(form.TbSkipWait->value(), 7);
  EXPECT_EQ(form.TbFade->value(), 40);
  EXPECT_EQ(form.TbReaded->value(), 99);
  EXPECT_EQ(label("LbReaded"), "99");
  EXPECT_EQ(form.TbRed->value(), 10);
  EXPECT_EQ(label("LbRed"), "10");
  EXPECT_EQ(label("LbAlpha"), "200");
  EXPECT_EQ(label("LbSe"), "55");
  EXPECT_TRUE(form.CbSkipVoice->isChecked());
  EXPECT_TRUE(form.CbNextVoice->isChecked());
  EXPECT_FALSE(form.CbOverWriteCheck->isChecked());
  EXPECT_EQ(form.shownValues().alpha, 200);
  EXPECT_EQ(form.shownValues().se, 55);
  form.close();
}

TEST_F(OptionFormTest, MusicBarChangesTheVolumeAtOnceAndCancelRestoresIt) {
  runtime.settings.volumeBgm = 80;
  playMusic();
  form.show();
  form.TbBgm->setValue(30);
  EXPECT_EQ(runtime.settings.volumeBgm, 30);
  EXPECT_EQ(bgm().volume(), 30);
  EXPECT_EQ(bgm().deviceVolume(), volumeToHundredthsDb(30));
  EXPECT_EQ(label("LbBgm"), "30");
  // A page of the keyboard is ten.
  form.TbBgm->setFocus();
  QTest::keyClick(form.TbBgm, Qt::Key_PageDown);
  EXPECT_EQ(bgm().volume(), 20);
  EXPECT_TRUE(bgm().isPlaying());
  form.BtCansel->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(runtime.settings.volumeBgm, 80);
  EXPECT_EQ(bgm().volume(), 80);
  EXPECT_EQ(bgm().deviceVolume(), volumeToHundredthsDb(80));
  EXPECT_TRUE(bgm().isPlaying());
}

TEST_F(OptionFormTest, OpacityBarChangesTheBoxOnScreenAndOkKeepsIt) {
  runtime.settings.windowRed = 255;
  runtime.settings.windowAlpha = 128;
  showBoxes();
  form.show();
  const uint32_t before = shown(400, 450);
  EXPECT_NE(before, 0u);
  EXPECT_LT(before >> 16, 0xF0u);  // half-transparent red over black
  const int paintsBefore = repaints;
  form.TbAlpha->setValue(255);
  EXPECT_GT(repaints, paintsBefore);
  EXPECT_EQ(slot(5).opacity(), 255);
  EXPECT_EQ(shown(400, 450), 0xFF0000u);
  EXPECT_EQ(label("LbAlpha"), "255");
  // The colour too, on both boxes; the backlog's box stays opaque.
  form.TbBlue->setValue(255);
  EXPECT_EQ(shown(400, 450), 0xFF00FFu);
  EXPECT_EQ(shown(10, 10), 0xFF00FFu);
  EXPECT_EQ(slot(20).boxStyle(), 2);
  form.BtOk->click();
  EXPECT_EQ(runtime.settings.windowAlpha, 255);
  EXPECT_EQ(runtime.settings.windowBlue, 255);
  EXPECT_EQ(slot(5).opacity(), 255);
  EXPECT_EQ(shown(400, 450), 0xFF00FFu);
}

TEST_F(OptionFormTest, ColourChangesLeaveOtherPicturesInTheBoxSlots) {
  // A screen's own picture in slot 21 is no box to rebuild.
  ASSERT_TRUE(slot(21).createBlank(30, 30));
  slot(21).setPosition(700, 0);
  form.show();
  form.TbGreen->setValue(255);
  EXPECT_TRUE(slot(21).isLoaded());
  EXPECT_NE(slot(21).name(), DIBSprite::kBoxName);
  EXPECT_EQ(shown(710, 10), 0u);
  form.close();
}

TEST_F(OptionFormTest, SpeedAndSwitchesTakeEffectOnlyOnOk) {
  runtime.settings.messageSpeed = 1;
  form.show();
  form.TbMsgSpeed->setValue(3);
  form.TbSkipWait->setValue(9);
  form.CbSkipEffect->setChecked(!runtime.settings.skipEffect);
  form.BtCansel->click();
  EXPECT_EQ(runtime.settings.messageSpeed, 1);
  EXPECT_EQ(runtime.settings.skipWait, Settings{}.skipWait);
  EXPECT_EQ(runtime.settings.skipEffect, Settings{}.skipEffect);

  form.show();
  EXPECT_EQ(form.TbMsgSpeed->value(), 1);
  form.TbMsgSpeed->setValue(3);
  form.TbSkipWait->setValue(9);
  form.TbFade->setValue(100);
  form.TbReaded->setValue(64);
  EXPECT_EQ(runtime.settings.messageReadedLumi, Settings{}.messageReadedLumi);
  form.CbReaded->setChecked(false);
  form.CbSkipVoice->setChecked(true);
  form.CbSkipEffect->setChecked(true);
  form.CbSkipCancel->setChecked(false);
  form.CbSkipUnread->setChecked(false);
  form.CbOverWriteCheck->setChecked(false);
  form.CbNextVoice->setChecked(true);
  form.BtOk->click();
  const Settings& s = runtime.settings;
  EXPECT_EQ(s.messageSpeed, 3);
  EXPECT_EQ(s.skipWait, 9);
  EXPECT_EQ(s.effectSpeed, 100);
  EXPECT_EQ(s.messageReadedLumi, 64);
  EXPECT_FALSE(s.messageReaded);
  EXPECT_TRUE(s.skipVoice);
  EXPECT_TRUE(s.skipEffect);
  EXPECT_FALSE(s.skipCancel);
  EXPECT_FALSE(s.skipUnread);
  EXPECT_FALSE(s.saveOverWriteCheck);
  EXPECT_TRUE(s.voiceNext);
}

TEST_F(OptionFormTest, CloseBoxKeepsLiveChangesAndDropsTheRest) {
  runtime.settings.volumeBgm = 90;
  playMusic();
  showBoxes();
  form.show();
  form.TbRed->setValue(200);
  form.TbBgm->setValue(40);
  form.TbMsgSpeed->setValue(3);
  form.CbSkipVoice->setChecked(true);
  form.close();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(runtime.settings.windowRed, 200);
  EXPECT_EQ(runtime.settings.volumeBgm, 40);
  EXPECT_EQ(bgm().volume(), 40);
  EXPECT_EQ(shown(10, 10) >> 16, 200u);
  EXPECT_EQ(runtime.settings.messageSpeed, 0);
  EXPECT_FALSE(runtime.settings.skipVoice);
}

TEST_F(OptionFormTest, EscapeIsTheCancelButton) {
  runtime.settings.windowGreen = 5;
  form.show();
  form.TbGreen->setValue(77);
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(runtime.settings.windowGreen, 5);
}

TEST_F(OptionFormTest, NameButtonEditsTheHeroName) {
  form.show();
  QTimer::singleShot(0, &nameForm, [this] {
    nameForm.EdName->setText(QString::fromUtf8("かなた"));
    nameForm.BtOk->click();
  });
  form.BtHeroName->click();
  EXPECT_EQ(heroName(), sj("かなた"));
  EXPECT_EQ(form.EdName->text(), QString::fromUtf8("かなた"));
  // The hidden panel's button opens the same dialog.
  QTimer::singleShot(0, &nameForm, [this] { nameForm.Button1->click(), nameForm.BtOk->click(); });
  form.BtName->click();
  EXPECT_EQ(heroName(), kSjisDefaultHeroName);
  form.close();
}

TEST_F(OptionFormTest, MenuItemsOpenTheOptionsAndTheFlagViewer) {
  TFlagForm flags(runtime.gameState);
  QTimer::singleShot(0, &form, [this] {
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isModal());
    form.BtOk->click();
  });
  EXPECT_TRUE(openDialogMenu("MnOption", form, flags));
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(openDialogMenu("MnFlag", form, flags));
  EXPECT_TRUE(flags.isVisible());
  EXPECT_FALSE(flags.isModal());
  EXPECT_FALSE(openDialogMenu("MnPad", form, flags));
  flags.close();
}

}  // namespace
}  // namespace kobre::app
