// The joypad settings dialog on the offscreen platform, over the headless
// joystick.
#include "app/TPadForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "common/Buttons.h"
#include "platform/headless/HeadlessPlatform.h"
#include "tests/platform/qt/DesktopTestApp.h"
#include "tests/storage/TempFolder.h"

namespace kobre::app {
namespace {

struct PadFormTest : ::testing::Test {
  PadFormTest() { test::desktopApp(); }
  kobre::testing::TempFolder folder;
  platform::headless::HeadlessPlatform headless{folder.str()};
  Joypad pad{&headless.joystick, &headless.host};
  PadConfig config{pad, &headless.files};

  void showAndFocus(TPadForm& form, int edit) {
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.edits[static_cast<size_t>(edit)]->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(form.edits[static_cast<size_t>(edit)]->hasFocus());
  }
};

TEST_F(PadFormTest, ShowsTheControlsAndTheStoredBindings) {
  config.startUp();
  TPadForm form(config);
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("ジョイパッドの設定"));
  EXPECT_EQ(form.size(), QSize(386, 269));
  form.show();
  EXPECT_TRUE(form.Timer->isActive());
  EXPECT_EQ(form.Timer->interval(), 30);
  ASSERT_EQ(form.CBox->count(), 1);
  EXPECT_EQ(form.CBox->itemText(0), QString::fromUtf8("ジョイパッドは利用できません"));
  EXPECT_EQ(form.findChild<QLineEdit*>("EdUp")->text(), "Up");
  EXPECT_EQ(form.findChild<QLineEdit*>("EdOk")->text(), "B1");
  EXPECT_EQ(form.findChild<QLineEdit*>("EdSave")->text(), "B9");
  EXPECT_TRUE(form.findChild<QLineEdit*>("EdSave")->isReadOnly());
  EXPECT_EQ(form.LbFF->text(), QString::fromUtf8("フォースフィードバックは利用できません"));
  EXPECT_FALSE(form.CbFF->isEnabled());
  EXPECT_TRUE(form.CbFF->isChecked());
  for (const char* name : {"GroupBox1", "GroupBox2", "BtLoad", "BtReSample", "BtOk", "OpDlg"})
    EXPECT_NE(form.findChild<QObject*>(name), nullptr) << name;
  // 再認識 finds a pad plugged in meanwhile.
  headless.joystick.plug("Pad");
  form.BtReSample->click();
  ASSERT_EQ(form.CBox->count(), 1);
  EXPECT_EQ(form.CBox->itemText(0), "Pad");
  EXPECT_TRUE(form.CbFF->isEnabled());
  EXPECT_EQ(form.LbFF->text(), QString::fromUtf8("フォースフィードバックが利用できます"));
  form.BtOk->click();
  EXPECT_FALSE(form.Timer->isActive());
  EXPECT_FALSE(form.isVisible());
}

TEST_F(PadFormTest, CapturesIntoTheFocusedEditAndMovesOn) {
  headless.joystick.plug("Pad");
  config.startUp();
  TPadForm form(config);
  showAndFocus(form, 4);
  form.Timer->stop();  // ticks by hand
  headless.joystick.setState({1u << 3, 0, 0});
  form.TimerTimer();
  EXPECT_EQ(form.edits[4]->text(), "B3");
  EXPECT_EQ(pad.assignment(kButtonOk), 3);
  EXPECT_TRUE(form.edits[5]->hasFocus());
  form.TimerTimer();  // still held: nothing more
  EXPECT_EQ(form.edits[5]->text(), "B2");
  EXPECT_TRUE(form.edits[5]->hasFocus());

  // Delete clears the focused binding; after the last edit the focus is on 閉じる.
  headless.joystick.setState({});
  form.edits[11]->setFocus();
  QApplication::processEvents();
  QTest::keyPress(form.edits[11], Qt::Key_Delete);
  form.TimerTimer();
  QTest::keyRelease(form.edits[11], Qt::Key_Delete);
  EXPECT_EQ(form.edits[11]->text(), "");
  EXPECT_EQ(pad.assignment(kButtonSave), kPadUnassigned);
  EXPECT_TRUE(form.BtOk->hasFocus());
}

TEST_F(PadFormTest, ForceFeedbackBoxTestsAndSwitches) {
  headless.joystick.plug("Pad");
  config.startUp();
  TPadForm form(config);
  form.show();
  form.CbFF->click();  // switched off: nothing is sent
  EXPECT_FALSE(pad.forceFeedback());
  EXPECT_TRUE(headless.joystick.rumbles().empty());
  form.CbFF->click();  // on: full force, then stop
  EXPECT_TRUE(pad.forceFeedback());
  ASSERT_EQ(headless.joystick.rumbles().size(), 2u);
  EXPECT_EQ(headless.joystick.rumbles()[0].low, 0xFFFF);
  EXPECT_EQ(headless.joystick.rumbles()[1].low, 0);
}

}  // namespace
}  // namespace kobre::app
