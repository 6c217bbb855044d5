#pragma once
// What the directory tests share: a capture into a snapshot and a comparison
// into three reports in the working folder C:\vastrel, on a file system in
// memory whose drive C holds the trees; and the offsets of a snapshot's
// records.

#include <gtest/gtest.h>

#include <stdexcept>

#include "filetree/directory_capture.h"
#include "filetree/directory_compare.h"
#include "filetree/directory_snapshot.h"
#include "io/file.h"
#include "io/little_endian.h"
#include "test/memory_files.h"

/// Where the `i`th record of the listing at `listing` starts.
constexpr std::uint32_t RecordAt(std::uint32_t listing, std::uint32_t i) {
  return listing + kDirCountSize + i * kDirRecordSize;
}

/// Captures and compares through whatever file system is installed.
class TreeWalkTest : public ::testing::Test {
 protected:
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

  /// A report's lines without its header.
  static std::string Added() { return ReadWhole("C:\\vastrel\\new.txt").substr(22); }
  static std::string Modified() { return ReadWhole("C:\\vastrel\\mod.txt").substr(21); }
  static std::string Removed() { return ReadWhole("C:\\vastrel\\rem.txt").substr(20); }
  static std::string ReadWhole(const std::string& path) {
    File file;
    file.OpenOrThrow(path, File::kModeRead);
    std::string bytes(file.GetLength(), '\0');
    file.ReadExactly(bytes.data(), static_cast<std::uint32_t>(bytes.size()), "a test's file");
    return bytes;
  }

  const std::string kSnapshot = "C:\\vastrel\\snap.bin";
};

/// The trees in memory: C:\R holds what a test writes there.
class TreeTest : public TreeWalkTest {
 protected:
  TreeTest() { files_.AddFolder("C:\\vastrel"); }

  /// Writes a file below drive C ("R\\a.txt"), with the folders on its way.
  void Write(const std::string& path, const std::string& content = "") { files_.Put("C:\\" + path, content); }

  std::string Snapshot() const { return files_.Get(kSnapshot).value_or(""); }
  void SetSnapshot(const std::string& bytes) { files_.Put(kSnapshot, bytes); }

  static std::uint32_t U32(const std::string& bytes, std::size_t at) {
    if (at + kU32Size > bytes.size()) throw std::out_of_range("no number at " + std::to_string(at));
    return GetU32(bytes.data() + at);
  }
  static void PutU32(std::string& bytes, std::size_t at, std::uint32_t value) {
    if (at + kU32Size > bytes.size()) throw std::out_of_range("no room at " + std::to_string(at));
    ::PutU32(bytes.data() + at, value);
  }

  test::MemoryFiles files_;
};
