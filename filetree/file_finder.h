#pragma once
// Lists one folder: reads the whole listing at once, closes the platform's
// search, then hands the entries out one by one in the platform's order.
// No search stays open while a caller walks into subfolders.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/find_data.h"

class FileFinder {
 public:
  FileFinder() = default;
  FileFinder(const FileFinder&) = delete;
  FileFinder& operator=(const FileFinder&) = delete;
  ~FileFinder() { Close(); }

  /// Collects every entry matching `pattern` ("C:\windows\*.*"). False on
  /// failure, with the platform's error number as the thread's last error
  /// (3 for a missing folder, 5 for a denied one).
  bool Search(const std::string& pattern);
  /// Makes the next entry current: true and last error 0, or false and last
  /// error 18 once every entry has been handed out.
  bool Next();

  /// The entry the latest Next handed out, or null.
  const platform::FindData* Current() const { return current_; }
  /// The current entry is the folder "." or "..".
  bool IsDotEntry() const;
  bool IsFolder() const;
  /// The folder part of the pattern, up to and including its last separator
  /// ("C:\windows\"), or the drive ("C:") when it has none.
  const std::string& FolderPrefix() const { return folderPrefix_; }
  /// Forgets every entry; safe at any time.
  void Close();

 private:
  bool Collect(const std::string& pattern);

  // The records in blocks: a folder of a hundred thousand entries is never
  // copied into a larger buffer as it is read.
  static constexpr std::size_t kBlock = 256;
  std::size_t nextIndex_ = 0;
  std::size_t count_ = 0;
  std::vector<std::unique_ptr<platform::FindData[]>> blocks_;
  std::string folderPrefix_;
  const platform::FindData* current_ = nullptr;
};

/// The name held in a find-data record: up to its terminator, never past
/// the field.
std::string FindDataName(const platform::FindData& data);
