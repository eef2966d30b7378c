// The desktop host over the main window: presents with the shake bands, input
// tracking and key mapping, menu items by name, message boxes, the screen.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QWheelEvent>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "DesktopTestApp.h"
#include "app/TMainForm.h"
#include "platform/qt/QtHost.h"
#include "platform/qt/QtInput.h"
#include "platform/qt/ScreenView.h"

namespace kobre::platform::qt {
namespace {

class HostTest : public ::testing::Test {
 protected:
  QApplication* app = test::desktopApp();
  app::TMainForm form;
  QtHost host{&form, form.view()};

  InputState poll() {
    InputState s;
    host.readInput(s);
    return s;
  }
};

// A picture whose every row has its own colour.
std::vector<uint32_t> rowPicture(int stride) {
  std::vector<uint32_t> p(static_cast<size_t>(stride) * 600, 0xDEADBEEF);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x)
      p[static_cast<size_t>(y) * stride + x] = 0x010000u * (y % 200) + x % 256 + 0x100u;
  return p;
}

TEST_F(HostTest, PresentMovesThePictureAndBlackensTheBand) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const int stride = 832;  // wider rows than the picture: only 800 are shown
  std::vector<uint32_t> picture = rowPicture(stride);
  for (int shake : {0, 10, -10, 1, -1, 599, 600, -600, 5000}) {
    SCOPED_TRACE(shake);
    host.present(picture.data(), stride, shake);
    const QImage& frame = form.view()->frame();
    // What the widget paints is what it holds.
    QImage shown = form.view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(800, 600));
    for (int y : {0, 1, 9, 10, 11, 299, 588, 589, 590, 598, 599}) {
      int src = y - shake;
      for (int x : {0, 399, 799}) {
        uint32_t want =
            (src >= 0 && src < 600) ? picture[static_cast<size_t>(src) * stride + x] : 0;
        EXPECT_EQ(frame.pixel(x, y) & 0xFFFFFF, want & 0xFFFFFF) << "x " << x << " y " << y;
        EXPECT_EQ(shown.pixel(x, y) & 0xFFFFFF, want & 0xFFFFFF) << "x " << x << " y " << y;
      }
    }
  }
}

TEST_F(HostTest, PaintGateSkipsPainting) {
  int asked = 0;
  form.view()->paintGate = [&] {
    ++asked;
    return false;
  };
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  std::vector<uint32_t> picture = rowPicture(800);
  int before = asked;
  host.present(picture.data(), 800, 0);
  EXPECT_GT(asked, before);  // the paint ran at once and asked
}

TEST(KeyMap, QtKeysToVirtualKeys) {
  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
    int vk;
  } cases[] = {
      {Qt::Key_Up, Qt::NoModifier, kVkUp},
      {Qt::Key_Down, Qt::NoModifier, kVkDown},
      {Qt::Key_Left, Qt::NoModifier, kVkLeft},
      {Qt::Key_Right, Qt::NoModifier, kVkRight},
      {Qt::Key_8, Qt::KeypadModifier, kVkNumpad0 + 8},
      {Qt::Key_2, Qt::KeypadModifier, kVkNumpad0 + 2},
      {Qt::Key_4, Qt::KeypadModifier, kVkNumpad0 + 4},
      {Qt::Key_6, Qt::KeypadModifier, kVkNumpad0 + 6},
      {Qt::Key_0, Qt::KeypadModifier, kVkNumpad0},
      {Qt::Key_0, Qt::NoModifier, '0'},
      {Qt::Key_8, Qt::NoModifier, '8'},
      {Qt::Key_Up, Qt::KeypadModifier, kVkUp},  // keypad 8 with Num Lock off
      {Qt::Key_Space, Qt::NoModifier, kVkSpace},
      {Qt::Key_Return, Qt::NoModifier, kVkReturn},
      {Qt::Key_Enter, Qt::KeypadModifier, kVkReturn},
      {Qt::Key_Escape, Qt::NoModifier, kVkEscape},
      {Qt::Key_Control, Qt::ControlModifier, kVkControl},
      {Qt::Key_Shift, Qt::ShiftModifier, kVkShift},
      {Qt::Key_Alt, Qt::AltModifier, kVkMenu},
      {Qt::Key_PageUp, Qt::NoModifier, kVkPrior},
      {Qt::Key_PageDown, Qt::NoModifier, kVkNext},
      {Qt::Key_F1, Qt::NoModifier, kVkF1},
      {Qt::Key_F2, Qt::NoModifier, kVkF1 + 1},
      {Qt::Key_F12, Qt::NoModifier, kVkF1 + 11},
      {Qt::Key_A, Qt::NoModifier, 'A'},
      {Qt::Key_Z, Qt::ShiftModifier, 'Z'},
      {Qt::Key_Home, Qt::NoModifier, kVkHome},
      {Qt::Key_End, Qt::NoModifier, kVkEnd},
      {Qt::Key_Insert, Qt::NoModifier, kVkInsert},
      {Qt::Key_Delete, Qt::NoModifier, kVkDelete},
      {Qt::Key_Backspace, Qt::NoModifier, kVkBack},
      {Qt::Key_Tab, Qt::NoModifier, kVkTab},
      {Qt::Key_Exclam, Qt::ShiftModifier, 0},
      {Qt::Key_unknown, Qt::NoModifier, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(virtualKeyFor(c.key, c.mods), c.vk) << std::hex << c.key;
}

TEST_F(HostTest, KeysAreDownFromPressToRelease) {
  QWidget* view = form.view();
  QTest::keyPress(view, Qt::Key_Space);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(poll().keys[kVkSpace]);  // held over several polls
  QTest::keyPress(view, Qt::Key_PageDown);
  QTest::keyPress(view, Qt::Key_8, Qt::KeypadModifier);
  InputState s = poll();
  EXPECT_TRUE(s.keys[kVkSpace]);
  EXPECT_TRUE(s.keys[kVkNext]);
  EXPECT_TRUE(s.keys[kVkNumpad0 + 8]);
  QTest::keyRelease(view, Qt::Key_Space);
  QTest::keyRelease(view, Qt::Key_8, Qt::KeypadModifier);
  s = poll();
  EXPECT_FALSE(s.keys[kVkSpace]);
  EXPECT_FALSE(s.keys[kVkNumpad0 + 8]);
  EXPECT_TRUE(s.keys[kVkNext]);

  // An auto-repeat release leaves the key down.
  QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier, QString(), true);
  QCoreApplication::sendEvent(view, &repeatUp);
  EXPECT_TRUE(poll().keys[kVkNext]);
  QTest::keyRelease(view, Qt::Key_PageDown);
  EXPECT_FALSE(poll().keys[kVkNext]);
}

TEST_F(HostTest, ReleaseFindsTheKeyByScanCode) {
  // "1" pressed, Shift pressed, the same physical key released as "!".
  QKeyEvent down(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, 10, 0, 0, "1");
  QCoreApplication::sendEvent(form.view(), &down);
  EXPECT_TRUE(poll().keys[static_cast<int>('1')]);
  QKeyEvent up(QEvent::KeyRelease, Qt::Key_Exclam, Qt::ShiftModifier, 10, 0, 0, "!");
  QCoreApplication::sendEvent(form.view(), &up);
  EXPECT_FALSE(poll().keys[static_cast<int>('1')]);
}

TEST_F(HostTest, MouseButtonsAndPosition) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QWidget* view = form.view();
  QTest::mouseMove(view, QPoint(123, 456));
  QMouseEvent move(QEvent::MouseMove, QPointF(123, 456), view->mapToGlobal(QPointF(123, 456)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view, &move);
  InputState s = poll();
  EXPECT_EQ(s.cursorX, 123);
  EXPECT_EQ(s.cursorY, 456);
  EXPECT_FALSE(s.mouseLeft);
  QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
  s = poll();
  EXPECT_TRUE(s.mouseLeft);
  EXPECT_TRUE(s.keys[kVkLButton]);
  EXPECT_EQ(s.cursorX, 10);
  EXPECT_EQ(s.cursorY, 20);
  QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, QPoint(10, 20));
  s = poll();
  EXPECT_TRUE(s.mouseRight);
  QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
  QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, QPoint(10, 20));
  QTest::mousePress(view, Qt::MiddleButton, Qt::NoModifier, QPoint(10, 20));
  s = poll();
  EXPECT_FALSE(s.mouseLeft);
  EXPECT_FALSE(s.mouseRight);
  EXPECT_TRUE(s.mouseMiddle);
  QTest::mouseRelease(view, Qt::MiddleButton, Qt::NoModifier, QPoint(10, 20));
  EXPECT_FALSE(poll().mouseMiddle);
}

void sendWheel(QWidget* view, QPoint at, int delta) {
  QWheelEvent wheel(QPointF(at), view->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(view, &wheel);
}

TEST_F(HostTest, WheelKeepsTheLastTurnOverThePicture) {
  QWidget* view = form.view();
  sendWheel(view, QPoint(400, 300), 120);
  sendWheel(view, QPoint(400, 300), 120);
  EXPECT_EQ(poll().wheelDelta, 120);  // two notches: one turn, not 240
  EXPECT_EQ(poll().wheelDelta, 0);    // handed out once
  sendWheel(view, QPoint(400, 300), 120);
  sendWheel(view, QPoint(400, 300), -120);
  EXPECT_EQ(poll().wheelDelta, -120);
  // Over the bars of a scaled picture the wheel is outside the client area.
  form.view()->setPictureRect(QRect(100, 100, 800, 600));
  sendWheel(view, QPoint(50, 50), 120);
  EXPECT_EQ(poll().wheelDelta, 0);
  sendWheel(view, QPoint(899, 699), -120);  // picture pixel (799, 599)
  EXPECT_EQ(poll().wheelDelta, -120);
  sendWheel(view, QPoint(900, 300), -120);  // picture x 800
  EXPECT_EQ(poll().wheelDelta, 0);
}

// A tap whose press and release both come between two polls (a touchpad's
// tap-to-click, a quick key) counts as held at the next poll, once.
TEST_F(HostTest, TapsBetweenPollsCountOnce) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QWidget* view = form.view();
  struct Case {
    const char* name;
    std::function<void()> tap;
    std::function<bool(const InputState&)> seen;
  };
  const Case cases[] = {
      {"key",
       [&] {
         QTest::keyPress(view, Qt::Key_Return);
         QTest::keyRelease(view, Qt::Key_Return);
       },
       [](const InputState& s) { return s.keys[kVkReturn]; }},
      {"left button",
       [&] {
         QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
         QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
       },
       [](const InputState& s) { return s.mouseLeft && s.keys[kVkLButton] && !s.mouseRight; }},
      {"right button",
       [&] {
         QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, QPoint(30, 40));
         QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, QPoint(30, 40));
       },
       [](const InputState& s) { return s.mouseRight && !s.mouseLeft; }},
      {"middle button",
       [&] {
         QTest::mousePress(view, Qt::MiddleButton, Qt::NoModifier, QPoint(30, 40));
         QTest::mouseRelease(view, Qt::MiddleButton, Qt::NoModifier, QPoint(30, 40));
       },
       [](const InputState& s) { return s.mouseMiddle; }},
      {"wheel", [&] { sendWheel(view, QPoint(400, 300), -120); },
       [](const InputState& s) { return s.wheelDelta == -120; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(c.seen(poll()));
    c.tap();
    EXPECT_TRUE(c.seen(poll())) << "the tap is seen at the next poll";
    EXPECT_FALSE(c.seen(poll())) << "and only there";
  }
  // A window that loses the focus forgets what it latched.
  QTest::keyPress(view, Qt::Key_Space);
  QTest::keyRelease(view, Qt::Key_Space);
  QEvent deactivate(QEvent::ApplicationDeactivate);
  QCoreApplication::sendEvent(qApp, &deactivate);
  EXPECT_FALSE(poll().keys[kVkSpace]);
}

TEST(ScreenViewMath, FitPicture) {
  struct Case {
    QSize area;
    QRect rect;
  } cases[] = {
      {{800, 600}, {0, 0, 800, 600}},         {{1600, 1200}, {0, 0, 1600, 1200}},
      {{2560, 1440}, {480, 120, 1600, 1200}},  // 2x fits: whole scale
      {{3840, 2160}, {720, 180, 2400, 1800}},  // 3x
      {{1920, 1080}, {240, 0, 1440, 1080}},    // below 2x: fitted
      {{1280, 1024}, {0, 32, 1280, 960}},     {{1024, 768}, {0, 0, 1024, 768}},
      {{640, 480}, {0, 0, 640, 480}},
  };
  for (const Case& c : cases) EXPECT_EQ(fitPicture(c.area), c.rect) << c.area.width();
}

TEST_F(HostTest, MousePositionsMapBackFromAScaledPicture) {
  ScreenView* view = form.view();
  view->setPictureRect(QRect(480, 120, 1600, 1200));
  EXPECT_EQ(view->toPicture(QPoint(480, 120)), QPoint(0, 0));
  EXPECT_EQ(view->toPicture(QPoint(481, 121)), QPoint(0, 0));
  EXPECT_EQ(view->toPicture(QPoint(2079, 1319)), QPoint(799, 599));
  EXPECT_EQ(view->toPicture(QPoint(479, 119)), QPoint(-1, -1));
  view->setPictureRect(QRect(240, 0, 1440, 1080));
  EXPECT_EQ(view->toPicture(QPoint(240 + 720, 540)), QPoint(400, 300));
  EXPECT_EQ(view->toPicture(QPoint(1679, 1079)), QPoint(799, 599));
}

TEST_F(HostTest, MenuItemsByName) {
  EXPECT_TRUE(host.isMenuChecked("MnWindow"));
  EXPECT_FALSE(host.isMenuChecked("MnFull16"));
  host.setMenuVisible("MnDebug", true);
  EXPECT_TRUE(form.menuItem("MnDebug")->isVisible());
  host.setMenuVisible("MnKaisouExit", true);
  EXPECT_TRUE(form.menuItem("MnKaisouExit")->isVisible());
  EXPECT_TRUE(form.menuItem("MnKaisouExit")->isEnabled());
  host.setMenuEnabled("MnTitle", false);
  EXPECT_FALSE(form.menuItem("MnTitle")->isEnabled());
  host.setMenuCaption("MnSkip", "スキップ停止中(&S)");
  EXPECT_EQ(form.menuItem("MnSkip")->text(), QString::fromUtf8("スキップ停止中(&S)"));
  host.setMenuChecked("MnWindow", false);
  host.setMenuChecked("MnFull16", true);
  EXPECT_FALSE(host.isMenuChecked("MnWindow"));
  EXPECT_TRUE(host.isMenuChecked("MnFull16"));
  // Unknown names change nothing and do not fail.
  host.setMenuVisible("MnNothing", true);
  host.setMenuCaption("", "x");
  EXPECT_FALSE(host.isMenuChecked("MnNothing"));
}

// The frame loop switches two items on every pass: they are found by name
// once, then kept (a renamed item is still the one found first).
TEST_F(HostTest, MenuItemsAreFoundOnceAndKept) {
  QAction* copy = form.menuItem("MnDispCopy");
  ASSERT_NE(copy, nullptr);
  host.setMenuEnabled("MnDispCopy", false);
  EXPECT_FALSE(copy->isEnabled());
  copy->setObjectName("SomethingElse");
  host.setMenuEnabled("MnDispCopy", true);
  EXPECT_TRUE(copy->isEnabled());
  copy->setObjectName("MnDispCopy");
}

// The inactive window's frame-loop pass sleeps until a message comes.
TEST_F(HostTest, WaitEventsSleepsUntilAMessageArrives) {
  bool fired = false;
  QTimer::singleShot(150, [&] { fired = true; });
  QElapsedTimer clock;
  clock.start();
  int passes = 0;
  while (!fired && clock.elapsed() < 5000) {
    host.waitEvents();
    ++passes;
  }
  EXPECT_TRUE(fired);
  EXPECT_GE(clock.elapsed(), 140);
  EXPECT_LT(passes, 50) << "a pump that does not wait spins thousands of times";
}

TEST_F(HostTest, ScreenAndActivity) {
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(host.screenWidth(), screen->geometry().width());
  EXPECT_EQ(host.screenHeight(), screen->geometry().height());
  EXPECT_EQ(host.screenBitsPerPixel(), screen->depth());
  EXPECT_GT(host.screenBitsPerPixel(), 14);
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_TRUE(host.isActive());
  int asked = 0;
  form.onCloseQuery = [&] {
    ++asked;
    return false;
  };
  host.requestClose();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(form.isVisible());
}

TEST(MessageBoxSpecs, CaptionIconButtonsAndDefault) {
  test::desktopApp();
  struct Case {
    MessageBoxSpec spec;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::StandardButton escape;
  } cases[] = {
      {{"KOBRE ver 1.32", "本当に終了してもよろしいですか？", BoxButtons::YesNo, BoxIcon::Question,
        BoxResult::No},
       QMessageBox::Question,
       QMessageBox::Yes | QMessageBox::No,
       QMessageBox::No,
       QMessageBox::No},
      {{"KOBRE ver 1.32", "q", BoxButtons::YesNo, BoxIcon::Question, BoxResult::Yes},
       QMessageBox::Question,
       QMessageBox::Yes | QMessageBox::No,
       QMessageBox::Yes,
       QMessageBox::No},
      // A Yes/No box asked to default to OK defaults to No.
      {{"c", "q", BoxButtons::YesNo, BoxIcon::Warning, BoxResult::Ok},
       QMessageBox::Warning,
       QMessageBox::Yes | QMessageBox::No,
       QMessageBox::No,
       QMessageBox::No},
      {{"KOBRE ver 1.32", "データファイルが読めません\narc.scr", BoxButtons::Ok, BoxIcon::Error,
        BoxResult::Ok},
       QMessageBox::Critical,
       QMessageBox::Ok,
       QMessageBox::Ok,
       QMessageBox::Ok},
      {{"System Error", "x", BoxButtons::Ok, BoxIcon::Information, BoxResult::No, true},
       QMessageBox::Information,
       QMessageBox::Ok,
       QMessageBox::Ok,
       QMessageBox::Ok},
      {{"", "<b>not markup</b>", BoxButtons::Ok, BoxIcon::None, BoxResult::Ok},
       QMessageBox::NoIcon,
       QMessageBox::Ok,
       QMessageBox::Ok,
       QMessageBox::Ok},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spec.text);
    QMessageBox box;
    configureMessageBox(box, c.spec);
    EXPECT_EQ(box.windowTitle(), QString::fromStdString(c.spec.caption));
    EXPECT_EQ(box.text(), QString::fromStdString(c.spec.text));
    EXPECT_EQ(box.textFormat(), Qt::PlainText);
    EXPECT_EQ(box.icon(), c.icon);
    EXPECT_EQ(box.standardButtons(), c.buttons);
    ASSERT_NE(box.defaultButton(), nullptr);
    EXPECT_EQ(box.standardButton(box.defaultButton()), c.defaultButton);
    ASSERT_NE(box.escapeButton(), nullptr);
    EXPECT_EQ(box.standardButton(box.escapeButton()), c.escape);
  }
}

// Presses a key on the modal box as soon as it shows.
void pressOnBox(Qt::Key key) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, key] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      QTest::keyClick(modal, key);
    }
  });
  timer->start(10);
}

TEST_F(HostTest, BoxesAnswerWithTheirButtons) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  struct Case {
    BoxButtons buttons;
    BoxResult defaultButton;
    Qt::Key key;
    BoxResult want;
  } cases[] = {
      {BoxButtons::YesNo, BoxResult::No, Qt::Key_Return, BoxResult::No},
      {BoxButtons::YesNo, BoxResult::Yes, Qt::Key_Return, BoxResult::Yes},
      {BoxButtons::YesNo, BoxResult::Yes, Qt::Key_Escape, BoxResult::No},
      {BoxButtons::Ok, BoxResult::Ok, Qt::Key_Return, BoxResult::Ok},
      {BoxButtons::Ok, BoxResult::Ok, Qt::Key_Escape, BoxResult::Ok},
  };
  for (const Case& c : cases) {
    MessageBoxSpec spec{"KOBRE ver 1.32", "?", c.buttons, BoxIcon::Question, c.defaultButton};
    pressOnBox(c.key);
    EXPECT_EQ(host.messageBox(spec), c.want);
  }
}

TEST_F(HostTest, OnlyChangedFramesArePainted) {
  ScreenView* view = form.view();
  int painted = 0;
  view->paintGate = [&] {
    ++painted;
    return true;
  };
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  std::vector<uint32_t> picture = rowPicture(800);
  host.present(picture.data(), 800, 0);
  QCoreApplication::processEvents();
  int changed = view->changedFrames();
  int before = painted;
  // The same picture again: nothing drawn, nothing sent.
  host.present(picture.data(), 800, 0);
  EXPECT_EQ(view->changedFrames(), changed);
  EXPECT_EQ(painted, before);
  // One pixel differs: painted by the next refresh, and what shows is the
  // new picture.
  picture[static_cast<size_t>(321) * 800 + 17] = 0x00123456;
  host.present(picture.data(), 800, 0);
  EXPECT_EQ(view->changedFrames(), changed + 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return painted > before; }, 1000));
  EXPECT_EQ(view->frame().pixel(17, 321) & 0xFFFFFF, 0x123456u);
  QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown.pixel(17, 321) & 0xFFFFFF, 0x123456u);
  // The same picture shaken is a change; shaken back is one too.
  host.present(picture.data(), 800, 3);
  EXPECT_EQ(view->changedFrames(), changed + 2);
  host.present(picture.data(), 800, 0);
  EXPECT_EQ(view->changedFrames(), changed + 3);
  EXPECT_EQ(view->frame().pixel(17, 321) & 0xFFFFFF, 0x123456u);

  // Frames faster than the display refreshes share one repaint, and the last
  // of them is what stays on screen.
  QTest::qWait(100);
  const int repaints = view->repaints();
  for (uint32_t i = 0; i < 5; ++i) {
    picture[static_cast<size_t>(100) * 800 + 100] = 0x000100 * i;
    host.present(picture.data(), 800, 0);
  }
  EXPECT_EQ(view->repaints(), repaints + 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return view->repaints() == repaints + 2; }, 1000));
  QTest::qWait(100);
  EXPECT_EQ(view->repaints(), repaints + 2);
  shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown.pixel(100, 100) & 0xFFFFFF, 0x000400u);
}

TEST(ScreenViewMath, WholeScales) {
  struct Case {
    QRect rect;
    qreal dpr;
    bool whole;
  } cases[] = {
      {{0, 0, 800, 600}, 1.0, true},       {{0, 0, 800, 600}, 2.0, true},
      {{0, 0, 800, 600}, 1.25, false},     {{0, 0, 800, 600}, 1.5, false},
      {{480, 120, 1600, 1200}, 1.0, true}, {{240, 0, 1440, 1080}, 1.0, false},
      {{0, 0, 1200, 900}, 1.0, false},     {{0, 0, 1200, 900}, 2.0, true},  // 3x on the device
      {{0, 0, 640, 480}, 1.25, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(isWholeScale(c.rect, c.dpr), c.whole) << c.rect.width() << " at " << c.dpr;
}

// Every device pixel of a scaled picture maps back to the picture pixel that
// Qt's own unsmoothed drawing puts there, for fractional and whole desktop
// scales and a fitted full screen.
TEST(ScreenViewMath, MousePositionsMapBackExactlyAtEveryScale) {
  QImage picture(800, 600, QImage::Format_RGB32);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) picture.setPixel(x, y, 0xFF000000u | (y << 12) | x);
  struct Case {
    QRect rect;  // logical
    qreal dpr;
  } cases[] = {
      {{0, 0, 800, 600}, 1.25}, {{0, 0, 800, 600}, 1.5},     {{0, 0, 800, 600}, 2.0},
      {{0, 0, 800, 600}, 1.0},  {{240, 0, 1440, 1080}, 1.0}, {{96, 0, 1152, 864}, 1.25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rect.width() << " at " << c.dpr);
    QSize logical(c.rect.right() + 1 + c.rect.x(), c.rect.bottom() + 1 + c.rect.y());
    QImage device(logical * c.dpr, QImage::Format_RGB32);
    device.setDevicePixelRatio(c.dpr);
    device.fill(Qt::black);
    {
      QPainter painter(&device);
      painter.drawImage(c.rect, picture);
    }
    int devLeft = static_cast<int>(std::ceil(c.rect.x() * c.dpr));
    int devTop = static_cast<int>(std::ceil(c.rect.y() * c.dpr));
    int devWidth = static_cast<int>(c.rect.width() * c.dpr);
    int devHeight = static_cast<int>(c.rect.height() * c.dpr);
    int wrong = 0;
    for (int dy = devTop; dy < devTop + devHeight; dy += 7) {
      for (int dx = devLeft; dx < devLeft + devWidth; ++dx) {
        uint32_t v = device.pixel(dx, dy) & 0xFFFFFF;
        QPoint want(static_cast<int>(v & 0xFFF), static_cast<int>(v >> 12));
        QPoint got = pictureAt(QPointF(dx / c.dpr, dy / c.dpr), c.rect, c.dpr);
        if (got != want && ++wrong < 5)
          ADD_FAILURE() << "device " << dx << "," << dy << " shows " << want.x() << "," << want.y()
                        << " but maps to " << got.x() << "," << got.y();
      }
    }
    EXPECT_EQ(wrong, 0);
    // Left of and above the picture stays outside it.
    QPoint outside = pictureAt(QPointF(c.rect.x() - 1, c.rect.y() - 1), c.rect, c.dpr);
    EXPECT_LT(outside.x(), 0);
    EXPECT_LT(outside.y(), 0);
  }
}

// Without a window manager nobody hands the focus back after a box: the host
// gives it to the game view itself, or keys go nowhere until the next click.
TEST_F(HostTest, TheGameViewHasTheFocusAgainAfterABox) {
  form.show();
  QApplication::setActiveWindow(&form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.view()->setFocus();
  MessageBoxSpec question{"KOBRE ver 1.32", "?", BoxButtons::YesNo, BoxIcon::Question,
                          BoxResult::No};
  pressOnBox(Qt::Key_Escape);  // answers No
  ASSERT_EQ(host.messageBox(question), BoxResult::No);
  QCoreApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), form.view());
  EXPECT_TRUE(form.isActiveWindow());
}

// Standard buttons follow the desktop's language through Qt's translations;
// the box's own texts stay as given.
TEST(QtTranslations, JapaneseDesktopAnswersWithJapaneseButtons) {
  test::desktopApp();
  std::unique_ptr<QTranslator> ja =
      installQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan));
  if (!ja) GTEST_SKIP() << "Qt's Japanese translations are not installed (qt6-translations-l10n)";
  {
    QMessageBox box;
    configureMessageBox(box, {"KOBRE ver 1.32", "本当に終了してもよろしいですか？",
                              BoxButtons::YesNo, BoxIcon::Question, BoxResult::No});
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")))
        << box.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")))
        << box.button(QMessageBox::No)->text().toStdString();
    EXPECT_EQ(box.windowTitle(), QStringLiteral("KOBRE ver 1.32"));
    EXPECT_EQ(box.text(), QStringLiteral("本当に終了してもよろしいですか？"));
  }
  QCoreApplication::removeTranslator(ja.get());
  ja.reset();
  QMessageBox box;
  configureMessageBox(box, {"c", "t", BoxButtons::YesNo, BoxIcon::Question, BoxResult::No});
  EXPECT_FALSE(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("はい")));
  // English is Qt's own language: nothing to load.
  EXPECT_EQ(installQtTranslations(QLocale(QLocale::English, QLocale::UnitedStates)), nullptr);
}

// At a whole scale every picture pixel becomes a sharp square, also for rows
// that changed after the first paint.
TEST(ScreenViewPaint, WholeScalesRepeatPixels) {
  test::desktopApp();
  ScreenView view;
  view.resize(1700, 1300);
  view.setPictureRect(QRect(50, 50, 1600, 1200));
  std::vector<uint32_t> picture = rowPicture(800);
  view.showFrame(picture.data(), 800, 0);
  (void)view.grab();
  picture[static_cast<size_t>(599) * 800 + 799] = 0x00ABCDEF;
  view.showFrame(picture.data(), 800, 0);
  QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int y : {0, 1, 300, 598, 599})
    for (int x : {0, 1, 399, 798, 799})
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx)
          ASSERT_EQ(shown.pixel(50 + 2 * x + dx, 50 + 2 * y + dy) & 0xFFFFFF,
                    picture[static_cast<size_t>(y) * 800 + x] & 0xFFFFFF)
              << x << "," << y;
  EXPECT_EQ(shown.pixel(49, 49) & 0xFFFFFF, 0u);  // the bars are black
  EXPECT_EQ(shown.pixel(1650, 1250) & 0xFFFFFF, 0u);
}

// On the window itself (not a grab) whole scales are written straight into
// the backing store: whole frames and small changes at odd offsets.
TEST(ScreenViewPaint, WholeScalesReachTheWindowEnlarged) {
  test::desktopApp();
  ScreenView view;
  view.resize(2500, 1900);
  view.setPictureRect(QRect(51, 47, 2400, 1800));
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  std::vector<uint32_t> picture = rowPicture(800);
  auto onWindow = [&] {
    QTest::qWait(60);  // past the next refresh
    QCoreApplication::processEvents();
    return view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  };
  auto expectBlock = [&](const QImage& shown, int x, int y) {
    for (int dy = 0; dy < 3; ++dy)
      for (int dx = 0; dx < 3; ++dx)
        ASSERT_EQ(shown.pixel(51 + 3 * x + dx, 47 + 3 * y + dy) & 0xFFFFFF,
                  picture[static_cast<size_t>(y) * 800 + x] & 0xFFFFFF)
            << x << "," << y;
  };
  view.showFrame(picture.data(), 800, 0);
  QImage shown = onWindow();
  ASSERT_EQ(shown.width(), 2500);
  for (int y : {0, 1, 300, 599})
    for (int x : {0, 1, 2, 3, 4, 5, 399, 797, 798, 799}) expectBlock(shown, x, y);
  EXPECT_EQ(shown.pixel(50, 46) & 0xFFFFFF, 0u);  // the bars are black
  EXPECT_EQ(shown.pixel(2451, 1847) & 0xFFFFFF, 0u);

  picture[static_cast<size_t>(321) * 800 + 17] = 0x00ABCDEF;
  view.showChangedFrame(picture.data(), 800, 0, QRect(17, 321, 1, 1));
  shown = onWindow();
  for (int y : {320, 321, 322})
    for (int x : {16, 17, 18}) expectBlock(shown, x, y);
}

// A widget over the view (the menu bar over a full-screen picture) keeps its
// pixels when the picture beneath is written straight into the backing store.
TEST(ScreenViewPaint, WidgetsOverTheViewStayVisible) {
  test::desktopApp();
  QWidget window;
  window.resize(2400, 1800);
  auto* view = new ScreenView(&window);
  view->setGeometry(0, 0, 2400, 1800);
  view->setPictureRect(QRect(0, 0, 2400, 1800));
  auto* bar = new QWidget(&window);
  bar->setGeometry(100, 0, 600, 30);
  bar->setAutoFillBackground(true);
  QPalette red = bar->palette();
  red.setColor(QPalette::Window, QColor(0xFF, 0, 0));
  bar->setPalette(red);
  bar->raise();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  std::vector<uint32_t> picture = rowPicture(800);
  for (uint32_t frame = 0; frame < 3; ++frame) {
    for (uint32_t& p : picture) p ^= 0x00404040;
    view->showFrame(picture.data(), 800, 0);
    QTest::qWait(40);
  }
  QCoreApplication::processEvents();
  const QImage shown =
      window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown.pixel(300, 10) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(shown.pixel(1000, 10) & 0xFFFFFF, picture[(10 / 3) * 800 + 1000 / 3] & 0xFFFFFF);
  EXPECT_EQ(shown.pixel(1000, 100) & 0xFFFFFF,
            picture[static_cast<size_t>(100 / 3) * 800 + 1000 / 3] & 0xFFFFFF);
}

// The caller vouches for what changed: from the same source and shake offset
// only the changed part is looked at (shown shake rows lower); any other
// source or offset is compared whole.
TEST(ScreenViewPaint, ChangedFramesAreReadOnlyWhereTheyChanged) {
  test::desktopApp();
  ScreenView view;
  view.resize(800, 600);
  std::vector<uint32_t> picture = rowPicture(800);
  view.showFrame(picture.data(), 800, 2);
  const int changed = view.changedFrames();
  view.showChangedFrame(picture.data(), 800, 2, QRect());
  EXPECT_EQ(view.changedFrames(), changed);

  picture[10 * 800 + 10] = 0x00ABCDEF;    // inside the area given
  picture[300 * 800 + 400] = 0x00FEDCBA;  // outside it
  view.showChangedFrame(picture.data(), 800, 2, QRect(5, 5, 10, 10));
  EXPECT_EQ(view.changedFrames(), changed + 1);
  EXPECT_EQ(view.frame().pixel(10, 12) & 0xFFFFFF, 0xABCDEFu);
  EXPECT_NE(view.frame().pixel(400, 302) & 0xFFFFFF, 0xFEDCBAu);

  view.showChangedFrame(picture.data(), 800, 3, QRect());
  EXPECT_EQ(view.changedFrames(), changed + 2);
  EXPECT_EQ(view.frame().pixel(400, 303) & 0xFFFFFF, 0xFEDCBAu);
  std::vector<uint32_t> other(picture.size(), 0x00123456);
  view.showChangedFrame(other.data(), 800, 3, QRect());
  EXPECT_EQ(view.changedFrames(), changed + 3);
  EXPECT_EQ(view.frame().pixel(10, 10) & 0xFFFFFF, 0x123456u);
}

}  // namespace
}  // namespace kobre::platform::qt
