#include "platform/posix/prefix.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/last_error.h"
#include "platform/text.h"

namespace platform::posix {

std::string PrefixFolder() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.wine";
}

bool IsPrefix32Bit() {
  // Wine writes its options in the few lines before the first key.
  std::ifstream file(PrefixFolder() + "/system.reg", std::ios::binary);
  std::string head(4096, '\0');
  file.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(file.gcount()));
  for (std::size_t start = 0; start < head.size() && head[start] != '[';) {
    std::size_t end = std::min(head.find('\n', start), head.size());
    std::string_view line(head.data() + start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.starts_with("#arch=")) return line == "#arch=win32";
    start = end + 1;
  }
  return false;
}

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` without regard to case.
std::string FindNoCase(const std::string& folder, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()), closedir);
  if (!dir) return {};
  while (dirent* entry = readdir(dir.get())) {
    if (EqualNoCase(entry->d_name, name)) return entry->d_name;
  }
  return {};
}

}  // namespace

namespace {
// U+F05C in UTF-8: where Wine puts a host name's backslash.
constexpr std::string_view kBackslashStandIn = "\xef\x81\x9c";

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}
}  // namespace

std::string WindowsName(const std::string& hostName) { return Replace(hostName, "\\", kBackslashStandIn); }

std::string HostPath(const std::string& windowsPath) {
  std::string base;
  std::size_t start = 0;
  if (!windowsPath.empty() && windowsPath[0] == '/') return windowsPath;
  if (windowsPath.size() >= 2 && windowsPath[1] == ':' &&
      ((windowsPath[0] | 0x20) >= 'a' && (windowsPath[0] | 0x20) <= 'z')) {
    base = PrefixFolder() + "/dosdevices/" + static_cast<char>(windowsPath[0] | 0x20) + ":";
    start = 2;
  } else if (!windowsPath.empty() && windowsPath[0] == '\\') {
    base = PrefixFolder() + "/dosdevices/c:";
  }
  std::vector<std::string> components;
  while (start <= windowsPath.size()) {
    std::size_t stop = windowsPath.find_first_of("\\/", start);
    if (stop == std::string::npos) stop = windowsPath.size();
    std::string component = Replace(windowsPath.substr(start, stop - start), kBackslashStandIn, "\\");
    start = stop + 1;
    if (!component.empty()) components.push_back(std::move(component));
  }
  auto join = [](const std::string& path, const std::string& component) {
    return path.empty() ? component : path + "/" + component;
  };
  // Most paths name what is on disk exactly: one look settles them, where
  // matching level by level would look at every level, every time.
  std::string path = base;
  for (const std::string& component : components) {
    if (!path.empty()) path += '/';
    path += component;
  }
  if (components.empty() || !Exists(path)) {
    bool found = true;
    path = base;
    for (const std::string& component : components) {
      std::string candidate = join(path, component);
      if (found && component != "." && component != ".." && !Exists(candidate)) {
        std::string actual = FindNoCase(path, component);
        if (actual.empty()) {
          found = false;
        } else {
          candidate = join(path, actual);
        }
      }
      path = candidate;
    }
  }
  if (path.empty()) return base.empty() ? "." : base;
  if (!base.empty() && path == base) return base + "/";
  return path;
}

std::string DriveRootHostPath(const std::string& windowsPath) {
  bool driveRoot = windowsPath.size() >= 2 && windowsPath[1] == ':' &&
                   (windowsPath.size() == 2 || windowsPath.find_first_not_of("\\/", 2) == std::string::npos);
  bool currentRoot = !windowsPath.empty() && windowsPath.find_first_not_of("\\/") == std::string::npos &&
                     windowsPath[0] == '\\';
  if (!driveRoot && !currentRoot) return {};
  return HostPath(windowsPath);
}

unsigned ErrorFromErrno(int error, const std::string& hostPath) {
  switch (error) {
    case 0: return kErrorSuccess;
    case ENOENT: {
      std::size_t slash = hostPath.find_last_of('/');
      if (slash == std::string::npos || slash == 0) return kErrorFileNotFound;
      struct stat st;
      std::string parent = hostPath.substr(0, slash);
      return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? kErrorFileNotFound
                                                                  : kErrorPathNotFound;
    }
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    case EROFS: return kErrorWriteProtect;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case EEXIST: return kErrorAlreadyExists;
    case EINVAL: return kErrorInvalidParameter;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EBADF: return kErrorInvalidHandle;
    case ELOOP: return kErrorBadPathname;
    case EBUSY:
    case ETXTBSY: return kErrorSharingViolation;
    case EIO: return kErrorIoDevice;
    default: return kErrorIoDevice;
  }
}

}  // namespace platform::posix
