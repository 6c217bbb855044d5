#pragma once
// A folder of a test's own below the system's temporary folder, removed with
// everything in it when the test ends.

#include <string>

namespace test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  /// Writes `content` to the file at `relative` (folders on the way are made).
  void WriteFile(const std::string& relative, const std::string& content) const;
  /// The whole content of a file, or "<missing>" when there is none.
  std::string ReadFile(const std::string& relative) const;
  bool Exists(const std::string& relative) const;

 private:
  std::string path_;
};

/// A Wine prefix in a temporary folder: system.reg, drive_c with windows and
/// Program Files, and dosdevices/c: linking to drive_c, as Wine lays it out.
class TempPrefix : public TempFolder {
 public:
  TempPrefix();
};

}  // namespace test
