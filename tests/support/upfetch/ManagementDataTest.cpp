#include "support/upfetch/ManagementData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/IconvTextCodec.h"

namespace kobre::upfetch {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
  return lines;
}

TEST(ManagementData, WritesTheCommentBlockAndSortedRecords) {
  UpdateRecord late{"00000002", "00000001", "", "", "3", "", "", "", "ok"};
  UpdateRecord mine{"00000001", "00000002", "Maker Name", "Soft", "1.0",
                    "1.1",      "up 1.bin", "",           "dl"};
  UpdateRecord early{"00000001", "00000001", "", "", "2", "", "", "x", ""};
  const std::vector<std::string> lines = linesOf(formatManagementData({late, mine, early}));

  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[0], std::string(79, '#'));
  EXPECT_EQ(lines[1], "#" + std::string(77, ' ') + "#");
  EXPECT_EQ(platform::cp932ToUtf8(lines[2]),
            "#        このファイルはアップデートチェックに必要な設定ファイルです。         #");
  EXPECT_EQ(platform::cp932ToUtf8(lines[3]),
            "#        重要なファイルですので直接編集しないで下さい。                       #");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(lines[i].size(), 79u) << i;  // CP932 bytes = columns
  EXPECT_EQ(lines[4], lines[1]);
  EXPECT_EQ(lines[5], lines[0]);
  EXPECT_EQ(lines[6], "");

  const std::vector<std::string> records(lines.begin() + 7, lines.end());
  const std::vector<std::string> expected = {"<Data>",
                                             "\tMakerCode\t00000001",
                                             "\tSoftwareCode\t00000001",
                                             "\tInstallVersion\t2",
                                             "\tUpdateCheck\tx",
                                             "</Data>",
                                             "<Data>",
                                             "\tMakerCode\t00000001",
                                             "\tSoftwareCode\t00000002",
                                             "\tMaker\t\tMaker Name",
                                             "\tSoftware\tSoft",
                                             "\tInstallVersion\t1.0",
                                             "\tUpdateVersion\t1.1",
                                             "\tUpdateFile\tup 1.bin",
                                             "\tStatus\t\tdl",
                                             "</Data>",
                                             "<Data>",
                                             "\tMakerCode\t00000002",
                                             "\tSoftwareCode\t00000001",
                                             "\tInstallVersion\t3",
                                             "\tStatus\t\tok",
                                             "</Data>"};
  EXPECT_EQ(records, expected);
}

TEST(ManagementData, ReadsBackWhatItWrites) {
  UpdateRecord mine{"00000001", "00000002", "M", "S", "1.0", "__NUD__", "f.bin", "abc", "rs"};
  std::vector<UpdateRecord> read;
  ASSERT_TRUE(parseManagementData(formatManagementData({mine}), read));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].maker, "M");
  EXPECT_EQ(read[0].updateVersion, "__NUD__");
  EXPECT_EQ(read[0].updateFile, "f.bin");
  EXPECT_EQ(read[0].updateCheck, "abc");
  EXPECT_EQ(read[0].status, "rs");
}

TEST(ManagementData, SkipsCommentsBlanksAndStrayLinesAndCutsLongValues) {
  const std::string file =
      "# a comment\n\n   \r\nstray line\r\n<Data>\r\n  # inside\r\n\r\n"
      "\tMakerCode\t\t\t00000001\r\n  SoftwareCode\t000000029999  \r\n"
      "\tInstallVersion\t1.0\r\n\tUpdateCheck\t1234567890\r\n\tMaker\r\n</Data>\r\n";
  std::vector<UpdateRecord> read;
  ASSERT_TRUE(parseManagementData(file, read));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].makerCode, "00000001");
  EXPECT_EQ(read[0].softwareCode, "00000002");
  EXPECT_EQ(read[0].updateCheck, "1234567");
  EXPECT_EQ(read[0].maker, "");
  EXPECT_EQ(read[0].status, "na");  // empty Status
}

TEST(ManagementData, FaultsStopTheLoadKeepingEarlierRecords) {
  const std::string good =
      "<Data>\n\tMakerCode\tA\n\tSoftwareCode\tB\n\tInstallVersion\t1\n</Data>\n";
  const std::vector<std::pair<std::string, std::string>> faults = {
      {"unknown key", "<Data>\n\tMakerCode\tC\n\tColour\tred\n</Data>\n" + good},
      {"no MakerCode", "<Data>\n\tSoftwareCode\tB\n\tInstallVersion\t1\n</Data>\n" + good},
      {"no SoftwareCode", "<Data>\n\tMakerCode\tB\n\tInstallVersion\t1\n</Data>\n" + good},
      {"no InstallVersion", "<Data>\n\tMakerCode\tB\n\tSoftwareCode\tB\n</Data>\n" + good},
      {"left open", "<Data>\n\tMakerCode\tC\n"},
  };
  for (const auto& [what, tail] : faults) {
    std::vector<UpdateRecord> read;
    EXPECT_FALSE(parseManagementData(good + tail, read)) << what;
    ASSERT_EQ(read.size(), 1u) << what;
    EXPECT_EQ(read[0].makerCode, "A") << what;
  }
}

TEST(ManagementData, CutsWithoutSplittingADoubleByteCharacter) {
  EXPECT_EQ(cutField("abc", 3), "abc");
  EXPECT_EQ(cutField("abcd", 3), "abc");
  EXPECT_EQ(cutField("ab\x82\xA0", 3), "ab");
  EXPECT_EQ(cutField("a\x82\xA0z", 3), "a\x82\xA0");
  EXPECT_EQ(cutField("1234567 9", 8), "1234567");
  EXPECT_EQ(cutField("        x", 8), "");
}

}  // namespace
}  // namespace kobre::upfetch
