#include "registry/key_path.h"

#include <gtest/gtest.h>

#include "app/error.h"
#include "registry/root_key_table.h"

namespace {

using Components = std::vector<std::string>;

Components Split(const std::string& text) {
  Components components;
  SplitKeyPath(text, components);
  return components;
}

TEST(KeyPathTest, SplitKeepsEmptyComponentsButATrailingOne) {
  EXPECT_EQ(Split(""), Components{});
  EXPECT_EQ(Split("HKEY_USERS"), Components{"HKEY_USERS"});
  EXPECT_EQ(Split("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes"),
            (Components{"HKEY_LOCAL_MACHINE", "SOFTWARE", "Classes"}));
  EXPECT_EQ(Split("HKEY_USERS\\"), Components{"HKEY_USERS"});
  EXPECT_EQ(Split("\\a"), (Components{"", "a"}));
  EXPECT_EQ(Split("a\\\\b"), (Components{"a", "", "b"}));
  EXPECT_EQ(Split("\\\\server\\share"), (Components{"\\", "server", "share"}));

  Components appended{"x"};
  SplitKeyPath("y\\z", appended);
  EXPECT_EQ(appended, (Components{"x", "y", "z"}));
}

TEST(KeyPathTest, JoinCutsTheCountAndRefusesAStartPastTheEnd) {
  Components parts = Split("HKEY_USERS\\S-1-5-18\\Software");
  EXPECT_EQ(JoinKeyPath(parts, 1, 2), "S-1-5-18\\Software");
  EXPECT_EQ(JoinKeyPath(parts, 1, 5), "S-1-5-18\\Software");
  EXPECT_EQ(JoinKeyPath(parts, 0, 1), "HKEY_USERS");
  EXPECT_EQ(JoinKeyPath(parts, 1, 0), "");
  EXPECT_EQ(JoinKeyPath(parts, 3, 1), "");  // a root name alone has no subkey path
  EXPECT_EQ(JoinKeyPath(Split("a\\\\b"), 0, 3), "a\\\\b");
  EXPECT_THROW(JoinKeyPath(parts, 4, 0), InvalidArgumentError);
}

TEST(KeyPathTest, ChildPathsAndRootNames) {
  EXPECT_EQ(ChildKeyPath("", "HKEY_USERS"), "HKEY_USERS");
  EXPECT_EQ(ChildKeyPath("HKEY_USERS", ".Default"), "HKEY_USERS\\.Default");

  EXPECT_EQ(FindRootKey("HKEY_CURRENT_CONFIG"), 0x80000005u);
  EXPECT_EQ(FindRootKey("HKEY_CLASSES_ROOT"), 0x80000000u);
  EXPECT_EQ(FindRootKey("HKEY_PERFORMANCE_DATA"), 0u);
  EXPECT_EQ(FindRootKey("hkey_users"), 0u);
}

}  // namespace
