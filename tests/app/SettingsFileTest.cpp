#include "app/frame/SettingsFile.h"

#include <gtest/gtest.h>

#include <string>

#include "common/SjisText.h"

namespace kobre::frame {
namespace {

ProfileFile profileOf(std::string_view text) {
  ProfileFile f;
  f.load(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  return f;
}

std::string textOf(const ProfileFile& f) {
  auto bytes = f.save();
  return std::string(bytes.begin(), bytes.end());
}

TEST(ProfileInteger, ReadsDecimalHexAndRefusesTheRest) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {"-7", -7},
      {"+5", 5},
      {" 12 ", 12},
      {"0x1F", 31},
      {"0XfF", 255},
      {"0xFFFFFFFF", -1},
      {"abc", {}},
      {"", {}},
      {"12abc", {}},
      {"0x", {}},
      {"1 2", {}},
      {"2147483647", 2147483647},
      {"2147483648", {}},
      {"-2147483648", INT32_MIN},
      {"0x100000000", {}},
      {"--1", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(parseProfileInteger(c.text), c.value) << c.text;
}

TEST(ProfileFile, ReadsNamesWithoutCaseAndTrimsValues) {
  ProfileFile f = profileOf("[message]\r\n  SPEED = 3 \r\nName=\"quoted\"\n[Other]\nSpeed=9\n");
  EXPECT_EQ(f.readInteger("Message", "Speed", 0), 3);
  EXPECT_EQ(f.readString("MESSAGE", "name", ""), "quoted");
  EXPECT_EQ(f.readInteger("Other", "Speed", 0), 9);
  EXPECT_EQ(f.readInteger("Missing", "Speed", 77), 77);
  EXPECT_EQ(f.readInteger("Message", "Missing", 78), 78);
  EXPECT_FALSE(f.find("Message", "Missing").has_value());
}

TEST(ProfileFile, BooleansAreAnyNonZeroInteger) {
  ProfileFile f = profileOf("[A]\nx=7\ny=0\nz=abc\nw=-1\n");
  EXPECT_TRUE(f.readBool("A", "x", false));
  EXPECT_FALSE(f.readBool("A", "y", true));
  EXPECT_TRUE(f.readBool("A", "z", true));
  EXPECT_FALSE(f.readBool("A", "z", false));
  EXPECT_TRUE(f.readBool("A", "w", false));
}

TEST(ProfileFile, LongStringsAreCut) {
  std::string text = "[A]\nk=" + std::string(3000, 'x') + "\n";
  ProfileFile f = profileOf(text);
  EXPECT_EQ(f.readString("A", "k", "").size(), ProfileFile::kMaxStringRead);
}

TEST(ProfileFile, WritingKeepsOtherLinesAndAddsInPlace) {
  ProfileFile f = profileOf("; comment\n[Support]\nMail=a@b\n\n[Window]\nDisplay=1\n\n");
  f.writeInteger("Window", "Display", 0);
  f.writeInteger("Window", "Red", 5);
  f.writeString("Support", "Name", "me");
  f.writeString("Font", "Name", "x");
  EXPECT_EQ(textOf(f),
            "; comment\r\n[Support]\r\nMail=a@b\r\nName=me\r\n\r\n[Window]\r\nDisplay=0\r\n"
            "Red=5\r\n\r\n[Font]\r\nName=x\r\n");
}

TEST(Settings, FirstStartWithoutAFileGivesTheDefaults) {
  FrameSettings s;
  readSettings(ProfileFile(), s);
  EXPECT_TRUE(s.windowed);
  EXPECT_EQ(s.fontName, kSjisDefaultFontFace);
  EXPECT_EQ(s.fontStyle, 0);
  EXPECT_EQ(s.settings.messageSpeed, 0);
  EXPECT_TRUE(s.settings.messageReaded);
  EXPECT_EQ(s.settings.messageReadedLumi, 128);
  EXPECT_EQ(s.settings.skipWait, 5);
  EXPECT_FALSE(s.settings.skipVoice);
  EXPECT_FALSE(s.settings.skipEffect);
  EXPECT_TRUE(s.settings.skipCancel);
  EXPECT_TRUE(s.settings.skipUnread);
  EXPECT_EQ(s.settings.windowRed, 0);
  EXPECT_EQ(s.settings.windowGreen, 0);
  EXPECT_EQ(s.settings.windowBlue, 0);
  EXPECT_EQ(s.settings.windowAlpha, 128);
  EXPECT_EQ(s.settings.volumeBgm, 100);
  EXPECT_EQ(s.settings.volumeSe, 100);
  EXPECT_EQ(s.settings.volumeVoice, 100);
  EXPECT_EQ(std::string(s.settings.heroName), kSjisDefaultHeroName);
  EXPECT_TRUE(s.settings.saveOverWriteCheck);
  EXPECT_EQ(s.settings.effectSpeed, 16);
  EXPECT_FALSE(s.settings.voiceNext);
}

TEST(Settings, WritesEveryKeyInTheTableOrder) {
  ProfileFile f;
  writeSettings(f, defaultFrameSettings());
  std::string expected =
      "[Window]\r\nDisplay=1\r\nRed=0\r\nGreen=0\r\nBlue=0\r\nAlpha=128\r\n"
      "[Font]\r\nName=" +
      std::string(kSjisDefaultFontFace) +
      "\r\nStyle=0\r\n"
      "[Message]\r\nSpeed=0\r\nReaded=1\r\nReadedLumi=128\r\n"
      "[Skip]\r\nWait=5\r\nVoice=0\r\nEffect=0\r\nCancel=1\r\nUnread=1\r\n"
      "[Volume]\r\nBgm=100\r\nSe=100\r\nVoice=100\r\n"
      "[User]\r\nName=" +
      std::string(kSjisDefaultHeroName) +
      "\r\n[Save]\r\nOverWriteCheck=1\r\n[Effect]\r\nSpeed=16\r\n[Voice]\r\nNext=0\r\n";
  EXPECT_EQ(textOf(f), expected);
}

TEST(Settings, EdgeValuesReadAndWriteBack) {
  ProfileFile f = profileOf(
      "[Message]\nReaded=7\nSpeed=0x2\n[Volume]\nBgm=abc\nSe=-5\n[Font]\nStyle=7\n"
      "[User]\nName=\n[Support]\nMail=x@y\n");
  FrameSettings s;
  readSettings(f, s);
  EXPECT_TRUE(s.settings.messageReaded);
  EXPECT_EQ(s.settings.messageSpeed, 2);
  EXPECT_EQ(s.settings.volumeBgm, 100);
  EXPECT_EQ(s.settings.volumeSe, -5);  // not limited to the dialog's range
  EXPECT_EQ(s.fontStyle, 7);
  EXPECT_EQ(std::string(s.settings.heroName), "");  // present but empty
  writeSettings(f, s);
  EXPECT_EQ(f.readString("Message", "Readed", ""), "1");
  EXPECT_EQ(f.readString("Volume", "Bgm", ""), "100");
  EXPECT_EQ(f.readString("Support", "Mail", ""), "x@y");
}

TEST(Settings, HeroNameIsCutAtACharacterBoundary) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"abcdefg", "abcdefg"},
      {"abcdefghij", "abcdefg"},
      {"\x82\xa0\x82\xa2\x82\xa4\x82\xa6", "\x82\xa0\x82\xa2\x82\xa4"},  // 4 wide -> 3
      {"a\x82\xa0\x82\xa2\x82\xa4", "a\x82\xa0\x82\xa2\x82\xa4"},        // exactly 7
      {"ab\x82\xa0\x82\xa2\x82\xa4", "ab\x82\xa0\x82\xa2"},              // 8 -> 6
      {"abcdef\x82", "abcdef"},  // a lead byte without its trail
  };
  for (const Case& c : cases) {
    Settings s;
    setHeroName(s, c.in);
    EXPECT_EQ(std::string(s.heroName), c.out) << c.in;
    EXPECT_EQ(s.heroName[7], '\0');
  }
}

TEST(Settings, FontStyleCodes) {
  EXPECT_EQ(fontStyleCode(false, false), 0);
  EXPECT_EQ(fontStyleCode(true, false), 1);
  EXPECT_EQ(fontStyleCode(false, true), 2);
  EXPECT_EQ(fontStyleCode(true, true), 3);
}

}  // namespace
}  // namespace kobre::frame
