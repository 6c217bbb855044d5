#include "platform/posix/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/last_error.h"
#include "platform/posix/prefix.h"
#include "platform/text.h"

namespace platform::posix {
namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kEpochDifference = 11644473600ULL;

FileTime ToFileTime(const timespec& time) {
  std::int64_t ticks = (static_cast<std::int64_t>(time.tv_sec) + static_cast<std::int64_t>(kEpochDifference)) * 10000000 +
                       time.tv_nsec / 100;
  if (ticks < 0) ticks = 0;  // before 1601: no FILETIME can say it
  std::uint64_t value = static_cast<std::uint64_t>(ticks);
  return {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
}

// The record of one entry, from the stat of what it names (links followed).
FindData Describe(const std::string& name, const struct stat& st, bool linkToFolder) {
  FindData data;
  std::memset(&data, 0, sizeof data);
  bool folder = S_ISDIR(st.st_mode);
  data.fileAttributes = folder ? kFileAttributeDirectory : kFileAttributeArchive;
  if (linkToFolder) data.fileAttributes |= kFileAttributeReparsePoint;
  if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) data.fileAttributes |= kFileAttributeReadOnly;
  if (name.size() > 1 && name[0] == '.' && name != "..") data.fileAttributes |= kFileAttributeHidden;
  data.creationTime = data.lastWriteTime = ToFileTime(st.st_mtim);
  data.lastAccessTime = ToFileTime(st.st_atim);
  if (!folder) {
    std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    data.fileSizeHigh = static_cast<std::uint32_t>(size >> 32);
    data.fileSizeLow = static_cast<std::uint32_t>(size);
  }
  std::size_t length = std::min(name.size(), sizeof data.fileName - 1);
  std::memcpy(data.fileName, name.data(), length);
  return data;
}

struct Entry {
  std::u16string key;  // the name upper-cased, for the order
  std::u16string exact;
  FindData data;
};

// "." and ".." first, then without regard to case, ties broken exactly.
bool ListedBefore(const Entry& a, const Entry& b) {
  bool dotA = a.exact == u"." || a.exact == u"..";
  bool dotB = b.exact == u"." || b.exact == u"..";
  if (dotA != dotB) return dotA;
  if (a.key != b.key) return a.key < b.key;
  return a.exact < b.exact;
}

std::u16string UpperCase(std::u16string text) {
  for (char16_t& unit : text) unit = ToUpper(unit);
  return text;
}

// Wildcards as FindFirstFileA knows them, compared without regard to case:
// "*" any run of units, "?" one unit; "*" and "*.*" match every name.
bool MatchesMask(std::u16string_view mask, std::u16string_view name) {
  std::size_t m = 0, n = 0, starM = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == u'?' || mask[m] == name[n])) {
      ++m;
      ++n;
    } else if (m < mask.size() && mask[m] == u'*') {
      starM = m++;
      starN = n;
    } else if (starM != std::u16string_view::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

class PrefixFolderSearch : public FolderSearch {
 public:
  explicit PrefixFolderSearch(std::vector<Entry> entries) : entries_(std::move(entries)) {}

  bool FindNext(FindData* data) override {
    if (next_ >= entries_.size()) {
      SetLastError(kErrorNoMoreFiles);
      return false;
    }
    *data = entries_[next_++].data;
    SetLastError(kErrorSuccess);
    return true;
  }

 private:
  std::vector<Entry> entries_;
  std::size_t next_ = 0;
};

void Add(std::vector<Entry>& entries, const std::string& hostName, const struct stat& st, bool linkToFolder) {
  std::string name = WindowsName(hostName);
  std::u16string exact = Utf8ToUtf16(name);
  entries.push_back({UpperCase(exact), exact, Describe(name, st, linkToFolder)});
}

}  // namespace

std::unique_ptr<FolderSearch> FindFirst(const std::string& pattern, FindData* data) {
  // No MAX_PATH here: a prefix on disk may hold folders deeper than a Windows
  // path can name, and what lies there must not be lost.
  std::size_t split = pattern.find_last_of("\\/");
  std::string folder = split == std::string::npos ? std::string() : pattern.substr(0, split + 1);
  std::string mask = split == std::string::npos ? pattern : pattern.substr(split + 1);
  if (folder.empty() && mask.size() >= 2 && mask[1] == ':') {  // "C:*.*"
    folder = mask.substr(0, 2);
    mask = mask.substr(2);
  }
  if (mask.empty()) {
    SetLastError(kErrorFileNotFound);
    return nullptr;
  }

  bool driveRoot = !folder.empty() && !DriveRootHostPath(folder).empty();
  // Host paths ("/tmp/x") are taken as written, so the separator goes first.
  if (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  std::string host = HostPath(folder);
  while (host.size() > 1 && host.back() == '/') host.pop_back();

  struct stat self;
  if (stat(host.c_str(), &self) != 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : ErrorFromErrno(errno, host));
    return nullptr;
  }
  if (!S_ISDIR(self.st_mode)) {
    SetLastError(kErrorDirectory);
    return nullptr;
  }
  // A link to a folder may lead anywhere (back up the tree, or to "/"), so
  // it is listed as an empty folder and its target is never walked.
  struct stat link;
  bool isLink = !driveRoot && lstat(host.c_str(), &link) == 0 && S_ISLNK(link.st_mode);

  std::vector<Entry> entries;
  if (!driveRoot) {
    struct stat parent;
    if (stat((host + "/..").c_str(), &parent) != 0) parent = self;
    Add(entries, ".", self, false);
    Add(entries, "..", parent, false);
  }
  if (!isLink) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(host.c_str()), closedir);
    if (!dir) {
      SetLastError(ErrorFromErrno(errno, host));
      return nullptr;
    }
    for (;;) {
      errno = 0;
      dirent* found = readdir(dir.get());
      if (!found) break;
      std::string name = found->d_name;
      if (name == "." || name == "..") continue;
      std::string path = host + "/" + name;
      struct stat st;
      if (lstat(path.c_str(), &st) != 0) continue;  // gone since it was read
      bool linkToFolder = false;
      if (S_ISLNK(st.st_mode)) {
        if (stat(path.c_str(), &st) != 0) continue;  // a dangling link is left out
        linkToFolder = S_ISDIR(st.st_mode);
      }
      Add(entries, name, st, linkToFolder);
    }
    if (errno != 0) {
      SetLastError(ErrorFromErrno(errno, host));
      return nullptr;
    }
  }

  std::u16string maskUnits = UpperCase(Utf8ToUtf16(mask));
  if (maskUnits != u"*" && maskUnits != u"*.*") {
    std::erase_if(entries, [&](const Entry& entry) { return !MatchesMask(maskUnits, entry.key); });
  }
  if (entries.empty()) {
    SetLastError(kErrorFileNotFound);
    return nullptr;
  }
  std::sort(entries.begin(), entries.end(), ListedBefore);
  auto search = std::make_unique<PrefixFolderSearch>(std::move(entries));
  search->FindNext(data);
  return search;
}

}  // namespace platform::posix
