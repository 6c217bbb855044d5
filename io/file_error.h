#pragma once
// A snapshot, report or INI file that cannot be opened, read, written,
// positioned or trusted. The message names the file and the cause.

#include <cstdint>
#include <string>

#include "io/error.h"

class FileError : public Error {
 public:
  enum Cause {
    kNone,
    kGenericException,
    kFileNotFound,
    kBadPath,
    kTooManyOpenFiles,
    kAccessDenied,
    kInvalidFile,
    kDirectoryFull,
    kBadSeek,
    kHardIo,
    kSharingViolation,
    kDiskFull,
    kEndOfFile,
    kDamaged,  // the file's content does not fit its format
  };

  FileError() = default;
  FileError(Cause cause, std::uint32_t osError, std::string fileName, std::string detail = {})
      : cause(cause), osError(osError), fileName(std::move(fileName)), detail(std::move(detail)) {}

  /// The cause that an operating-system error number stands for.
  static Cause CauseOf(std::uint32_t osError);
  /// A file error for `fileName` from the thread's last error.
  static FileError FromLastError(const std::string& fileName);

  std::string Message() const override;

  Cause cause = kNone;
  std::uint32_t osError = 0;
  std::string fileName;
  std::string detail;  // what exactly does not fit, for damaged files
};
