// Where kobre looks for a game when none is named: the installed demo
// beside the program first, then the build tree's, else nothing (the
// desktop then asks for a folder).
#include "app/GameFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/storage/TempFolder.h"

namespace kobre::testing {
namespace {

TEST(GameFolder, InstalledDemoBesideTheProgramComesFirst) {
  TempFolder installed, built;
  const auto programDir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  const std::string relative = std::filesystem::relative(installed.path(), programDir).string();
  EXPECT_EQ(app::findDemoFolder(relative, built.str()), installed.str());
  EXPECT_EQ(app::findDemoFolder("no-such-folder/demo", built.str()), built.str());
  EXPECT_EQ(app::findDemoFolder("no-such-folder/demo", built.str() + "/gone"), "");
  EXPECT_EQ(app::findDemoFolder("", ""), "");
}

}  // namespace
}  // namespace kobre::testing
