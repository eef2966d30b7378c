#include "script/NameTable.h"

#include <gtest/gtest.h>

namespace kobre {
namespace {

TEST(NameTable, ReplaceAndLimit) {
  for (bool ignoreCase : {false, true}) {
    NameTable t(ignoreCase);
    EXPECT_TRUE(t.add("a", "1"));
    EXPECT_TRUE(t.add("a", "2"));  // replaced, not counted again
    EXPECT_EQ(t.size(), 1);
    EXPECT_EQ(*t.find("a"), "2");
    for (int i = 1; i < NameTable::kMaxEntries; ++i)
      ASSERT_TRUE(t.add("k" + std::to_string(i), "v"));
    EXPECT_EQ(t.size(), NameTable::kMaxEntries);
    EXPECT_FALSE(t.add("one more", "v"));  // the 1001st key
    EXPECT_EQ(t.find("one more"), nullptr);
    EXPECT_TRUE(t.add("k5", "replaced"));  // replacing still works when full
    EXPECT_EQ(*t.find("k5"), "replaced");
  }
}

TEST(NameTable, CaseRules) {
  NameTable exact(false), folded(true);
  exact.add("Bg01", "x");
  folded.add("Bg01", "1024");
  EXPECT_EQ(exact.find("bg01"), nullptr);
  ASSERT_NE(folded.find("BG01"), nullptr);
  EXPECT_EQ(*folded.find("bg01"), "1024");
  ASSERT_NE(folded.findKeyByValue("1024"), nullptr);
  EXPECT_EQ(*folded.findKeyByValue("1024"), "Bg01");
  EXPECT_EQ(folded.findKeyByValue("01024"), nullptr);  // values compare exactly
}

}  // namespace
}  // namespace kobre
