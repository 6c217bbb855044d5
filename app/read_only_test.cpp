// vastrel only reads the system it inspects: a capture and a comparison of a
// prefix leave every file outside its working folder as it was, the
// registry files included, and add or remove nothing there.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>

#include "test/run.h"
#include "test/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Everything that tells one state of a file from another but its access
// time: its type and mode, its write time, its bytes or a link's target.
std::map<std::string, std::string> StateOf(const fs::path& root) {
  std::map<std::string, std::string> state;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    std::string relative = fs::relative(it->path(), root).string();
    if (relative == "drive_c/vastrel") {
      it.disable_recursion_pending();
      continue;
    }
    struct stat st;
    if (lstat(it->path().c_str(), &st) != 0) throw std::runtime_error("cannot stat " + relative);
    std::string& file = state[relative] = std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                                          std::to_string(st.st_mtim.tv_nsec) + " ";
    if (S_ISLNK(st.st_mode)) {
      file += fs::read_symlink(it->path()).string();
    } else if (S_ISREG(st.st_mode)) {
      std::ifstream in(it->path(), std::ios::binary);
      file += std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  return state;
}

TEST(ReadOnlyTest, CaptureAndComparisonChangeNothingOutsideTheWorkingFolder) {
  test::TempPrefix prefix;
  prefix.WriteFile("user.reg",
                   "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                   "#arch=win64\n\n[Software\\\\Sample] 1700000000\n\"Ver\"=\"1\"\n"
                   "\"Blob\"=hex:00,01,02\n\n[Software\\\\Sample\\\\Empty] 1700000000\n");
  prefix.WriteFile("drive_c/windows/win.ini", "[windows]\r\nload=\r\n");
  prefix.WriteFile("drive_c/windows/system.ini", "[boot]\r\nshell=explorer.exe\r\n");
  prefix.WriteFile("drive_c/windows/system32/kernel32.dll", std::string(5000, 'k'));
  prefix.WriteFile("drive_c/windows/.hidden", "h");
  prefix.WriteFile("drive_c/Program Files/Sample/sample.exe", "exe");
  fs::path root(prefix.path());
  fs::permissions(root / "drive_c/windows/system32/kernel32.dll", fs::perms::owner_write, fs::perm_options::remove);
  // Links that lead out of the tree and back up it.
  fs::create_directory_symlink("/", root / "drive_c/windows/root");
  fs::create_directory_symlink("..", root / "drive_c/windows/system32/up");
  fs::create_symlink("kernel32.dll", root / "drive_c/windows/system32/k32.dll");
  fs::create_symlink("missing", root / "drive_c/windows/dangling");

  // The working folder is there from an earlier run; making it changes its parent.
  fs::create_directory(root / "drive_c/vastrel");

  const std::map<std::string, std::string> before = StateOf(root);
  for (const char* option : {"-c", "-d", "-d"}) {
    test::RunResult result = test::RunVastrel(prefix.path(), {option});
    ASSERT_EQ(result.status, 0) << result.output;
    ASSERT_TRUE(prefix.Exists("drive_c/vastrel/reg.bin"));
    const std::map<std::string, std::string> after = StateOf(root);
    EXPECT_EQ(after.size(), before.size()) << option;
    for (const auto& [path, state] : before)
      EXPECT_TRUE(after.contains(path) && after.at(path) == state) << option << " changed " << path;
  }
}

}  // namespace
