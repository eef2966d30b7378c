// The flag viewer: its page as plain texts, and the window on the offscreen
// platform over a game state.
#include "app/TFlagForm.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "app/frame/FlagPage.h"
#include "script/GameState.h"
#include "tests/platform/qt/DesktopTestApp.h"

namespace kobre::app {
namespace {

// Flag n holds n % 251, so every cell tells which flag it shows.
GameState numberedState() {
  GameState gs{};
  for (int n = 0; n < kFlagCount; ++n) gs.flags[n] = static_cast<uint8_t>(n % 251);
  for (int v = 0; v < kVariableCount; ++v) gs.variables[v] = (v - 3) * 1000;
  return gs;
}

std::string cellOf(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%4d", n % 251);
  return buf;
}

TEST(FlagPage, LastPageStopsAtTheLastFlag) {
  const GameState gs = numberedState();
  const frame::FlagPage p = frame::buildFlagPage(gs, 2040);
  EXPECT_EQ(p.flags[0][0], "");
  EXPECT_EQ(p.flags[0][1], "  +0");
  EXPECT_EQ(p.flags[0][10], "  +9");
  EXPECT_EQ(p.flags[1][0], "2040");
  for (int c = 1; c <= 8; ++c) EXPECT_EQ(p.flags[1][c], cellOf(2040 + c - 1)) << c;
  EXPECT_EQ(p.flags[1][9], "");
  EXPECT_EQ(p.flags[1][10], "");
  for (int r = 2; r <= 10; ++r)
    for (int c = 0; c <= 10; ++c) EXPECT_EQ(p.flags[r][c], "") << r << "," << c;
}

TEST(FlagPage, StartFiveShowsFiveToOneHundredAndFour) {
  const GameState gs = numberedState();
  const frame::FlagPage p = frame::buildFlagPage(gs, 5);
  for (int r = 1; r <= 10; ++r) {
    char label[8];
    std::snprintf(label, sizeof label, "%4d", 5 + 10 * (r - 1));
    EXPECT_EQ(p.flags[r][0], label);
  }
  EXPECT_EQ(p.flags[1][0], "   5");
  EXPECT_EQ(p.flags[10][0], "  95");
  EXPECT_EQ(p.flags[1][1], cellOf(5));
  EXPECT_EQ(p.flags[10][10], cellOf(104));
}

TEST(FlagPage, VariablesWithFHidden) {
  const GameState gs = numberedState();
  const frame::FlagPage p = frame::buildFlagPage(gs, 0);
  EXPECT_EQ(p.variables[0][0], "   A");
  EXPECT_EQ(p.variables[0][25], "   Z");
  EXPECT_EQ(p.variables[1][0], "  -3000");
  EXPECT_EQ(p.variables[1][3], "      0");
  EXPECT_EQ(p.variables[1][5], "XXXXXXX");
  EXPECT_EQ(p.variables[1][25], "  22000");
}

TEST(FlagPage, StartFieldAndPageButtons) {
  struct Case {
    const char* text;
    int start, previous, next;
  };
  const Case cases[] = {
      {"0", 0, 0, 100},           {"1950", 1950, 1850, 2000},
      {"2000", 2000, 1900, 2000}, {"50", 50, 0, 150},
      {"2040", 2040, 1940, 2000}, {"", 0, 0, 100},
      {"abc", 0, 0, 100},         {"12x", 0, 0, 100},
      {"-50", 0, 0, 100},         {"99999999999", 2048, 1948, 2000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(frame::readFlagStart(c.text), c.start) << c.text;
    EXPECT_EQ(frame::previousFlagStart(c.text), c.previous) << c.text;
    EXPECT_EQ(frame::nextFlagStart(c.text), c.next) << c.text;
  }
  // Past the last flag the page is empty, never outside the flags.
  const GameState gs = numberedState();
  const frame::FlagPage p = frame::buildFlagPage(gs, 5000);
  EXPECT_EQ(p.flags[1][0], "");
  EXPECT_EQ(p.flags[0][1], "  +0");
}

struct FlagFormTest : ::testing::Test {
  QApplication* app = test::desktopApp();  // before the first widget
  GameState state = numberedState();
  TFlagForm form{state};
  QString cell(QTableWidget* g, int r, int c) {
    QTableWidgetItem* item = g->item(r, c);
    return item ? item->text() : QString();
  }
};

TEST_F(FlagFormTest, ShowsAPageAndTurnsPages) {
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("フラグ"));
  EXPECT_EQ(form.size(), QSize(338, 333));
  EXPECT_FALSE(form.isModal());
  EXPECT_EQ(form.EdStart->text(), "0");
  EXPECT_EQ(form.SgFlag->rowCount(), 11);
  EXPECT_EQ(form.SgFlag->columnCount(), 11);
  EXPECT_EQ(form.SgSystem->rowCount(), 2);
  EXPECT_EQ(form.SgSystem->columnCount(), 26);
  EXPECT_EQ(form.BtPrev->text(), "-100");
  EXPECT_EQ(form.BtNext->text(), "+100");
  EXPECT_EQ(form.BtCancel->text(), QString::fromUtf8("キャンセル"));
  form.show();
  EXPECT_EQ(cell(form.SgFlag, 1, 0), "   0");
  EXPECT_EQ(cell(form.SgSystem, 1, 5), "XXXXXXX");

  form.EdStart->setText("2040");
  EXPECT_EQ(cell(form.SgFlag, 1, 0), "2040");
  EXPECT_EQ(cell(form.SgFlag, 1, 8), QString::fromStdString(cellOf(2047)));
  EXPECT_EQ(cell(form.SgFlag, 1, 9), "");
  EXPECT_EQ(cell(form.SgFlag, 2, 0), "");

  form.EdStart->setText("1950");
  form.BtNext->click();
  EXPECT_EQ(form.EdStart->text(), "2000");
  EXPECT_EQ(cell(form.SgFlag, 1, 0), "2000");
  form.BtNext->click();
  EXPECT_EQ(form.EdStart->text(), "2000");
  form.EdStart->setText("50");
  form.BtPrev->click();
  EXPECT_EQ(form.EdStart->text(), "0");
  form.EdStart->setText("5");
  EXPECT_EQ(cell(form.SgFlag, 10, 0), "  95");
  EXPECT_EQ(cell(form.SgFlag, 10, 10), QString::fromStdString(cellOf(104)));
  form.BtOk->click();
  EXPECT_FALSE(form.isVisible());
}

TEST_F(FlagFormTest, ASnapshotUntilShownOrPaged) {
  form.show();
  state.flags[0] = 77;
  state.variables[0] = 5;
  EXPECT_EQ(cell(form.SgFlag, 1, 1), "   0");
  EXPECT_EQ(cell(form.SgSystem, 1, 0), "  -3000");
  form.BtCancel->click();
  EXPECT_FALSE(form.isVisible());
  form.show();
  EXPECT_EQ(cell(form.SgFlag, 1, 1), "  77");
  EXPECT_EQ(cell(form.SgSystem, 1, 0), "      5");
  state.flags[0] = 78;
  form.BtPrev->click();  // 0 stays 0 and still takes a new snapshot
  EXPECT_EQ(cell(form.SgFlag, 1, 1), "  78");
  form.close();
}

}  // namespace
}  // namespace kobre::app
