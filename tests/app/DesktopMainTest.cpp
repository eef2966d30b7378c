// The desktop's assembly: every platform piece is there and wired to the window.
#include <gtest/gtest.h>

#include <QTest>

#include "app/DesktopMain.h"
#include "app/TMainForm.h"
#include "platform/qt/QtHost.h"
#include "platform/qt/ScreenView.h"
#include "tests/platform/qt/DesktopTestApp.h"

namespace kobre::app {
namespace {

TEST(DesktopMainTest, BuildsThePlatformAroundTheWindow) {
  test::desktopApp();
  int argc = 1;
  char name[] = "kobre";
  char* argv[] = {name, nullptr};
  auto desktop = createDesktop(argc, argv, DesktopOptions{"/tmp", "", ""});
  platform::Platform& p = desktop->platform();
  EXPECT_NE(p.clock, nullptr);
  EXPECT_EQ(p.host, &desktop->host());
  EXPECT_NE(p.files, nullptr);
  EXPECT_NE(p.text, nullptr);
  EXPECT_NE(p.audio, nullptr);
  EXPECT_NE(p.joystick, nullptr);
  EXPECT_NE(p.shell, nullptr);
  EXPECT_NE(p.raster, nullptr);
  EXPECT_FALSE(desktop->form().isVisible());  // shown by the entry, not here
  // The host presents into this window's client area.
  std::vector<uint32_t> picture(800 * 600, 0x00FF00);
  p.host->present(picture.data(), 800, 0);
  EXPECT_EQ(desktop->form().view()->frame().pixel(400, 300) & 0xFFFFFF, 0x00FF00u);
  EXPECT_TRUE(p.host->isMenuChecked("MnWindow"));
}

}  // namespace
}  // namespace kobre::app
