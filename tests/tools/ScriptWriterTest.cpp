#include "tools/writers/ScriptWriter.h"

#include <gtest/gtest.h>

#include <cctype>

#include "storage/ArchiveFile.h"

namespace kobre {
namespace {

using writers::ScriptOptions;
using writers::ScriptWriter;

std::string str(const std::vector<uint8_t>& v) {
  return std::string(v.begin(), v.end());
}

TEST(ScriptWriter, MarkerLineEndsAndConversion) {
  std::vector<uint8_t> out;
  ASSERT_TRUE(ScriptWriter().build("A=1\nB=2\r\n遥斗\n", {}, out));
  EXPECT_EQ(str(out), "NA=1\r\nB=2\r\n\x97\x79\x93\x6C\r\n");
  ScriptOptions lf;
  lf.crlf = false;
  lf.marker = 'Q';
  ASSERT_TRUE(ScriptWriter().build("a\nb", lf, out));
  EXPECT_EQ(str(out), "Qa\nb");
  // A character with no CP932 form is refused.
  EXPECT_FALSE(ScriptWriter().build("\xF0\x9F\x98\x80", {}, out));
  // An injected converter is used instead of iconv.
  ScriptWriter upper([](std::string_view in, std::string& o) {
    o.assign(in);
    for (char& c : o) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return true;
  });
  ASSERT_TRUE(upper.build("ab\n", {}, out));
  EXPECT_EQ(str(out), "NAB\r\n");
}

TEST(ScriptWriter, ScramblingFromTheSecondByte) {
  ScriptOptions opt;
  opt.scrambled = true;
  const std::string body(20, 'z');
  const auto out = ScriptWriter::buildRaw(body, opt);
  ASSERT_EQ(out.size(), 21u);
  EXPECT_EQ(out[0], 'X');
  for (size_t i = 1; i < out.size(); ++i) EXPECT_EQ(out[i] ^ 'z', scrambleKey[(i - 1) % 9]) << i;
}

}  // namespace
}  // namespace kobre
