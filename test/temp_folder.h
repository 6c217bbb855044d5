#pragma once
// A folder of a test's own below the system's temporary folder, removed with
// everything in it when the test ends.

#include <string>

namespace test {

/// The whole content of a file ("<missing>" when there is none), and a file
/// written whole (its folders are made on the way).
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& content);

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  /// Reads or writes the file at `relative`, as ReadAll and WriteAll do.
  std::string ReadFile(const std::string& relative) const { return ReadAll(path_ + "/" + relative); }
  void WriteFile(const std::string& relative, const std::string& content) const {
    WriteAll(path_ + "/" + relative, content);
  }
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
