#include "platform/file_system.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

using win32::ToUtf8;
using win32::Wide;

// The find-data record is laid out as WIN32_FIND_DATAA, stored whole in
// snapshots; the wide record has the same fields before the names.
static_assert(offsetof(WIN32_FIND_DATAW, ftLastWriteTime) == offsetof(FindData, lastWriteTime));
static_assert(offsetof(WIN32_FIND_DATAW, nFileSizeLow) == offsetof(FindData, fileSizeLow));
static_assert(offsetof(WIN32_FIND_DATAW, cFileName) == offsetof(FindData, fileName));

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Whether `path`, from `start` on, is names joined by single backslashes (a
// trailing one allowed), none of them "." or "..": the form that a path with
// the \\?\ prefix must have, since the system takes it as it stands.
bool IsPlain(const std::u16string& path, std::size_t start) {
  for (std::size_t at = start; at < path.size();) {
    std::size_t end = path.find(u'\\', at);
    if (end == std::u16string::npos) end = path.size();
    std::u16string_view name(path.data() + at, end - at);
    if (name.empty() || name.find(u'/') != name.npos || name == u"." || name == u"..") return false;
    at = end + 1;
  }
  return true;
}

// A path as the wide file functions take it. An absolute path takes the
// \\?\ form, in which the system sets no limit of 260 characters; one that
// would need the system to tidy it first (slashes, "." or "..", doubled
// backslashes) is passed as it is.
std::u16string WidePath(const std::string& path) {
  std::u16string wide = Utf8ToUtf16(path);
  auto letter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
  if (wide.size() >= 3 && letter(wide[0]) && wide[1] == u':' && wide[2] == u'\\' && IsPlain(wide, 3))
    return u"\\\\?\\" + wide;
  // \\server\share\...; not \\?\ or \\.\, which are in their final form already.
  if (wide.size() >= 3 && wide[0] == u'\\' && wide[1] == u'\\' && wide[2] != u'?' && wide[2] != u'.' &&
      !IsSeparator(wide[2]) && IsPlain(wide, 2))
    return u"\\\\?\\UNC\\" + wide.substr(2);
  return wide;
}

// The record of an entry: the fields as the system gives them, the names in
// UTF-8, cut to their fields as the Linux build cuts them, the rest zeros.
void CopyFindData(const WIN32_FIND_DATAW& from, FindData* to) {
  static thread_local std::string name;
  std::memset(to, 0, sizeof *to);
  std::memcpy(to, &from, offsetof(FindData, fileName));
  ToUtf8(from.cFileName, wcsnlen(from.cFileName, MAX_PATH), name);
  std::memcpy(to->fileName, name.data(), std::min(name.size(), sizeof to->fileName - 1));
  ToUtf8(from.cAlternateFileName, wcsnlen(from.cAlternateFileName, 14), name);
  std::memcpy(to->alternateFileName, name.data(), std::min(name.size(), sizeof to->alternateFileName - 1));
}

bool IsDotName(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

// A folder that is a link or a junction (a reparse point) is listed as an
// empty folder, as the Linux build lists links to folders: what it leads to
// may lie anywhere, back up the tree or across the whole file system.
bool IsLinkedFolder(const std::string& pattern) {
  std::size_t split = pattern.find_last_of("\\/");
  if (split == std::string::npos || split == 0 || pattern[split - 1] == ':') return false;
  DWORD attributes = ::GetFileAttributesW(Wide(WidePath(pattern.substr(0, split))));
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
    WIN32_FIND_DATAW found;
    if (ended_ || !::FindNextFileW(handle_, &found)) return false;
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
            ? ::CreateFileW(Wide(WidePath(path)), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
            : ::CreateFileW(Wide(WidePath(path)), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(handle);
  }

  std::unique_ptr<FolderSearch> FindFirst(const std::string& pattern, FindData* data) override {
    WIN32_FIND_DATAW found;
    HANDLE handle = ::FindFirstFileW(Wide(WidePath(pattern)), &found);
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
    return ::CreateDirectoryW(Wide(WidePath(path)), nullptr) != FALSE;
  }

  bool CopyFile(const std::string& from, const std::string& to) override {
    return ::CopyFileW(Wide(WidePath(from)), Wide(WidePath(to)), FALSE) != FALSE;
  }

  bool FolderExists(const std::string& path) override {
    DWORD attributes = ::GetFileAttributesW(Wide(WidePath(path)));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool DeleteFile(const std::string& path) override { return ::DeleteFileW(Wide(WidePath(path))) != FALSE; }
};

}  // namespace

FileSystem& SystemFiles() {
  static Win32FileSystem files;
  return files;
}

}  // namespace platform
