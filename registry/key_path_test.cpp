#include "registry/key_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/root_key_table.h"

namespace {

TEST(KeyPathTest, RootNamesAndSubkeyPaths) {
  struct Case {
    std::string path, root, subKey;
  };
  for (const Case& c : std::vector<Case>{{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes"},
                                         {"HKEY_USERS", "HKEY_USERS", ""},
                                         {"\\a", "", "a"},
                                         {"a\\\\b", "a", "\\b"},
                                         {"\\\\server\\share", "\\", "server\\share"},
                                         {"a\\b\\\\", "a", "b\\"},  // one trailing backslash is dropped
                                         {"a\\", "a", ""},
                                         {"\\", "", ""}}) {
    std::string root, subKey;
    SplitRootKeyPath(c.path, root, subKey);
    EXPECT_EQ(root + "|" + subKey, c.root + "|" + c.subKey) << c.path;
  }
  EXPECT_EQ(ChildKeyPath("", "HKEY_USERS"), "HKEY_USERS");
  EXPECT_EQ(ChildKeyPath("HKEY_USERS", ".Default"), "HKEY_USERS\\.Default");

  EXPECT_EQ(FindRootKey("HKEY_CURRENT_CONFIG"), 0x80000005u);
  EXPECT_EQ(FindRootKey("HKEY_PERFORMANCE_DATA"), 0u);
  EXPECT_EQ(FindRootKey("hkey_users"), 0u);
}

}  // namespace
