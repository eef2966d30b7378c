#include "support/mail/InstallationId.h"

#include <gtest/gtest.h>

#include <regex>

namespace kobre::support {
namespace {

TEST(InstallationIdTest, HalvesOfFlagsThenSerialEachMaskedWith8421) {
  struct Case {
    std::uint32_t serial, flags;
    const char* text;
  };
  const Case cases[] = {
      {0x00000000u, 0x00000000u, "8421-8421-8421-8421"},
      {0x12345678u, 0x9ABCDEF0u, "1E9D-5AD1-9615-D259"},
      {0xFFFFFFFFu, 0x00000001u, "8421-8420-7BDE-7BDE"},
      {0x84218421u, 0x84218421u, "0000-0000-0000-0000"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatInstallationId(c.serial, c.flags), c.text);
}

TEST(InstallationIdTest, ReadsTheFileSystemOrSaysError) {
  const std::regex shape("[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}");
  const std::string root = installationId();
  EXPECT_TRUE(std::regex_match(root, shape)) << root;
  EXPECT_EQ(installationId("/"), root);
  EXPECT_EQ(installationId("/no/such/folder/kobre-test"), "Error");
  EXPECT_EQ(installationId(""), "Error");
}

}  // namespace
}  // namespace kobre::support
