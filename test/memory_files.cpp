#include "test/memory_files.h"

#include <algorithm>
#include <cstring>

#include "platform/last_error.h"

namespace test {
namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The map key of a path: lower case, no trailing backslash.
std::string KeyOf(const std::string& path) {
  std::string key = Lower(path);
  while (key.size() > 1 && key.back() == '\\') key.pop_back();
  return key;
}

std::string NameOf(const std::string& path) {
  std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void FillTime(platform::FileTime& time, std::uint64_t value) {
  time.lowDateTime = static_cast<std::uint32_t>(value);
  time.highDateTime = static_cast<std::uint32_t>(value >> 32);
}

}  // namespace

class MemoryFiles::MemoryFile : public platform::NativeFile {
 public:
  MemoryFile(std::shared_ptr<std::string> content, Faults faults, std::uint32_t readLimit)
      : content_(std::move(content)), faults_(std::move(faults)), readLimit_(readLimit) {}

  bool Read(void* buffer, std::uint32_t n, std::uint32_t* got) override {
    *got = 0;
    if (faults_.readFailure && position_ + n > faults_.readFailure->first) {
      // Hand out what lies before the fault; the read that reaches it fails.
      if (position_ >= faults_.readFailure->first) {
        platform::SetLastError(faults_.readFailure->second);
        return false;
      }
      n = static_cast<std::uint32_t>(faults_.readFailure->first - position_);
    }
    if (readLimit_ != 0) n = std::min(n, readLimit_);
    if (position_ >= content_->size()) return true;
    *got = static_cast<std::uint32_t>(std::min<std::uint64_t>(n, content_->size() - position_));
    std::memcpy(buffer, content_->data() + position_, *got);
    position_ += *got;
    return true;
  }

  bool Write(const void* buffer, std::uint32_t n) override {
    if (faults_.writeLimit && position_ + n > faults_.writeLimit->first) {
      platform::SetLastError(faults_.writeLimit->second);
      return false;
    }
    std::uint64_t kept = n;
    if (faults_.keep) kept = position_ >= *faults_.keep ? 0 : std::min<std::uint64_t>(n, *faults_.keep - position_);
    if (kept != 0) {
      if (content_->size() < position_ + kept) content_->resize(position_ + kept);
      std::memcpy(content_->data() + position_, buffer, kept);
    }
    position_ += n;
    length_ = std::max(length_, position_);
    return true;
  }

  bool Seek(std::int64_t offset, platform::SeekOrigin origin, std::uint64_t* position) override {
    std::int64_t base = 0;
    if (origin == platform::SeekOrigin::kCurrent) base = static_cast<std::int64_t>(position_);
    if (origin == platform::SeekOrigin::kEnd)
      base = static_cast<std::int64_t>(std::max<std::uint64_t>(length_, content_->size()));
    if (base + offset < 0) {
      platform::SetLastError(platform::kErrorNegativeSeek);
      return false;
    }
    position_ = static_cast<std::uint64_t>(base + offset);
    *position = position_;
    return true;
  }

  bool Close() override { return true; }

 private:
  std::shared_ptr<std::string> content_;
  Faults faults_;
  std::uint32_t readLimit_;
  std::uint64_t position_ = 0;
  std::uint64_t length_ = 0;  // what was written, kept or not
};

class MemoryFiles::MemorySearch : public platform::FolderSearch {
 public:
  explicit MemorySearch(std::vector<platform::FindData> entries) : entries_(std::move(entries)) {}

  bool FindNext(platform::FindData* data) override {
    if (next_ >= entries_.size()) {
      platform::SetLastError(platform::kErrorNoMoreFiles);
      return false;
    }
    *data = entries_[next_++];
    return true;
  }

 private:
  std::vector<platform::FindData> entries_;
  std::size_t next_ = 0;
};

namespace {

// Hands out a listing's next `left` entries, then fails with `error`.
class BrokenSearch : public platform::FolderSearch {
 public:
  BrokenSearch(std::unique_ptr<platform::FolderSearch> real, std::size_t left, std::uint32_t error)
      : real_(std::move(real)), left_(left), error_(error) {}

  bool FindNext(platform::FindData* data) override {
    if (left_ != 0 && real_->FindNext(data)) {
      --left_;
      return true;
    }
    platform::SetLastError(error_);
    return false;
  }

 private:
  std::unique_ptr<platform::FolderSearch> real_;
  std::size_t left_;
  std::uint32_t error_;
};

}  // namespace

MemoryFiles::MemoryFiles(platform::FileSystem* disk) : disk_(disk) { platform::SetFiles(this); }
MemoryFiles::~MemoryFiles() { platform::SetFiles(nullptr); }

MemoryFiles::Node* MemoryFiles::Find(const std::string& path) {
  auto it = nodes_.find(KeyOf(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

const MemoryFiles::Node* MemoryFiles::Find(const std::string& path) const {
  auto it = nodes_.find(KeyOf(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

// The key of the folder that holds `key`; empty for a drive.
std::string MemoryFiles::Parent(const std::string& key) const {
  std::size_t slash = key.rfind('\\');
  return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

void MemoryFiles::AddFolder(const std::string& path) {
  std::string key = KeyOf(path);
  if (key.empty() || nodes_.count(key)) return;
  std::string parent = Parent(key);
  if (!parent.empty()) AddFolder(path.substr(0, parent.size()));
  Node node;
  node.path = path.substr(0, key.size());
  node.folder = true;
  node.writeTime = ++clock_;
  nodes_[key] = node;
}

void MemoryFiles::Put(const std::string& path, const std::string& content) {
  std::string key = KeyOf(path);
  std::string parent = Parent(key);
  if (!parent.empty()) AddFolder(path.substr(0, parent.size()));
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
  std::string key = KeyOf(path);
  nodes_.erase(key);
  std::string below = key + "\\";
  for (auto it = nodes_.lower_bound(below); it != nodes_.end() && it->first.starts_with(below);)
    it = nodes_.erase(it);
}

bool MemoryFiles::Exists(const std::string& path) const { return Find(path) != nullptr; }

std::vector<std::string> MemoryFiles::FilePaths() const {
  std::vector<std::string> paths;
  for (const auto& [key, node] : nodes_)
    if (!node.folder) paths.push_back(node.path);
  return paths;
}

void MemoryFiles::FailOpen(const std::string& path, std::uint32_t error) {
  faults_[KeyOf(path)].openError = error;
}

void MemoryFiles::FailWritesAfter(const std::string& path, std::uint64_t bytes, std::uint32_t error) {
  faults_[KeyOf(path)].writeLimit = std::make_pair(bytes, error);
}

void MemoryFiles::FailReadsAt(const std::string& path, std::uint64_t offset, std::uint32_t error) {
  faults_[KeyOf(path)].readFailure = std::make_pair(offset, error);
}

void MemoryFiles::KeepOnly(const std::string& path, std::uint64_t bytes) { faults_[KeyOf(path)].keep = bytes; }

void MemoryFiles::FailListing(const std::string& folder, std::uint32_t error, std::size_t entries) {
  listingFaults_[KeyOf(folder)] = {entries, error};
}

std::unique_ptr<platform::NativeFile> MemoryFiles::Open(const std::string& path, platform::OpenMode mode) {
  if (disk_) return disk_->Open(path, mode);
  std::string key = KeyOf(path);
  Faults faults;
  if (auto it = faults_.find(key); it != faults_.end()) faults = it->second;
  if (faults.openError) {
    platform::SetLastError(*faults.openError);
    return nullptr;
  }
  Node* node = Find(path);
  if (mode == platform::OpenMode::kRead) {
    if (!node) {
      const Node* folder = Find(Parent(key));
      platform::SetLastError(folder && folder->folder ? platform::kErrorFileNotFound : platform::kErrorPathNotFound);
      return nullptr;
    }
    if (node->folder) {
      platform::SetLastError(platform::kErrorAccessDenied);
      return nullptr;
    }
    return std::make_unique<MemoryFile>(node->content, faults, readLimit_);
  }
  if (node && node->folder) {
    platform::SetLastError(platform::kErrorAccessDenied);
    return nullptr;
  }
  if (!node) {
    const Node* folder = Find(Parent(key));
    if (!folder || !folder->folder) {
      platform::SetLastError(platform::kErrorPathNotFound);
      return nullptr;
    }
    node = &nodes_[key];
    node->path = path;
  }
  node->content = std::make_shared<std::string>();
  node->writeTime = ++clock_;
  return std::make_unique<MemoryFile>(node->content, faults, readLimit_);
}

std::unique_ptr<platform::FolderSearch> MemoryFiles::FindFirst(const std::string& pattern, platform::FindData* data) {
  std::string key = KeyOf(pattern);
  std::size_t slash = key.rfind('\\');
  std::string folderKey = slash == std::string::npos ? std::string() : key.substr(0, slash);
  if (listingHook_) listingHook_(pattern.substr(0, folderKey.size()));
  auto fault = listingFaults_.find(folderKey);
  if (fault != listingFaults_.end() && fault->second.first == 0) {
    platform::SetLastError(fault->second.second);
    return nullptr;
  }
  std::unique_ptr<platform::FolderSearch> search =
      disk_ ? disk_->FindFirst(pattern, data) : List(folderKey, key.substr(slash + 1), data);
  if (!search || fault == listingFaults_.end()) return search;
  return std::make_unique<BrokenSearch>(std::move(search), fault->second.first - 1, fault->second.second);
}

std::unique_ptr<platform::FolderSearch> MemoryFiles::List(const std::string& folderKey, const std::string& wildcard,
                                                          platform::FindData* data) {
  const Node* folder = Find(folderKey);
  if (!folder || !folder->folder || wildcard != "*.*") {
    platform::SetLastError(platform::kErrorPathNotFound);
    return nullptr;
  }
  std::vector<platform::FindData> entries;
  auto add = [&](const std::string& name, const Node& node) {
    platform::FindData entry{};
    entry.fileAttributes = node.folder ? platform::kFileAttributeDirectory : platform::kFileAttributeArchive;
    FillTime(entry.creationTime, node.writeTime);
    FillTime(entry.lastAccessTime, node.writeTime);
    FillTime(entry.lastWriteTime, node.writeTime);
    if (!node.folder) {
      entry.fileSizeLow = static_cast<std::uint32_t>(node.content->size());
      entry.fileSizeHigh = static_cast<std::uint32_t>(static_cast<std::uint64_t>(node.content->size()) >> 32);
    }
    std::strncpy(entry.fileName, name.c_str(), sizeof entry.fileName - 1);
    entries.push_back(entry);
  };
  if (folderKey.find('\\') != std::string::npos) {  // a drive's root has no "." and ".."
    add(".", *folder);
    add("..", *folder);
  }
  std::string below = folderKey + "\\";
  for (auto it = nodes_.lower_bound(below); it != nodes_.end() && it->first.starts_with(below); ++it)
    if (it->first.find('\\', below.size()) == std::string::npos) add(NameOf(it->second.path), it->second);

  if (entries.empty()) {
    platform::SetLastError(platform::kErrorFileNotFound);
    return nullptr;
  }
  auto search = std::make_unique<MemorySearch>(std::move(entries));
  search->FindNext(data);
  return search;
}

bool MemoryFiles::CreateFolder(const std::string& path) {
  if (disk_) return disk_->CreateFolder(path);
  std::string key = KeyOf(path);
  if (Find(key)) {
    platform::SetLastError(platform::kErrorAlreadyExists);
    return false;
  }
  const Node* parent = Find(Parent(key));
  if (!Parent(key).empty() && (!parent || !parent->folder)) {
    platform::SetLastError(platform::kErrorPathNotFound);
    return false;
  }
  AddFolder(path);
  return true;
}

bool MemoryFiles::CopyFile(const std::string& from, const std::string& to) {
  if (disk_) return disk_->CopyFile(from, to);
  std::unique_ptr<platform::NativeFile> source = Open(from, platform::OpenMode::kRead);
  if (!source) return false;
  std::unique_ptr<platform::NativeFile> target = Open(to, platform::OpenMode::kCreateWrite);
  if (!target) return false;
  std::string content = *Find(from)->content;
  return target->Write(content.data(), static_cast<std::uint32_t>(content.size()));
}

}  // namespace test
