#pragma once
// A snapshot, report or INI file. Every failure raises FileError naming the
// file. Reads and writes go through one buffer, so that writing a snapshot
// field by field, patching a count a few bytes back, or reading an INI file
// byte by byte costs no system call each.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "io/file_error.h"
#include "platform/file_system.h"
#include "platform/large_block.h"

class File {
 public:
  enum OpenFlags : unsigned { kModeRead = 0x0000, kModeWrite = 0x0001, kModeCreate = 0x1000 };
  enum SeekPosition { kBegin = 0, kCurrent = 1, kEnd = 2 };

  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  /// Closes the file if it is open; a failure to write then goes unreported.
  ~File();

  /// Opens `path` read only (kModeRead) or creates or empties it for writing
  /// (kModeCreate | kModeWrite). On failure fills `error` and returns false.
  bool Open(const std::string& path, unsigned flags, FileError* error);
  /// Opens like Open, and raises the error instead of returning false.
  void OpenOrThrow(const std::string& path, unsigned flags);

  /// Reads up to n bytes; fewer only at the end of the file, 0 there.
  std::uint32_t Read(void* buffer, std::uint32_t n);
  /// Reads exactly n bytes, or raises the file error kDamaged when the file
  /// ends first: for formats whose fields must be there in full.
  void ReadExactly(void* buffer, std::uint32_t n, const char* what);
  void Write(const void* buffer, std::uint32_t n);
  void Write(const std::string& text) { Write(text.data(), static_cast<std::uint32_t>(text.size())); }
  /// Moves the position and returns it, counted from the start of the file.
  std::uint64_t Seek(std::int64_t offset, SeekPosition from);
  std::uint64_t GetPosition() const { return position_; }
  /// The file's length, what is still buffered included.
  std::uint64_t GetLength();
  void Close();

  const std::string& GetFilePath() const { return path_; }

  /// Raises the file error kDamaged for this file.
  [[noreturn]] void ThrowDamaged(const std::string& detail) const;

 private:
  /// Writes out what is still to be written and empties the buffer.
  void Flush();
  /// Writes the dirty end of the buffer, which stays in memory.
  void WriteDirty();
  void WriteOut(std::uint64_t at, const char* bytes, std::size_t n);
  [[noreturn]] void ThrowLastError() const;

  std::unique_ptr<platform::NativeFile> native_;
  std::string path_;
  bool writing_ = false;
  // The buffer holds the file's bytes from bufferStart_ on; when writing,
  // those from dirtyStart_ on are still to be written. nativePosition_ is
  // where the system's file position stands.
  std::vector<char, platform::LargeBlockAllocator<char>> buffer_;
  std::uint64_t bufferStart_ = 0;
  std::uint64_t dirtyStart_ = 0;
  std::uint64_t position_ = 0;
  std::uint64_t nativePosition_ = 0;
  std::uint64_t length_ = 0;  // known length of the file on disk (writing)
};
