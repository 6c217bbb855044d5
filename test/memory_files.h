#pragma once
// A file system held in memory, addressed by Windows paths and matched
// without regard to letter case, as Windows matches them. Tests and fuzz
// targets install it (platform::SetFiles, for the object's lifetime) so that
// nothing touches the disk, and stage faults through it.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace test {

class MemoryFiles : public platform::FileSystem {
 public:
  MemoryFiles();
  ~MemoryFiles() override;
  MemoryFiles(const MemoryFiles&) = delete;

  /// Creates the folder and every folder on its path ("C:\windows\system").
  void AddFolder(const std::string& path);
  /// Writes a file (its folders are made on the way) with a new write time.
  void Put(const std::string& path, const std::string& content);
  /// A file's content, or nullopt when there is no such file.
  std::optional<std::string> Get(const std::string& path) const;
  /// Removes a file or a folder with everything below it.
  void Remove(const std::string& path);
  bool Exists(const std::string& path) const { return Find(path) != nullptr; }
  /// What a listing shows of the file or folder at `path`: its attributes
  /// (archive or folder when made), and when it was last written and read.
  void SetAttributes(const std::string& path, std::uint32_t attributes) { Find(path)->attributes = attributes; }
  void SetTimes(const std::string& path, std::uint64_t written, std::uint64_t read);

  /// Writing to `path` past its first `bytes` bytes fails with `error` (a
  /// full disk); what was written before stays.
  void FailWritesAfter(const std::string& path, std::uint64_t bytes, std::uint32_t error = 112);
  /// Reading `path` at or past `offset` fails with `error` (a device error).
  void FailReadsAt(const std::string& path, std::uint64_t offset, std::uint32_t error = 1117);
  /// Every read hands out at most `bytes` bytes, as a pipe may; 0: no limit.
  void LimitReads(std::uint32_t bytes) { readLimit_ = bytes; }
  /// Listing `folder` fails with `error` (3: it vanished, 5: denied) once
  /// `entries` entries ("." and ".." included) were handed out, or at its end.
  void FailListing(const std::string& folder, std::uint32_t error, std::size_t entries = 0);

  std::unique_ptr<platform::NativeFile> Open(const std::string& path, platform::OpenMode mode) override;
  std::unique_ptr<platform::FolderSearch> FindFirst(const std::string& pattern, platform::FindData* data) override;
  bool CreateFolder(const std::string& path) override;
  bool CopyFile(const std::string& from, const std::string& to) override;
  bool FolderExists(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;

 private:
  struct Fault {  // past `at` bytes (or entries), the operation fails with `error`
    std::uint64_t at;
    std::uint32_t error;
  };
  struct Node {
    std::string path;  // as first created
    bool folder = false;
    std::shared_ptr<std::string> content;
    std::uint64_t writeTime = 0, readTime = 0;  // no read time: the write time
    std::uint32_t attributes = 0;               // 0: archive, or folder
  };
  class MemoryFile;

  Node* Find(const std::string& path) const;

  mutable std::map<std::string, Node> nodes_;  // by lower-case path
  std::map<std::string, Fault> writeFaults_, readFaults_, listingFaults_;
  std::uint32_t readLimit_ = 0;
  std::uint64_t clock_ = 0x01D0000000000000;  // a FILETIME in 2015
};

}  // namespace test
