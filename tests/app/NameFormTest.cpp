// The name entry: its filter as a plain function, and the dialog on the
// offscreen platform writing the hero name of the settings.
#include "tests/app/DialogFixture.h"
// Qt after the engine's headers.
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/TNameForm.h"
#include "app/frame/HeroNameFilter.h"

namespace kobre::app {
namespace {

std::string sj(std::string_view utf8) {
  return platform::utf8ToCp932(utf8);
}

TEST(HeroNameFilter, KeepsOnlyFullWidthCharactersUpToSixBytes) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"abc123", ""},
      {sj("遥斗"), sj("遥斗")},
      {sj("a遥1斗 "), sj("遥斗")},
      {sj("遥　斗"), sj("遥斗")},  // full-width space
      {sj("　"), ""},
      {sj("ｱｲ"), ""},  // half-width katakana below the wide lead range
      {sj("あいうえ"), sj("あいう")},
      {sj("あ　いうえ"), sj("あいう")},
      {std::string("\x82\xA0\x82", 3), sj("あ")},  // a lead byte with nothing after it
      {std::string("\xC0", 1), ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(frame::filterHeroName(c.in), c.out) << c.in;
}

class NameFormTest : public testing::DialogFixture {
 protected:
  TNameForm form{options, headless.text};
  QString text() const { return form.EdName->text(); }
};

TEST_F(NameFormTest, ShowsTheNameAndItsButtons) {
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("KOBRE 名前の変更"));
  EXPECT_EQ(form.size(), QSize(250, 84));
  EXPECT_EQ(form.Button1->text(), QString::fromUtf8("デフォルト"));
  EXPECT_EQ(form.BtCansel->text(), QString::fromUtf8("キャンセル"));
  EXPECT_TRUE(form.BtOk->isDefault());
  form.show();
  EXPECT_EQ(text(), QString::fromUtf8("遥斗"));
  EXPECT_TRUE(form.BtOk->isEnabled());
  form.close();
}

TEST_F(NameFormTest, HalfWidthLettersVanishAndOkNeedsAName) {
  form.show();
  form.EdName->clear();
  EXPECT_FALSE(form.BtOk->isEnabled());
  QTest::keyClicks(form.EdName, "ab1");
  EXPECT_EQ(text(), "");
  EXPECT_FALSE(form.BtOk->isEnabled());
  // Enter on an empty field confirms nothing.
  QTest::keyClick(form.EdName, Qt::Key_Return);
  EXPECT_EQ(heroName(), kSjisDefaultHeroName);
  // Japanese comes through the input method.
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("あx"));
  QApplication::sendEvent(form.EdName, &commit);
  EXPECT_EQ(text(), QString::fromUtf8("あ"));
  EXPECT_TRUE(form.BtOk->isEnabled());
  EXPECT_EQ(form.EdName->cursorPosition(), 1);
  form.close();
}

TEST_F(NameFormTest, TheFullWidthSpaceVanishes) {
  form.show();
  form.EdName->setText(QString::fromUtf8("遥　斗"));
  EXPECT_EQ(text(), QString::fromUtf8("遥斗"));
  form.EdName->setText(QString::fromUtf8("かきくけ"));
  EXPECT_EQ(text(), QString::fromUtf8("かきく"));
  form.BtOk->click();
  EXPECT_EQ(heroName(), sj("かきく"));
}

TEST_F(NameFormTest, DefaultAndOkRestoreTheDefaultName) {
  std::memset(runtime.settings.heroName, 0, sizeof runtime.settings.heroName);
  std::memcpy(runtime.settings.heroName, sj("あい").data(), 4);
  form.show();
  EXPECT_EQ(text(), QString::fromUtf8("あい"));
  form.Button1->click();
  EXPECT_EQ(text(), QString::fromUtf8("遥斗"));
  form.BtOk->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(heroName(), kSjisDefaultHeroName);
}

TEST_F(NameFormTest, CancelKeepsTheOldName) {
  form.show();
  form.EdName->setText(QString::fromUtf8("かな"));
  form.BtCansel->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(heroName(), kSjisDefaultHeroName);
  // The next showing starts from the name again.
  form.show();
  EXPECT_EQ(text(), QString::fromUtf8("遥斗"));
  form.close();
}

TEST_F(NameFormTest, AnEmptyStoredNameCannotBeConfirmed) {
  std::memset(runtime.settings.heroName, 0, sizeof runtime.settings.heroName);
  form.show();
  EXPECT_FALSE(form.BtOk->isEnabled());
  form.close();
}

}  // namespace
}  // namespace kobre::app
