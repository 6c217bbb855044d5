#include "registry/key_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/root_key_table.h"

namespace {

using Components = std::vector<std::string>;

// The reference for the root split: every part between backslashes, empty
// ones included but a trailing one; a leading "\\" is the part "\".
Components Split(const std::string& text) {
  Components components;
  std::size_t start = 0;
  std::size_t i = 0;
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    components.emplace_back("\\");
    start = i = 2;
  }
  for (; i < text.size(); ++i) {
    if (text[i] != '\\') continue;
    components.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  if (start < text.size()) components.push_back(text.substr(start));
  return components;
}

// The parts after the first, joined with backslashes.
std::string JoinBelowRoot(const Components& components) {
  std::string text;
  for (std::size_t i = 1; i < components.size(); ++i) {
    if (i != 1) text += '\\';
    text += components[i];
  }
  return text;
}

TEST(KeyPathTest, RootNamesAndSubkeyPaths) {
  struct Case {
    std::string path, root, subKey;
  };
  for (const Case& c : std::vector<Case>{{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes"},
                                         {"HKEY_USERS", "HKEY_USERS", ""},
                                         {"\\a", "", "a"},
                                         {"a\\\\b", "a", "\\b"},
                                         {"\\\\server\\share", "\\", "server\\share"}}) {
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
    EXPECT_EQ(subKey, JoinBelowRoot(parts)) << path;
  }
}

}  // namespace
