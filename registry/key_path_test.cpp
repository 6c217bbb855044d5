#include "registry/key_path.h"

#include <gtest/gtest.h>

#include "io/error.h"
#include "registry/root_key_table.h"

namespace {

using Components = std::vector<std::string>;

Components Split(const std::string& text) {
  Components components;
  SplitKeyPath(text, components);
  return components;
}

TEST(KeyPathTest, SplitJoinAndRootNames) {
  EXPECT_EQ(Split(""), Components{});
  EXPECT_EQ(Split("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\"),
            (Components{"HKEY_LOCAL_MACHINE", "SOFTWARE", "Classes"}));
  EXPECT_EQ(Split("\\a"), (Components{"", "a"}));
  EXPECT_EQ(Split("a\\\\b"), (Components{"a", "", "b"}));
  EXPECT_EQ(Split("\\\\server\\share"), (Components{"\\", "server", "share"}));

  Components parts = Split("HKEY_USERS\\S-1-5-18\\Software");
  EXPECT_EQ(JoinKeyPath(parts, 1, 2), "S-1-5-18\\Software");
  EXPECT_EQ(JoinKeyPath(parts, 1, 5), "S-1-5-18\\Software");
  EXPECT_EQ(JoinKeyPath(parts, 3, 1), "");  // a root name alone has no subkey path
  EXPECT_THROW(JoinKeyPath(parts, 4, 0), InvalidArgumentError);

  EXPECT_EQ(FindRootKey("HKEY_CURRENT_CONFIG"), 0x80000005u);
  EXPECT_EQ(FindRootKey("HKEY_PERFORMANCE_DATA"), 0u);
  EXPECT_EQ(FindRootKey("hkey_users"), 0u);
}

TEST(KeyPathTest, RootSplitAgreesWithSplittingAndJoining) {
  // Every path of up to six characters from "a", "b" and backslashes, so
  // that leading, doubled and trailing separators all come up.
  std::vector<std::string> paths{"HKEY_LOCAL_MACHINE\\Software\\Classes\\"};
  for (std::size_t length = 1; length <= 6; ++length) {
    for (int code = 0; code < 1 << (2 * length); ++code) {
      std::string path;
      for (std::size_t i = 0; i < length; ++i) path += "ab\\\\"[(code >> (2 * i)) & 3];
      paths.push_back(path);
    }
  }
  for (const std::string& path : paths) {
    Components parts = Split(path);
    std::string root, subKey;
    SplitRootKeyPath(path, root, subKey);
    EXPECT_EQ(root, parts.empty() ? "" : parts[0]) << path;
    EXPECT_EQ(subKey, JoinKeyPath(parts, parts.empty() ? 0 : 1, parts.size())) << path;
  }
}

}  // namespace
