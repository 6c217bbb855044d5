#include "io/file_error.h"

#include "platform/last_error.h"

FileError::Cause FileError::CauseOf(std::uint32_t osError) {
  switch (osError) {
    case platform::kErrorSuccess: return kNone;
    case platform::kErrorFileNotFound: return kFileNotFound;
    case platform::kErrorPathNotFound:
    case platform::kErrorInvalidName:
    case platform::kErrorBadPathname:
    case platform::kErrorFilenameTooLong: return kBadPath;
    case platform::kErrorTooManyOpenFiles: return kTooManyOpenFiles;
    case platform::kErrorAccessDenied:
    case platform::kErrorWriteProtect: return kAccessDenied;
    case platform::kErrorInvalidHandle: return kInvalidFile;
    case platform::kErrorNegativeSeek: return kBadSeek;
    case platform::kErrorSharingViolation: return kSharingViolation;
    case platform::kErrorDiskFull: return kDiskFull;
    case platform::kErrorHandleEof: return kEndOfFile;
    case platform::kErrorIoDevice: return kHardIo;
    default: return kGenericException;
  }
}

FileError FileError::FromLastError(const std::string& fileName) {
  std::uint32_t error = platform::GetLastError();
  return FileError(CauseOf(error), error, fileName);
}

std::string FileError::Message() const {
  const char* words = "an unknown error occurred";
  switch (cause) {
    case kNone: words = "no error occurred"; break;
    case kGenericException: words = "an unexpected error occurred"; break;
    case kFileNotFound: words = "the file was not found"; break;
    case kBadPath: words = "all or part of the path is invalid"; break;
    case kTooManyOpenFiles: words = "too many files are open"; break;
    case kAccessDenied: words = "access to the file was denied"; break;
    case kInvalidFile: words = "the file handle is invalid"; break;
    case kDirectoryFull: words = "there are no more directory entries"; break;
    case kBadSeek: words = "the file position could not be set"; break;
    case kHardIo: words = "a hardware error occurred"; break;
    case kSharingViolation: words = "the file is in use by another program"; break;
    case kDiskFull: words = "the disk is full"; break;
    case kEndOfFile: words = "the end of the file was reached unexpectedly"; break;
    case kDamaged: words = "the file is damaged"; break;
  }
  std::string text = fileName + ": " + words;
  if (!detail.empty()) text += " (" + detail + ")";
  if (cause != kDamaged && osError != 0) text += " (error " + std::to_string(osError) + ")";
  return text;
}
