#pragma once
// Files and folders, addressed by Windows paths ("c:\vastrel\reg.bin").
// Failures are reported as false or null with a Win32 error number as the
// thread's last error. Tests install their own FileSystem to stage faults.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/find_data.h"

namespace platform {

enum class OpenMode { kRead, kCreateWrite };
enum class SeekOrigin { kBegin = 0, kCurrent = 1, kEnd = 2 };

/// An open file. The destructor closes it.
class NativeFile {
 public:
  virtual ~NativeFile() = default;
  /// Reads up to n bytes; `got` is 0 only at the end of the file.
  virtual bool Read(void* buffer, std::uint32_t n, std::uint32_t* got) = 0;
  /// Writes all n bytes at the current position.
  virtual bool Write(const void* buffer, std::uint32_t n) = 0;
  /// Moves the position; `position` receives the new one from the start.
  virtual bool Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) = 0;
  /// Closes the file, reporting a failure to write what it held.
  virtual bool Close() = 0;
};

/// A folder listing in progress; the destructor ends it (FindClose).
class FolderSearch {
 public:
  virtual ~FolderSearch() = default;
  /// The next entry (FindNextFileA); false with last error 18 at the end.
  virtual bool FindNext(FindData* data) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  /// Opens a file for reading, or creates (or empties) one for writing.
  virtual std::unique_ptr<NativeFile> Open(const std::string& path, OpenMode mode) = 0;
  /// Starts listing the entries that match `pattern` ("C:\windows\*.*")
  /// and fills the first one (FindFirstFileA); null on failure.
  virtual std::unique_ptr<FolderSearch> FindFirst(const std::string& pattern, FindData* data) = 0;
  /// Creates one folder (CreateDirectoryA).
  virtual bool CreateFolder(const std::string& path) = 0;
  /// Whether `path` names a folder (GetFileAttributesA with FILE_ATTRIBUTE_DIRECTORY).
  virtual bool FolderExists(const std::string& path) = 0;
  /// Removes a file (DeleteFileA).
  virtual bool DeleteFile(const std::string& path) = 0;
  /// Copies a file, overwriting the target (CopyFileA with fail-if-exists false).
  virtual bool CopyFile(const std::string& from, const std::string& to) = 0;
};

/// The file system every subsystem uses: the operating system's, unless a
/// test installed another.
FileSystem& Files();
/// The operating system's own file system.
FileSystem& SystemFiles();
/// Installs `files` as the one Files() returns (null: the system's again).
void SetFiles(FileSystem* files);

}  // namespace platform
