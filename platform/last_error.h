#pragma once
// The per-thread last-error value and the Win32 error numbers that every layer
// above the platform speaks, whatever the operating system underneath.

#include <cstdint>

namespace platform {

enum : std::uint32_t {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorTooManyOpenFiles = 4,
  kErrorAccessDenied = 5,
  kErrorInvalidHandle = 6,
  kErrorNotEnoughMemory = 8,
  kErrorNoMoreFiles = 18,
  kErrorWriteProtect = 19,
  kErrorSharingViolation = 32,
  kErrorHandleEof = 38,
  kErrorNotSupported = 50,
  kErrorFileExists = 80,
  kErrorInvalidParameter = 87,
  kErrorDiskFull = 112,
  kErrorInvalidName = 123,
  kErrorNegativeSeek = 131,
  kErrorAlreadyExists = 183,
  kErrorFilenameTooLong = 206,
  kErrorMoreData = 234,
  kErrorNoMoreItems = 259,
  kErrorIoDevice = 1117,
  kErrorKeyDeleted = 1018,
  kErrorBadPathname = 161,
  kErrorDirectory = 267,  // the path names a file where a folder is needed
};

/// The calling thread's last-error value (GetLastError).
std::uint32_t GetLastError();
/// Sets the calling thread's last-error value (SetLastError).
void SetLastError(std::uint32_t error);

}  // namespace platform
