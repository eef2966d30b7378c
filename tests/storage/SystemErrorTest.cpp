// The system error box: caption, owner, button and the text layout.
#include <gtest/gtest.h>

#include "platform/headless/HeadlessPlatform.h"
#include "storage/SystemError.h"

namespace kobre {
namespace {

TEST(SystemError, FormatsUnitCodeMessageAndDetail) {
  struct Case {
    const char* unit;
    int code;
    const char* message;
    const char* detail;
    const char* text;
  } cases[] = {
      {"DIB", 110, "バックバッファが作れない", "", "DIB (110)\nバックバッファが作れない "},
      {"..\\src\\PSD.cpp", 7, "m", "d", "PSD.cpp (7)\nm d"},
      {"graphics/DIBitmap", -1, "", "cg\\a.bmp", "DIBitmap (-1)\n cg\\a.bmp"},
  };
  for (auto& c : cases) EXPECT_EQ(formatSystemError(c.unit, c.code, c.message, c.detail), c.text);
}

TEST(SystemError, ShowsAnOwnerlessOkBox) {
  platform::headless::HeadlessHost host;
  ReportSystemError(&host, "DIBSprite", 411, "ファイルが開けません", "bg01.bmp");
  ASSERT_EQ(host.boxes().size(), 1u);
  const auto& spec = host.boxes()[0].spec;
  EXPECT_EQ(spec.caption, "System Error");
  EXPECT_EQ(spec.text, "DIBSprite (411)\nファイルが開けません bg01.bmp");
  EXPECT_TRUE(spec.ownerless);
  EXPECT_EQ(spec.buttons, platform::BoxButtons::Ok);
  ReportSystemError(nullptr, "DIB", 1, "x", "y");  // no host: nothing
}

}  // namespace
}  // namespace kobre
