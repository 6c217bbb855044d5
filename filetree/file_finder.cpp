#include "filetree/file_finder.h"

#include <cstring>
#include <memory>

#include "platform/file_system.h"
#include "platform/last_error.h"

std::string FindDataName(const platform::FindData& data) {
  return std::string(data.fileName, strnlen(data.fileName, sizeof data.fileName));
}

bool FileFinder::Search(const std::string& pattern) {
  Close();
  folderPrefix_.clear();
  std::size_t separator = pattern.find_last_of("\\/");
  if (separator != std::string::npos)
    folderPrefix_ = pattern.substr(0, separator + 1);
  else if (pattern.size() >= 2 && pattern[1] == ':')
    folderPrefix_ = pattern.substr(0, 2);
  return Collect(pattern);
}

bool FileFinder::Collect(const std::string& pattern) {
  platform::FindData data;
  std::unique_ptr<platform::FolderSearch> search = platform::Files().FindFirst(pattern, &data);
  if (!search) return false;
  do {
    if (count_ % kBlock == 0) blocks_.push_back(std::make_unique_for_overwrite<platform::FindData[]>(kBlock));
    blocks_.back()[count_++ % kBlock] = data;
  } while (search->FindNext(&data));
  std::uint32_t error = platform::GetLastError();
  search.reset();
  if (error != platform::kErrorNoMoreFiles) {
    Close();
    platform::SetLastError(error);
    return false;
  }
  nextIndex_ = 0;
  return true;
}

bool FileFinder::Next() {
  if (nextIndex_ >= count_) {
    platform::SetLastError(platform::kErrorNoMoreFiles);
    return false;
  }
  current_ = &blocks_[nextIndex_ / kBlock][nextIndex_ % kBlock];
  ++nextIndex_;
  platform::SetLastError(platform::kErrorSuccess);
  return true;
}

bool FileFinder::IsDotEntry() const {
  if (!IsFolder()) return false;
  std::string name = FindDataName(*current_);
  return name == "." || name == "..";
}

bool FileFinder::IsFolder() const {
  return current_ && (current_->fileAttributes & platform::kFileAttributeDirectory) != 0;
}

void FileFinder::Close() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  count_ = 0;
  current_ = nullptr;
  nextIndex_ = 0;
}
