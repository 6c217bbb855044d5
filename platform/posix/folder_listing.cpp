#include "platform/posix/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
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

// The entries of one folder and the order they are handed out in. A folder
// may hold a hundred thousand entries, so each keeps only what its find-data
// record is made from, and the names and sort keys lie in shared strings.
// A sort key is the name upper-cased, a zero unit, then the name as it is,
// every UTF-16 unit as two bytes high byte first: comparing keys byte by
// byte orders by the upper-cased names and breaks ties exactly, as Wine
// compares the units. No name holds a zero unit, so a name comes before the
// longer names it begins.
class Listing {
 public:
  /// Adds the entry `name`, described by the stat of what it names (links
  /// followed).
  void Add(const std::string& name, const struct stat& st, bool linkToFolder) {
    Entry entry;
    bool folder = S_ISDIR(st.st_mode);
    entry.attributes = folder ? kFileAttributeDirectory : kFileAttributeArchive;
    if (linkToFolder) entry.attributes |= kFileAttributeReparsePoint;
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) entry.attributes |= kFileAttributeReadOnly;
    if (name.size() > 1 && name[0] == '.' && name != "..") entry.attributes |= kFileAttributeHidden;
    entry.written = ToFileTime(st.st_mtim);
    entry.accessed = ToFileTime(st.st_atim);
    entry.size = folder ? 0 : static_cast<std::uint64_t>(st.st_size);
    entry.nameAt = names_.size();
    entry.nameLength = name.size();
    names_ += name;
    entry.keyAt = keys_.size();
    AppendKey(name);
    entry.keyLength = keys_.size() - entry.keyAt;
    entries_.push_back(entry);
  }

  /// The upper-cased name of an entry, for matching a mask.
  std::u16string UpperName(std::size_t i) const {
    std::u16string name;
    for (std::size_t at = entries_[i].keyAt;; at += 2) {
      char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(keys_[at]) << 8 |
                                            static_cast<unsigned char>(keys_[at + 1]));
      if (unit == 0) return name;
      name += unit;
    }
  }

  /// Keeps the entries for which keep(i) holds.
  template <typename Keep>
  void Filter(Keep keep) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i)
      if (keep(i)) entries_[kept++] = entries_[i];
    entries_.resize(kept);
  }

  /// Sorts the entries from `first` on ("." and ".." stay ahead of the rest).
  void Sort(std::size_t first) {
    first = std::min(first, entries_.size());
    std::sort(entries_.begin() + static_cast<std::ptrdiff_t>(first), entries_.end(),
              [this](const Entry& a, const Entry& b) {
                int order = std::memcmp(keys_.data() + a.keyAt, keys_.data() + b.keyAt,
                                        std::min(a.keyLength, b.keyLength));
                return order != 0 ? order < 0 : a.keyLength < b.keyLength;
              });
  }

  std::size_t Size() const { return entries_.size(); }

  /// The find-data record of entry i.
  void Fill(std::size_t i, FindData* data) const {
    const Entry& entry = entries_[i];
    std::memset(data, 0, sizeof *data);
    data->fileAttributes = entry.attributes;
    data->creationTime = data->lastWriteTime = entry.written;
    data->lastAccessTime = entry.accessed;
    data->fileSizeHigh = static_cast<std::uint32_t>(entry.size >> 32);
    data->fileSizeLow = static_cast<std::uint32_t>(entry.size);
    std::size_t length = std::min(entry.nameLength, sizeof data->fileName - 1);
    std::memcpy(data->fileName, names_.data() + entry.nameAt, length);
  }

 private:
  struct Entry {
    std::uint32_t attributes = 0;
    FileTime written{}, accessed{};
    std::uint64_t size = 0;
    std::size_t nameAt = 0, nameLength = 0;  // in names_
    std::size_t keyAt = 0, keyLength = 0;    // in keys_
  };

  void AppendKey(const std::string& name) {
    bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; });
    std::u16string units;
    if (!ascii) units = Utf8ToUtf16(name);
    std::size_t length = ascii ? name.size() : units.size();
    std::size_t at = keys_.size();
    keys_.resize(at + 4 * length + 2);
    char* out = keys_.data() + at;
    auto put = [&out](char16_t unit) {
      *out++ = static_cast<char>(unit >> 8);
      *out++ = static_cast<char>(unit & 0xFF);
    };
    if (ascii) {
      for (char c : name) put(static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 32 : c));
      put(0);
      for (char c : name) put(static_cast<char16_t>(c));
    } else {
      for (char16_t unit : units) put(ToUpper(unit));
      put(0);
      for (char16_t unit : units) put(unit);
    }
  }

  std::vector<Entry> entries_;
  std::string names_;
  std::string keys_;
};

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
  explicit PrefixFolderSearch(Listing listing) : listing_(std::move(listing)) {}

  bool FindNext(FindData* data) override {
    if (next_ >= listing_.Size()) {
      SetLastError(kErrorNoMoreFiles);
      return false;
    }
    listing_.Fill(next_++, data);
    SetLastError(kErrorSuccess);
    return true;
  }

 private:
  Listing listing_;
  std::size_t next_ = 0;
};

void Add(Listing& listing, const std::string& hostName, const struct stat& st, bool linkToFolder) {
  // A backslash in a host name shows as U+F05C; other names need no copy.
  if (hostName.find('\\') != std::string::npos) return Add(listing, WindowsName(hostName), st, linkToFolder);
  listing.Add(hostName, st, linkToFolder);
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

  Listing entries;
  std::size_t dotEntries = 0;
  if (!driveRoot) {
    struct stat parent;
    if (stat((host + "/..").c_str(), &parent) != 0) parent = self;
    Add(entries, ".", self, false);
    Add(entries, "..", parent, false);
    dotEntries = 2;
  }
  if (!isLink) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(host.c_str()), closedir);
    if (!dir) {
      SetLastError(ErrorFromErrno(errno, host));
      return nullptr;
    }
    int folderFd = dirfd(dir.get());
    for (;;) {
      errno = 0;
      dirent* found = readdir(dir.get());
      if (!found) break;
      std::string name = found->d_name;
      if (name == "." || name == "..") continue;
      // Relative to the open folder: the system need not walk the whole path
      // again for every entry.
      struct stat st;
      if (fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone since it was read
      bool linkToFolder = false;
      if (S_ISLNK(st.st_mode)) {
        if (fstatat(folderFd, name.c_str(), &st, 0) != 0) continue;  // a dangling link is left out
        linkToFolder = S_ISDIR(st.st_mode);
      }
      Add(entries, name, st, linkToFolder);
    }
    if (errno != 0) {
      SetLastError(ErrorFromErrno(errno, host));
      return nullptr;
    }
  }

  std::u16string maskUnits = Utf8ToUtf16(mask);
  for (char16_t& unit : maskUnits) unit = ToUpper(unit);
  if (maskUnits != u"*" && maskUnits != u"*.*") {
    std::size_t keptDots = 0;
    entries.Filter([&](std::size_t i) {
      bool keep = MatchesMask(maskUnits, entries.UpperName(i));
      if (keep && i < dotEntries) ++keptDots;
      return keep;
    });
    dotEntries = keptDots;
  }
  if (entries.Size() == 0) {
    SetLastError(kErrorFileNotFound);
    return nullptr;
  }
  entries.Sort(dotEntries);
  auto search = std::make_unique<PrefixFolderSearch>(std::move(entries));
  search->FindNext(data);
  return search;
}

}  // namespace platform::posix
