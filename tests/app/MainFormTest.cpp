// The main window: its menu tree as created, the client area, the hooks, the
// display modes.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>
#include <string>
#include <vector>

#include "app/TMainForm.h"
#include "platform/qt/ScreenView.h"
#include "tests/platform/qt/DesktopTestApp.h"

namespace kobre::app {
namespace {

struct Item {
  std::string path;  // parent/name; "-" for a separator
  std::string caption;
  bool visible;
  bool enabled;
  bool checked;
};

// Walks the menu bar as the user sees it (hidden entries included).
void walk(const QList<QAction*>& actions, const std::string& parent, std::vector<Item>& out) {
  for (QAction* a : actions) {
    std::string name = a->objectName().toStdString();
    if (a->isSeparator()) {
      out.push_back({parent + "/-", "", true, true, false});
      continue;
    }
    out.push_back({parent + "/" + name, a->text().toStdString(), a->isVisible(), a->isEnabled(),
                   a->isChecked()});
    if (a->menu()) walk(a->menu()->actions(), name, out);
  }
}

class MainFormTest : public ::testing::Test {
 protected:
  QApplication* app = test::desktopApp();  // before the window
  TMainForm form;
};

TEST_F(MainFormTest, MenuTreeAsCreated) {
  const std::vector<Item> expected = {
      {"/MnFile", "ファイル(&F)", true, true, false},
      {"MnFile/MnOpen", "開く(&O)...", false, true, false},
      {"MnFile/MnTitle", "タイトル画面に戻る(&T)", true, true, false},
      {"MnFile/-", "", true, true, false},
      {"MnFile/MnDispCopy", "画面をクリップボードにコピー(&C)", true, true, false},
      {"MnFile/MnDispSave", "画面をファイルに保存(&S)...", true, true, false},
      {"MnFile/-", "", true, true, false},
      {"MnFile/MnExit", "終了(&X)", true, true, false},
      {"/MnKaisouExit", "メニューに戻る(&R)", false, true, false},
      {"/MnSkip", "スキップ(&S)", true, true, false},
      {"/MnView", "表示(&V)", true, true, false},
      {"MnView/MnWindow", "ウィンドウ(&W)", true, true, true},
      {"MnView/MnFull16", "全画面(&0)", false, true, false},
      {"MnView/MnFull32", "全画面 640x480x32", false, true, false},
      {"/MnSetting", "設定(&S)", true, true, false},
      {"MnSetting/MnFontNormal", "標準のフォント(&N)", true, true, false},
      {"MnSetting/MnFont", "フォントの設定(&F)...", true, true, false},
      {"MnSetting/-", "", true, true, false},
      {"MnSetting/MnOption", "オプション(&O)...", true, true, false},
      {"MnSetting/-", "", true, true, false},
      {"MnSetting/MnPad", "ジョイパッドの設定(&J)...", true, true, false},
      {"/MnHelp", "ヘルプ(&H)", true, true, false},
      {"MnHelp/MnManual", "マニュアルの変更点(&H)...", false, true, false},
      {"MnHelp/-", "", true, true, false},
      {"MnHelp/MnUpdate", "アップデート(&U)...", true, true, false},
      {"MnHelp/MnMail", "メールの送信(&M)", true, true, false},
      {"MnHelp/-", "", true, true, false},
      {"MnHelp/MnAbout", "バージョン情報(&A)...", true, true, false},
      {"/MnDebug", "デバッグ(&D)", false, true, false},
      {"MnDebug/MnNowLine", "実行中の行(&L)...", true, true, false},
      {"MnDebug/MnFlag", "フラグ(&F)...", true, true, false},
  };
  std::vector<Item> actual;
  walk(form.menuBar()->actions(), "", actual);
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].path);
    EXPECT_EQ(actual[i].path, expected[i].path);
    EXPECT_EQ(actual[i].caption, expected[i].caption);
    EXPECT_EQ(actual[i].visible, expected[i].visible);
    // Qt reports hidden items as disabled; showing one brings its own state back.
    if (expected[i].visible) {
      EXPECT_EQ(actual[i].enabled, expected[i].enabled);
    }
    EXPECT_EQ(actual[i].checked, expected[i].checked);
  }
  // Every component can be found by its name, and only once.
  for (const Item& e : expected) {
    auto slash = e.path.find('/');
    std::string name = e.path.substr(slash + 1);
    if (name == "-") continue;
    EXPECT_NE(form.menuItem(QString::fromStdString(name)), nullptr) << name;
  }
  EXPECT_EQ(form.menuItem("MnExit")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
}

TEST_F(MainFormTest, ClientAreaIsFixed800x600) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.view()->size(), QSize(800, 600));
  EXPECT_EQ(form.centralWidget(), form.view());
  // The window cannot be resized or maximised.
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
  form.resize(1000, 900);
  QCoreApplication::processEvents();
  EXPECT_EQ(form.view()->size(), QSize(800, 600));
  // The menu bar sits inside the window, above the client area.
  EXPECT_TRUE(form.menuBar()->isVisible());
  EXPECT_FALSE(form.menuBar()->isNativeMenuBar());
  EXPECT_EQ(form.view()->y(), form.menuBar()->height());
}

TEST_F(MainFormTest, CommandsReachTheHookByName) {
  std::vector<QString> got;
  std::vector<QString> signalled;
  form.onMenu = [&](const QString& name) { got.push_back(name); };
  QObject::connect(&form, &TMainForm::menuCommand,
                   [&](const QString& name) { signalled.push_back(name); });
  for (const char* name : {"MnTitle", "MnSkip", "MnAbout", "MnFlag", "MnWindow", "MnFull16"})
    form.menuItem(name)->trigger();
  std::vector<QString> want = {"MnTitle", "MnSkip", "MnAbout", "MnFlag", "MnWindow", "MnFull16"};
  EXPECT_EQ(got, want);
  EXPECT_EQ(signalled, want);
  // Clicking does not move the check marks; the display mode does.
  EXPECT_TRUE(form.menuItem("MnWindow")->isChecked());
  EXPECT_FALSE(form.menuItem("MnFull16")->isChecked());
  // A menu's own item is not a command.
  form.menuItem("MnFile")->trigger();
  EXPECT_EQ(got.size(), want.size());
}

TEST_F(MainFormTest, CloseRequestAsksTheHook) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  int asked = 0, closed = 0;
  bool grant = false;
  form.onCloseQuery = [&] {
    ++asked;
    return grant;
  };
  form.onClosed = [&] { ++closed; };
  EXPECT_FALSE(form.close());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(closed, 0);
  grant = true;
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(closed, 1);
}

TEST_F(MainFormTest, AltEnterTogglesOnlyWithTheViewMenuShown) {
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  int toggles = 0;
  form.onToggleDisplayMode = [&] { ++toggles; };
  QTest::keyClick(form.view(), Qt::Key_Return, Qt::AltModifier);
  EXPECT_EQ(toggles, 1);
  QTest::keyClick(form.view(), Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier);
  EXPECT_EQ(toggles, 2);
  QTest::keyClick(form.view(), Qt::Key_Return);  // Enter alone is a game key
  EXPECT_EQ(toggles, 2);
  form.menuItem("MnView")->setVisible(false);
  QTest::keyClick(form.view(), Qt::Key_Return, Qt::AltModifier);
  EXPECT_EQ(toggles, 2);
}

TEST_F(MainFormTest, FullScreenAndBack) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.applyDisplayMode(false);
  QCoreApplication::processEvents();
  EXPECT_FALSE(form.isWindowedMode());
  EXPECT_TRUE(form.isFullScreen());
  EXPECT_FALSE(form.menuItem("MnWindow")->isChecked());
  EXPECT_TRUE(form.menuItem("MnFull16")->isChecked());
  EXPECT_FALSE(form.menuBar()->isVisible());
  // The picture is fitted into the window.
  EXPECT_EQ(form.view()->pictureRect(), platform::qt::fitPicture(form.size()));

  // The mouse in the top rows brings the menu bar in; lower, it goes away.
  auto moveTo = [&](int y) {
    QPoint p(100, y - form.view()->y());
    QMouseEvent move(QEvent::MouseMove, p, form.view()->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(form.view(), &move);
  };
  moveTo(TMainForm::kMenuRevealRows - 1);
  EXPECT_TRUE(form.menuBar()->isVisible());
  QCoreApplication::processEvents();
  // The picture stays where it was on the screen while the bar lies over it.
  EXPECT_EQ(form.view()->pictureRect().translated(form.view()->pos()),
            platform::qt::fitPicture(form.size()));
  moveTo(200);
  EXPECT_FALSE(form.menuBar()->isVisible());
  moveTo(TMainForm::kMenuRevealRows);
  EXPECT_FALSE(form.menuBar()->isVisible());

  form.applyDisplayMode(true);
  QCoreApplication::processEvents();
  EXPECT_TRUE(form.isWindowedMode());
  EXPECT_FALSE(form.isFullScreen());
  EXPECT_TRUE(form.menuBar()->isVisible());
  EXPECT_EQ(form.view()->size(), QSize(800, 600));
  EXPECT_EQ(form.view()->pictureRect(), QRect(0, 0, 800, 600));
  EXPECT_TRUE(form.menuItem("MnWindow")->isChecked());
  EXPECT_FALSE(form.menuItem("MnFull16")->isChecked());
}

}  // namespace
}  // namespace kobre::app
