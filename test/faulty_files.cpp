#include "test/faulty_files.h"

#include "platform/last_error.h"

namespace test {
namespace {

// Hands out the real listing's first entries, then fails.
class BrokenSearch : public platform::FolderSearch {
 public:
  BrokenSearch(std::unique_ptr<platform::FolderSearch> real, std::size_t left, std::uint32_t error)
      : real_(std::move(real)), left_(left), error_(error) {}

  bool FindNext(platform::FindData* data) override {
    if (left_ == 0) platform::SetLastError(error_);
    if (left_ == 0 || !real_->FindNext(data)) return false;
    --left_;
    return true;
  }

 private:
  std::unique_ptr<platform::FolderSearch> real_;
  std::size_t left_;
  std::uint32_t error_;
};

}  // namespace

std::unique_ptr<platform::FolderSearch> FaultyFiles::FindFirst(const std::string& pattern, platform::FindData* data) {
  auto fault = faults_.find(pattern);
  if (fault != faults_.end() && fault->second.first == 0) {
    platform::SetLastError(fault->second.second);
    return nullptr;
  }
  std::unique_ptr<platform::FolderSearch> search = platform::SystemFiles().FindFirst(pattern, data);
  if (!search || fault == faults_.end()) return search;
  return std::make_unique<BrokenSearch>(std::move(search), fault->second.first - 1, fault->second.second);
}

}  // namespace test
