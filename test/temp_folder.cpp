#include "test/temp_folder.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace test {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "vastrel-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Tests make read-only folders too; give every folder its write bit back.
  for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

bool TempFolder::Exists(const std::string& relative) const {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(fs::path(path_) / relative, ignored));
}

TempPrefix::TempPrefix() {
  WriteFile("system.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n");
  WriteFile("user.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n");
  WriteFile("userdef.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\.Default\n\n#arch=win64\n");
  fs::create_directories(path() + "/drive_c/windows/system32");
  fs::create_directories(path() + "/drive_c/Program Files");
  fs::create_directories(path() + "/dosdevices");
  fs::create_directory_symlink("../drive_c", path() + "/dosdevices/c:");
  fs::create_directory_symlink("/", path() + "/dosdevices/z:");
}

}  // namespace test
