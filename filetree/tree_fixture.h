#pragma once
// What the directory tests share: a prefix whose drive C holds the trees, and
// a snapshot and three reports in its working folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>

#include "filetree/directory_capture.h"
#include "filetree/directory_compare.h"
#include "io/little_endian.h"
#include "test/temp_folder.h"

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("WINEPREFIX", prefix_.path().c_str(), 1);
    std::filesystem::create_directories(Host("vastrel"));
  }
  void TearDown() override { unsetenv("WINEPREFIX"); }

  /// Writes a file below drive C ("R/a.txt"), with the folders on its way.
  void Write(const std::string& relative, const std::string& content = "") {
    prefix_.WriteFile("drive_c/" + relative, content);
  }
  std::string Host(const std::string& relative) const { return prefix_.path() + "/drive_c/" + relative; }
  void SetTimes(const std::string& relative, long modified, long accessed) {
    timespec times[2] = {{accessed, 0}, {modified, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, Host(relative).c_str(), times, 0), 0);
  }

  /// Captures `root` into the snapshot, or compares it; returns what was printed.
  std::string Capture(const std::string& root, bool* complete = nullptr) {
    testing::internal::CaptureStdout();
    bool done = CaptureDirectory(root, kSnapshot);
    if (complete) *complete = done;
    return testing::internal::GetCapturedStdout();
  }
  std::string Compare(bool* complete = nullptr) {
    testing::internal::CaptureStdout();
    bool done = false;
    try {
      done = CompareDirectory(kSnapshot, "C:\\vastrel\\new.txt", "C:\\vastrel\\mod.txt", "C:\\vastrel\\rem.txt");
    } catch (...) {
      testing::internal::GetCapturedStdout();
      throw;
    }
    if (complete) *complete = done;
    return testing::internal::GetCapturedStdout();
  }

  std::string Snapshot() const { return prefix_.ReadFile("drive_c/vastrel/snap.bin"); }
  void SetSnapshot(const std::string& bytes) const { prefix_.WriteFile("drive_c/vastrel/snap.bin", bytes); }
  /// A report's lines without its header.
  std::string Added() const { return prefix_.ReadFile("drive_c/vastrel/new.txt").substr(22); }
  std::string Modified() const { return prefix_.ReadFile("drive_c/vastrel/mod.txt").substr(21); }
  std::string Removed() const { return prefix_.ReadFile("drive_c/vastrel/rem.txt").substr(20); }

  static std::uint32_t U32(const std::string& bytes, std::size_t at) {
    if (at + kU32Size > bytes.size()) throw std::out_of_range("no number at " + std::to_string(at));
    return GetU32(bytes.data() + at);
  }
  static void PutU32(std::string& bytes, std::size_t at, std::uint32_t value) {
    if (at + kU32Size > bytes.size()) throw std::out_of_range("no room at " + std::to_string(at));
    ::PutU32(bytes.data() + at, value);
  }

  const std::string kSnapshot = "C:\\vastrel\\snap.bin";
  test::TempPrefix prefix_;
};
