#include "test/memory_files.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "platform/last_error.h"

namespace test {
namespace {

// The map key of a path: lower case, no trailing backslash.
std::string KeyOf(const std::string& path) {
  std::string key = path;
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  while (key.size() > 1 && key.back() == '\\') key.pop_back();
  return key;
}

// The key of the folder that holds `key`; empty for a drive.
std::string ParentOf(const std::string& key) {
  std::size_t slash = key.rfind('\\');
  return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

template <typename Map>
auto FaultOf(const Map& faults, const std::string& key) {
  auto it = faults.find(key);
  return it == faults.end() ? std::nullopt : std::optional(it->second);
}

bool Fail(std::uint32_t error) {
  platform::SetLastError(error);
  return false;
}
std::nullptr_t Failed(std::uint32_t error) {
  platform::SetLastError(error);
  return nullptr;
}

// Hands out entries until `left` are gone or `next` has none, then fails with `error`.
class Search : public platform::FolderSearch {
 public:
  Search(std::function<bool(platform::FindData*)> next, std::size_t left, std::uint32_t error)
      : next_(std::move(next)), left_(left), error_(error) {}
  bool FindNext(platform::FindData* data) override {
    if (left_ == 0 || !next_(data)) return Fail(error_);
    --left_;
    return true;
  }

 private:
  std::function<bool(platform::FindData*)> next_;
  std::size_t left_;
  std::uint32_t error_;
};

}  // namespace

class MemoryFiles::MemoryFile : public platform::NativeFile {
 public:
  MemoryFile(std::shared_ptr<std::string> content, std::optional<Fault> write, std::optional<Fault> read,
             std::uint32_t readLimit)
      : content_(std::move(content)), write_(write), read_(read), readLimit_(readLimit) {}

  bool Read(void* buffer, std::uint32_t n, std::uint32_t* got) override {
    *got = 0;
    if (read_ && position_ + n > read_->at) {
      // Hand out what lies before the fault; the read that reaches it fails.
      if (position_ >= read_->at) return Fail(read_->error);
      n = static_cast<std::uint32_t>(read_->at - position_);
    }
    if (readLimit_ != 0) n = std::min(n, readLimit_);
    if (position_ >= content_->size()) return true;
    *got = static_cast<std::uint32_t>(std::min<std::uint64_t>(n, content_->size() - position_));
    std::memcpy(buffer, content_->data() + position_, *got);
    position_ += *got;
    return true;
  }

  bool Write(const void* buffer, std::uint32_t n) override {
    if (write_ && position_ + n > write_->at) return Fail(write_->error);
    if (content_->size() < position_ + n) content_->resize(position_ + n);
    std::memcpy(content_->data() + position_, buffer, n);
    position_ += n;
    return true;
  }

  bool Seek(std::int64_t offset, platform::SeekOrigin origin, std::uint64_t* position) override {
    std::int64_t base = origin == platform::SeekOrigin::kBegin     ? 0
                        : origin == platform::SeekOrigin::kCurrent ? static_cast<std::int64_t>(position_)
                                                                   : static_cast<std::int64_t>(content_->size());
    if (base + offset < 0) return Fail(platform::kErrorNegativeSeek);
    *position = position_ = static_cast<std::uint64_t>(base + offset);
    return true;
  }

  bool Close() override { return true; }

 private:
  std::shared_ptr<std::string> content_;
  std::optional<Fault> write_, read_;
  std::uint32_t readLimit_;
  std::uint64_t position_ = 0;
};

MemoryFiles::MemoryFiles(platform::FileSystem* disk) : disk_(disk) { platform::SetFiles(this); }
MemoryFiles::~MemoryFiles() { platform::SetFiles(nullptr); }

MemoryFiles::Node* MemoryFiles::Find(const std::string& path) const {
  auto it = nodes_.find(KeyOf(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

void MemoryFiles::AddFolder(const std::string& path) {
  std::string key = KeyOf(path);
  if (key.empty() || nodes_.count(key)) return;
  if (std::string parent = ParentOf(key); !parent.empty()) AddFolder(path.substr(0, parent.size()));
  nodes_[key] = {path.substr(0, key.size()), true, nullptr, ++clock_};
}

void MemoryFiles::Put(const std::string& path, const std::string& content) {
  std::string key = KeyOf(path);
  if (std::string parent = ParentOf(key); !parent.empty()) AddFolder(path.substr(0, parent.size()));
  Node& node = nodes_[key];
  if (node.path.empty()) node.path = path;
  node.folder = false;
  node.content = std::make_shared<std::string>(content);
  node.writeTime = ++clock_;
}

std::optional<std::string> MemoryFiles::Get(const std::string& path) const {
  const Node* node = Find(path);
  if (!node || node->folder) return std::nullopt;
  return *node->content;
}

void MemoryFiles::Remove(const std::string& path) {
  std::string key = KeyOf(path), below = key + "\\";
  nodes_.erase(key);
  for (auto it = nodes_.lower_bound(below); it != nodes_.end() && it->first.starts_with(below);)
    it = nodes_.erase(it);
}

void MemoryFiles::FailWritesAfter(const std::string& path, std::uint64_t bytes, std::uint32_t error) {
  writeFaults_[KeyOf(path)] = {bytes, error};
}

void MemoryFiles::FailReadsAt(const std::string& path, std::uint64_t offset, std::uint32_t error) {
  readFaults_[KeyOf(path)] = {offset, error};
}

void MemoryFiles::FailListing(const std::string& folder, std::uint32_t error, std::size_t entries) {
  listingFaults_[KeyOf(folder)] = {entries, error};
}

std::unique_ptr<platform::NativeFile> MemoryFiles::Open(const std::string& path, platform::OpenMode mode) {
  if (disk_) return disk_->Open(path, mode);
  std::string key = KeyOf(path);
  Node* node = Find(key);
  const Node* folder = Find(ParentOf(key));
  bool inFolder = folder && folder->folder;
  if (node && node->folder) return Failed(platform::kErrorAccessDenied);
  if (mode == platform::OpenMode::kRead && !node)
    return Failed(inFolder ? platform::kErrorFileNotFound : platform::kErrorPathNotFound);
  if (!node) {
    if (!inFolder) return Failed(platform::kErrorPathNotFound);
    node = &nodes_[key];
    node->path = path;
  }
  if (mode != platform::OpenMode::kRead) {
    node->content = std::make_shared<std::string>();
    node->writeTime = ++clock_;
  }
  return std::make_unique<MemoryFile>(node->content, FaultOf(writeFaults_, key), FaultOf(readFaults_, key),
                                      readLimit_);
}

std::unique_ptr<platform::FolderSearch> MemoryFiles::FindFirst(const std::string& pattern, platform::FindData* data) {
  std::string key = KeyOf(pattern);
  std::size_t slash = key.rfind('\\');
  std::string folderKey = slash == std::string::npos ? std::string() : key.substr(0, slash);
  std::optional<Fault> fault = FaultOf(listingFaults_, folderKey);
  if (fault && fault->at == 0) return Failed(fault->error);
  if (!disk_ && key.substr(slash + 1) != "*.*") return Failed(platform::kErrorPathNotFound);
  std::unique_ptr<platform::FolderSearch> search = disk_ ? disk_->FindFirst(pattern, data) : List(folderKey, data);
  if (!search || !fault) return search;
  auto real = std::shared_ptr<platform::FolderSearch>(std::move(search));
  return std::make_unique<Search>([real](platform::FindData* next) { return real->FindNext(next); },
                                  fault->at - 1, fault->error);
}

std::unique_ptr<platform::FolderSearch> MemoryFiles::List(const std::string& folderKey,
                                                         platform::FindData* data) const {
  const Node* folder = Find(folderKey);
  if (!folder || !folder->folder) return Failed(platform::kErrorPathNotFound);
  auto entries = std::make_shared<std::vector<platform::FindData>>();
  auto add = [&](const std::string& name, const Node& node) {
    platform::FindData entry{};
    entry.fileAttributes = node.folder ? platform::kFileAttributeDirectory : platform::kFileAttributeArchive;
    for (platform::FileTime* time : {&entry.creationTime, &entry.lastAccessTime, &entry.lastWriteTime})
      *time = {static_cast<std::uint32_t>(node.writeTime), static_cast<std::uint32_t>(node.writeTime >> 32)};
    if (!node.folder) {
      entry.fileSizeLow = static_cast<std::uint32_t>(node.content->size());
      entry.fileSizeHigh = static_cast<std::uint32_t>(static_cast<std::uint64_t>(node.content->size()) >> 32);
    }
    std::strncpy(entry.fileName, name.c_str(), sizeof entry.fileName - 1);
    entries->push_back(entry);
  };
  if (folderKey.find('\\') != std::string::npos) {  // a drive's root has no "." and ".."
    add(".", *folder);
    add("..", *folder);
  }
  std::string below = folderKey + "\\";
  for (auto it = nodes_.lower_bound(below); it != nodes_.end() && it->first.starts_with(below); ++it)
    if (it->first.find('\\', below.size()) == std::string::npos)
      add(it->second.path.substr(it->second.path.rfind('\\') + 1), it->second);
  if (entries->empty()) return Failed(platform::kErrorFileNotFound);
  *data = entries->front();
  std::size_t next = 1;
  return std::make_unique<Search>(
      [entries, next](platform::FindData* out) mutable {
        return next < entries->size() && (*out = (*entries)[next++], true);
      },
      std::numeric_limits<std::size_t>::max(), platform::kErrorNoMoreFiles);
}

bool MemoryFiles::CreateFolder(const std::string& path) {
  if (disk_) return disk_->CreateFolder(path);
  std::string key = KeyOf(path), parentKey = ParentOf(key);
  if (Find(key)) return Fail(platform::kErrorAlreadyExists);
  const Node* parent = Find(parentKey);
  if (!parentKey.empty() && (!parent || !parent->folder)) return Fail(platform::kErrorPathNotFound);
  AddFolder(path);
  return true;
}

bool MemoryFiles::CopyFile(const std::string& from, const std::string& to) {
  if (disk_) return disk_->CopyFile(from, to);
  std::unique_ptr<platform::NativeFile> source = Open(from, platform::OpenMode::kRead);
  std::unique_ptr<platform::NativeFile> target = source ? Open(to, platform::OpenMode::kCreateWrite) : nullptr;
  if (!target) return false;
  std::string content = *Find(from)->content;
  return target->Write(content.data(), static_cast<std::uint32_t>(content.size()));
}

}  // namespace test
