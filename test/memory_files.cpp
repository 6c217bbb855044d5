#include "test/memory_files.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/last_error.h"

namespace test {
namespace {

// The map key of a path: lower case, no trailing backslash.
std::string KeyOf(std::string path) {
  for (char& c : path)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  while (path.size() > 1 && path.back() == '\\') path.pop_back();
  return path;
}

// The key of the folder that holds `key`; empty for a drive.
std::string ParentOf(const std::string& key) {
  std::size_t slash = key.rfind('\\');
  return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

bool Fail(std::uint32_t error) {
  platform::SetLastError(error);
  return false;
}
std::nullptr_t Failed(std::uint32_t error) { return Fail(error), nullptr; }

// A listing taken whole: hands out the entries after the first, then fails with `error`.
struct Listing : platform::FolderSearch {
  std::vector<platform::FindData> entries;
  std::size_t next = 1;
  std::uint32_t error = platform::kErrorNoMoreFiles;
  bool FindNext(platform::FindData* data) override {
    if (next >= entries.size()) return Fail(error);
    *data = entries[next++];
    return true;
  }
};

}  // namespace

class MemoryFiles::MemoryFile : public platform::NativeFile {
 public:
  MemoryFile(std::shared_ptr<std::string> content, std::optional<Fault> write, std::optional<Fault> read,
             std::uint32_t readLimit)
      : content_(std::move(content)), write_(write), read_(read), readLimit_(readLimit) {}

  bool Read(void* buffer, std::uint32_t n, std::uint32_t* got) override {
    *got = 0;
    std::uint64_t end = position_ + (readLimit_ ? std::min(n, readLimit_) : n);
    if (read_ && position_ + n > read_->at) {
      // Hand out what lies before the fault; the read that reaches it fails.
      if (position_ >= read_->at) return Fail(read_->error);
      end = std::min(end, read_->at);
    }
    end = std::min<std::uint64_t>(end, content_->size());
    if (end <= position_) return true;
    *got = static_cast<std::uint32_t>(end - position_);
    std::memcpy(buffer, content_->data() + position_, *got);
    position_ = end;
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

MemoryFiles::MemoryFiles() { platform::SetFiles(this); }
MemoryFiles::~MemoryFiles() { platform::SetFiles(nullptr); }

MemoryFiles::Node* MemoryFiles::Find(const std::string& path) const {
  auto it = nodes_.find(KeyOf(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

void MemoryFiles::AddFolder(const std::string& path) {
  std::string key = KeyOf(path), parent = ParentOf(key);
  if (key.empty() || nodes_.count(key)) return;
  if (!parent.empty()) AddFolder(path.substr(0, parent.size()));
  nodes_[key] = {path.substr(0, key.size()), true, nullptr, ++clock_};
}

void MemoryFiles::Put(const std::string& path, const std::string& content) {
  std::string key = KeyOf(path), parent = ParentOf(key);
  if (!parent.empty()) AddFolder(path.substr(0, parent.size()));
  Node& node = nodes_[key];
  node = {node.path.empty() ? path : node.path, false, std::make_shared<std::string>(content), ++clock_};
}

std::optional<std::string> MemoryFiles::Get(const std::string& path) const {
  const Node* node = Find(path);
  return node && !node->folder ? std::optional(*node->content) : std::nullopt;
}

void MemoryFiles::Remove(const std::string& path) {
  std::string key = KeyOf(path), below = key + "\\";
  nodes_.erase(key);
  for (auto it = nodes_.lower_bound(below); it != nodes_.end() && it->first.starts_with(below);) it = nodes_.erase(it);
}

void MemoryFiles::SetTimes(const std::string& path, std::uint64_t written, std::uint64_t read) {
  Node* node = Find(path);
  node->writeTime = written, node->readTime = read;
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
  std::string key = KeyOf(path);
  Node* node = Find(key);
  const Node* folder = Find(ParentOf(key));
  if (node && node->folder) return Failed(platform::kErrorAccessDenied);
  if (!node && !(folder && folder->folder)) return Failed(platform::kErrorPathNotFound);
  if (!node && mode == platform::OpenMode::kRead) return Failed(platform::kErrorFileNotFound);
  if (!node) (node = &nodes_[key])->path = path;
  if (mode != platform::OpenMode::kRead) node->content = std::make_shared<std::string>(), node->writeTime = ++clock_;
  auto fault = [&](const std::map<std::string, Fault>& faults) {
    auto it = faults.find(key);
    return it == faults.end() ? std::nullopt : std::optional(it->second);
  };
  return std::make_unique<MemoryFile>(node->content, fault(writeFaults_), fault(readFaults_), readLimit_);
}

std::unique_ptr<platform::FolderSearch> MemoryFiles::FindFirst(const std::string& pattern, platform::FindData* data) {
  std::string key = KeyOf(pattern), folderKey = ParentOf(key);
  auto fault = listingFaults_.find(folderKey);
  if (fault != listingFaults_.end() && fault->second.at == 0) return Failed(fault->second.error);
  const Node* folder = Find(folderKey);
  if (!folder || !folder->folder || !key.ends_with("\\*.*")) return Failed(platform::kErrorPathNotFound);
  auto listing = std::make_unique<Listing>();
  auto add = [&](const std::string& name, const Node& node) {
    platform::FindData& entry = listing->entries.emplace_back();
    entry.fileAttributes = node.attributes ? node.attributes
                           : node.folder   ? platform::kFileAttributeDirectory
                                           : platform::kFileAttributeArchive;
    auto time = [](std::uint64_t t) { return platform::FileTime{static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(t >> 32)}; };
    entry.creationTime = entry.lastWriteTime = time(node.writeTime);
    entry.lastAccessTime = time(node.readTime ? node.readTime : node.writeTime);
    std::uint64_t size = node.folder ? 0 : node.content->size();
    entry.fileSizeLow = static_cast<std::uint32_t>(size), entry.fileSizeHigh = static_cast<std::uint32_t>(size >> 32);
    std::strncpy(entry.fileName, name.c_str(), sizeof entry.fileName - 1);
  };
  if (folderKey.find('\\') != std::string::npos) add(".", *folder), add("..", *folder);  // not at a drive's root
  std::string below = folderKey + "\\";
  for (auto it = nodes_.lower_bound(below); it != nodes_.end() && it->first.starts_with(below); ++it)
    if (it->first.find('\\', below.size()) == std::string::npos)
      add(it->second.path.substr(it->second.path.rfind('\\') + 1), it->second);
  if (listing->entries.empty()) return Failed(platform::kErrorFileNotFound);
  *data = listing->entries.front();
  if (fault != listingFaults_.end()) {
    listing->entries.resize(std::min<std::size_t>(listing->entries.size(), fault->second.at));
    listing->error = fault->second.error;
  }
  return listing;
}

bool MemoryFiles::CreateFolder(const std::string& path) {
  std::string key = KeyOf(path), parentKey = ParentOf(key);
  const Node* parent = Find(parentKey);
  if (Find(key)) return Fail(platform::kErrorAlreadyExists);
  if (!parentKey.empty() && (!parent || !parent->folder)) return Fail(platform::kErrorPathNotFound);
  AddFolder(path);
  return true;
}

bool MemoryFiles::CopyFile(const std::string& from, const std::string& to) {
  std::unique_ptr<platform::NativeFile> source = Open(from, platform::OpenMode::kRead);
  std::unique_ptr<platform::NativeFile> target = source ? Open(to, platform::OpenMode::kCreateWrite) : nullptr;
  std::string content = target ? *Find(from)->content : "";
  return target && target->Write(content.data(), static_cast<std::uint32_t>(content.size()));
}

bool MemoryFiles::FolderExists(const std::string& path) {
  const Node* node = Find(path);
  return node && node->folder;
}

bool MemoryFiles::DeleteFile(const std::string& path) {
  std::string key = KeyOf(path);
  const Node* node = Find(key);
  if (!node) {
    const Node* folder = Find(ParentOf(key));
    return Fail(folder && folder->folder ? platform::kErrorFileNotFound : platform::kErrorPathNotFound);
  }
  if (node->folder) return Fail(platform::kErrorAccessDenied);
  nodes_.erase(key);
  return true;
}

}  // namespace test
