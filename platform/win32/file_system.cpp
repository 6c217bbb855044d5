#include "platform/file_system.h"

#include <cstddef>
#include <cstring>

#include "platform/win32/windows_api.h"

namespace platform {
namespace {

// The find-data record is WIN32_FIND_DATAA, stored whole in snapshots.
static_assert(sizeof(WIN32_FIND_DATAA) == sizeof(FindData));
static_assert(offsetof(WIN32_FIND_DATAA, ftLastWriteTime) == offsetof(FindData, lastWriteTime));
static_assert(offsetof(WIN32_FIND_DATAA, nFileSizeLow) == offsetof(FindData, fileSizeLow));
static_assert(offsetof(WIN32_FIND_DATAA, cFileName) == offsetof(FindData, fileName));
static_assert(offsetof(WIN32_FIND_DATAA, cAlternateFileName) ==
              offsetof(FindData, alternateFileName));

void CopyFindData(const WIN32_FIND_DATAA& from, FindData* to) { std::memcpy(to, &from, sizeof *to); }

bool IsDotName(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

// A folder that is a link or a junction (a reparse point) is listed as an
// empty folder, as the Linux build lists links to folders: what it leads to
// may lie anywhere, back up the tree or across the whole file system.
bool IsLinkedFolder(const std::string& pattern) {
  std::size_t split = pattern.find_last_of("\\/");
  if (split == std::string::npos || split == 0 || pattern[split - 1] == ':') return false;
  DWORD attributes = ::GetFileAttributesA(pattern.substr(0, split).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

class Win32File : public NativeFile {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }

  bool Read(void* buffer, std::uint32_t n, std::uint32_t* got) override {
    DWORD read = 0;
    if (!::ReadFile(handle_, buffer, n, &read, nullptr)) return false;
    *got = read;
    return true;
  }

  bool Write(const void* buffer, std::uint32_t n) override {
    const char* p = static_cast<const char*>(buffer);
    while (n > 0) {
      DWORD written = 0;
      if (!::WriteFile(handle_, p, n, &written, nullptr)) return false;
      if (written == 0) {
        ::SetLastError(ERROR_DISK_FULL);
        return false;
      }
      p += written;
      n -= written;
    }
    return true;
  }

  bool Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) override {
    LARGE_INTEGER distance, result;
    distance.QuadPart = offset;
    if (!::SetFilePointerEx(handle_, distance, &result, static_cast<DWORD>(origin))) return false;
    *position = static_cast<std::uint64_t>(result.QuadPart);
    return true;
  }

  bool Close() override {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(handle) != FALSE;
  }

 private:
  HANDLE handle_;
};

class Win32FolderSearch : public FolderSearch {
 public:
  Win32FolderSearch(HANDLE handle, bool dotsOnly) : handle_(handle), dotsOnly_(dotsOnly) {}
  ~Win32FolderSearch() override {
    // FindClose would overwrite the last error that ended the listing.
    DWORD error = ::GetLastError();
    ::FindClose(handle_);
    ::SetLastError(error);
  }

  bool FindNext(FindData* data) override {
    WIN32_FIND_DATAA found;
    if (ended_ || !::FindNextFileA(handle_, &found)) return false;
    if (dotsOnly_ && !IsDotName(found.cFileName)) {
      ended_ = true;
      ::SetLastError(ERROR_NO_MORE_FILES);
      return false;
    }
    CopyFindData(found, data);
    return true;
  }

 private:
  HANDLE handle_;
  bool dotsOnly_;
  bool ended_ = false;
};

class Win32FileSystem : public FileSystem {
 public:
  std::unique_ptr<NativeFile> Open(const std::string& path, OpenMode mode) override {
    HANDLE handle =
        mode == OpenMode::kRead
            // Live INI files may be open in other programs; reading never blocks them.
            ? ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
            : ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(handle);
  }

  std::unique_ptr<FolderSearch> FindFirst(const std::string& pattern, FindData* data) override {
    WIN32_FIND_DATAA found;
    HANDLE handle = ::FindFirstFileA(pattern.c_str(), &found);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    bool dotsOnly = IsLinkedFolder(pattern);
    if (dotsOnly && !IsDotName(found.cFileName)) {
      ::FindClose(handle);
      ::SetLastError(ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
    CopyFindData(found, data);
    return std::make_unique<Win32FolderSearch>(handle, dotsOnly);
  }

  bool CreateFolder(const std::string& path) override {
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
  }

  bool CopyFile(const std::string& from, const std::string& to) override {
    return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
  }
};

}  // namespace

FileSystem& SystemFiles() {
  static Win32FileSystem files;
  return files;
}

}  // namespace platform
