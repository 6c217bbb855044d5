#include "registry/key_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(KeyPathTest, APathSplitsIntoItsRootAndTheSubkeyPathBelowIt) {
  struct Case {
    std::string path, root, subKey;
  };
  for (const Case& c : std::vector<Case>{{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes"},
                                         {"HKEY_USERS", "HKEY_USERS", ""},
                                         {"\\a", "", "a"},
                                         {"a\\\\b", "a", "\\b"},
                                         {"\\\\server\\share", "\\", "server\\share"},
                                         {"a\\b\\\\", "a", "b\\"},  // one trailing backslash is dropped
                                         {"\\", "", ""}}) {
    std::string root, subKey;
    SplitRootKeyPath(c.path, root, subKey);
    EXPECT_EQ(root + "|" + subKey, c.root + "|" + c.subKey) << c.path;
  }
}

}  // namespace
