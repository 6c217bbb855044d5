#pragma once
// The system's file system with faults that a test stages: folders whose
// listing is refused (denied, vanished) or breaks off partway. Installed
// with platform::SetFiles for the object's lifetime.

#include <cstdint>
#include <map>
#include <string>

#include "platform/file_system.h"

namespace test {

class FaultyFiles : public platform::FileSystem {
 public:
  FaultyFiles() { platform::SetFiles(this); }
  ~FaultyFiles() override { platform::SetFiles(nullptr); }

  /// Listing `folder` ("C:\windows\sub", as the caller names it) hands out
  /// `entries` entries, then fails with `error` (5: denied, 3: vanished).
  void FailListing(const std::string& folder, std::uint32_t error, std::size_t entries = 0) {
    faults_[folder + "\\*.*"] = {entries, error};
  }

  std::unique_ptr<platform::FolderSearch> FindFirst(const std::string& pattern, platform::FindData* data) override;
  std::unique_ptr<platform::NativeFile> Open(const std::string& path, platform::OpenMode mode) override {
    return platform::SystemFiles().Open(path, mode);
  }
  bool CreateFolder(const std::string& path) override { return platform::SystemFiles().CreateFolder(path); }
  bool CopyFile(const std::string& from, const std::string& to) override {
    return platform::SystemFiles().CopyFile(from, to);
  }

 private:
  std::map<std::string, std::pair<std::size_t, std::uint32_t>> faults_;
};

}  // namespace test
