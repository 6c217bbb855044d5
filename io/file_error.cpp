#include "io/file_error.h"

#include "platform/last_error.h"

FileError::Cause FileError::CauseOf(std::uint32_t osError) {
  switch (osError) {
    case platform::kErrorSuccess: return none;
    case platform::kErrorFileNotFound: return fileNotFound;
    case platform::kErrorPathNotFound:
    case platform::kErrorInvalidName:
    case platform::kErrorBadPathname:
    case platform::kErrorFilenameTooLong: return badPath;
    case platform::kErrorTooManyOpenFiles: return tooManyOpenFiles;
    case platform::kErrorAccessDenied:
    case platform::kErrorWriteProtect: return accessDenied;
    case platform::kErrorInvalidHandle: return invalidFile;
    case platform::kErrorNegativeSeek: return badSeek;
    case platform::kErrorSharingViolation: return sharingViolation;
    case platform::kErrorDiskFull: return diskFull;
    case platform::kErrorHandleEof: return endOfFile;
    case platform::kErrorIoDevice: return hardIO;
    default: return genericException;
  }
}

FileError FileError::FromLastError(const std::string& fileName) {
  std::uint32_t error = platform::GetLastError();
  return FileError(CauseOf(error), error, fileName);
}

std::string FileError::Message() const {
  const char* words = "an unknown error occurred";
  switch (cause) {
    case none: words = "no error occurred"; break;
    case genericException: words = "an unexpected error occurred"; break;
    case fileNotFound: words = "the file was not found"; break;
    case badPath: words = "all or part of the path is invalid"; break;
    case tooManyOpenFiles: words = "too many files are open"; break;
    case accessDenied: words = "access to the file was denied"; break;
    case invalidFile: words = "the file handle is invalid"; break;
    case directoryFull: words = "there are no more directory entries"; break;
    case badSeek: words = "the file position could not be set"; break;
    case hardIO: words = "a hardware error occurred"; break;
    case sharingViolation: words = "the file is in use by another program"; break;
    case diskFull: words = "the disk is full"; break;
    case endOfFile: words = "the end of the file was reached unexpectedly"; break;
    case damaged: words = "the file is damaged"; break;
  }
  std::string text = fileName + ": " + words;
  if (!detail.empty()) text += " (" + detail + ")";
  if (cause != damaged && osError != 0) text += " (error " + std::to_string(osError) + ")";
  return text;
}
