// The menu commands' desktop pieces on the offscreen platform: the clipboard
// copy, the BMP writer and the font dialog's faces.
#include "app/DesktopMenuDialogs.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>

#include "app/FontDialog.h"
#include "app/ScreenBitmap.h"
#include "app/TMainForm.h"
#include "platform/headless/HeadlessPlatform.h"
#include "tests/app/FrameFixture.h"
#include "tests/platform/qt/DesktopTestApp.h"
#include "tests/storage/TempFolder.h"

namespace kobre::app {
namespace {

frame::ScreenPicture gradient() {
  frame::ScreenPicture picture(800 * 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x)
      picture[size_t(y) * 800 + size_t(x)] =
          uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 | 0x5A;
  return picture;
}

TEST(DesktopMenuDialogs, CopyPutsTheScreenOnTheClipboard) {
  test::desktopApp();
  kobre::testing::TempFolder folder;
  platform::headless::HeadlessPlatform headless{folder.str()};
  kobre::testing::FakeEngine engine{headless.platform()};
  TMainForm window;
  DesktopMenuDialogs dialogs(window, headless.platform(), engine, folder.str());
  dialogs.copyScreen(gradient());
  const QImage image = QGuiApplication::clipboard()->image();
  ASSERT_EQ(image.size(), QSize(800, 600));
  for (auto [x, y] : {std::pair{0, 0}, {799, 599}, {300, 200}})
    EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, gradient()[size_t(y) * 800 + size_t(x)])
        << x << "," << y;
}

TEST(ScreenBitmap, WritesEveryPixelAndRefusesWhatItCannot) {
  test::desktopApp();
  kobre::testing::TempFolder folder;
  const std::string path = folder.str() + "/shot.bmp";
  ASSERT_TRUE(writeScreenBitmap(path, gradient()));
  const auto bytes = folder.read("shot.bmp");
  ASSERT_GT(bytes.size(), 54u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  const int bits = bytes[28] | bytes[29] << 8;
  EXPECT_TRUE(bits == 24 || bits == 32) << bits;
  QImage back(QString::fromStdString(path));
  ASSERT_EQ(back.size(), QSize(800, 600));
  const auto picture = gradient();
  for (int y = 0; y < 600; y += 37)
    for (int x = 0; x < 800; x += 41)
      ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF, picture[size_t(y) * 800 + size_t(x)]);
  EXPECT_FALSE(writeScreenBitmap(folder.str() + "/no/such/folder/x.bmp", picture));
  EXPECT_FALSE(writeScreenBitmap(folder.str() + "/short.bmp", frame::ScreenPicture(10)));
}

TEST(FontDialogFaces, FixedPitchAndDualWidthJapaneseFacesOnly) {
  test::desktopApp();
  const QStringList faces = fixedJapaneseFaces();
  for (const QString& face : faces)
    EXPECT_TRUE(isFixedOrDualWidth(QFont(face))) << face.toStdString();
  // The Japanese faces installed for the runtime: the gothic face is dual
  // width, its proportional sister is not.
  if (QFontDatabase::hasFamily(QStringLiteral("IPAGothic"))) {
    EXPECT_TRUE(faces.contains(QStringLiteral("IPAGothic")));
  }
  if (QFontDatabase::hasFamily(QStringLiteral("IPAPGothic"))) {
    EXPECT_FALSE(faces.contains(QStringLiteral("IPAPGothic")));
  }
  FontDialog dialog;
  dialog.setChoice(QStringLiteral("IPAGothic"), true, true);
  EXPECT_TRUE(dialog.bold());
  EXPECT_TRUE(dialog.italic());
  if (!faces.isEmpty()) {
    EXPECT_FALSE(dialog.family().isEmpty());
  }
}

}  // namespace
}  // namespace kobre::app
