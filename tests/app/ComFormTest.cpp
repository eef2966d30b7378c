// The save comment dialog on the offscreen platform: its controls, the
// comment rule applied while typing, and the joypad's Ok and Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/TComForm.h"
#include "input/PadConfig.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/posix/IconvTextCodec.h"
#include "tests/platform/qt/DesktopTestApp.h"
#include "tests/storage/TempFolder.h"

namespace kobre::app {
namespace {

// A pad whose buttons are let go after a number of reads.
class ReleasingPad : public platform::headless::HeadlessJoystick {
 public:
  bool poll(platform::JoystickState& state) override {
    ++reads;
    if (reads == releaseAt) setState({});
    return HeadlessJoystick::poll(state);
  }
  int reads = 0;
  int releaseAt = 0;
};

struct ComFormTest : ::testing::Test {
  ComFormTest() { test::desktopApp(); }
  kobre::testing::TempFolder folder;
  platform::headless::HeadlessPlatform headless{folder.str()};
  ReleasingPad stick;
  Joypad pad{&stick, &headless.host};
  PadConfig config{pad, &headless.files};
  platform::IconvTextCodec codec;
};

TEST_F(ComFormTest, ShowsTheControlsAndKeepsTheCommentRuleWhileTyping) {
  TComForm form;
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("KOBRE コメントの入力"));
  EXPECT_EQ(form.size(), QSize(394, 115));
  EXPECT_EQ(form.Label1->text(), QString::fromUtf8("［ＯＫ］で上書き"));
  EXPECT_EQ(form.Label2->text(), QString::fromUtf8("［キャンセル］でセーブしない"));
  EXPECT_EQ(form.Label3->text(), QString::fromUtf8("コメント"));
  EXPECT_EQ(form.BtCansel->text(), QString::fromUtf8("キャンセル"));
  EXPECT_TRUE(form.BtOk->isDefault());
  for (const char* name : {"EdComment", "BtOk", "BtCansel", "Timer"})
    EXPECT_NE(form.findChild<QObject*>(name), nullptr) << name;
  EXPECT_EQ(form.Timer->interval(), 30);
  form.show();
  EXPECT_TRUE(form.Timer->isActive());

  struct Case {
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {
      {"a\\b", "ab"},
      {"0123456789012345678901234567890123456789X", "0123456789012345678901234567890123456789"},
      // Nineteen kanji (38 bytes), one letter, then a kanji that would start at byte 39.
      {"あいうえおかきくけこさしすせそたちつてxと", "あいうえおかきくけこさしすせそたちつてx"},
  };
  for (const Case& c : cases) {
    form.EdComment->setText(QString::fromUtf8(c.typed));
    EXPECT_EQ(form.EdComment->text(), QString::fromUtf8(c.shown)) << c.typed;
  }
  form.setComment(codec, platform::utf8ToCp932("保存"));
  EXPECT_EQ(form.comment(codec), platform::utf8ToCp932("保存"));
  form.BtCansel->click();
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_FALSE(form.Timer->isActive());
}

TEST_F(ComFormTest, ThePadAnswersAndIsReadUntilItsButtonIsLetGo) {
  stick.plug("Pad");
  config.startUp();
  struct Case {
    int button;  // raw button of the default bindings: B1 Ok, B2 Cancel
    QDialog::DialogCode result;
  };
  for (const Case c : {Case{1, QDialog::Accepted}, Case{2, QDialog::Rejected}}) {
    TComForm form([this] { return &pad; });
    form.show();
    stick.reads = 0;
    stick.releaseAt = 5;
    stick.setState({1u << c.button, 0, 0});
    form.TimerTimer();
    EXPECT_EQ(form.result(), c.result) << c.button;
    EXPECT_GE(stick.reads, 5) << c.button;
    EXPECT_FALSE(form.Timer->isActive());
  }
  // No pad: the tick does nothing.
  TComForm form([] { return nullptr; });
  form.show();
  form.TimerTimer();
  EXPECT_TRUE(form.isVisible());
}

}  // namespace
}  // namespace kobre::app
