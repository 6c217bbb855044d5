#pragma once
// A fresh Wine prefix of a test's own, made headless, with a HOME and a
// TMPDIR of its own so that nothing touches the user's ~/.wine or another
// prefix's server. The destructor ends the prefix's server and removes it all.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "test/run.h"
#include "test/temp_folder.h"

namespace test {

class WinePrefix {
 public:
  /// Makes the prefix (wineboot -i) and waits until Wine has written it.
  WinePrefix();
  /// A copy of `fresh`, made before anything ran in it: as fresh as it is,
  /// in a fraction of the time that wineboot takes.
  static std::unique_ptr<WinePrefix> CopyOf(const WinePrefix& fresh);
  ~WinePrefix();
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;

  /// The prefix folder (what WINEPREFIX names).
  const std::string& path() const { return prefix_; }
  /// The host path of a path below drive C: ("windows/win.ini").
  std::string DriveC(const std::string& relative) const;

  /// Runs `wine` with `arguments` in the prefix; standard input is empty.
  RunResult Wine(const std::vector<std::string>& arguments) const;
  /// Runs a host program with the prefix's environment (the Linux vastrel).
  RunResult Host(const std::string& program, const std::vector<std::string>& arguments) const;
  /// Waits until the prefix's last program has ended and Wine has written
  /// its registry files (wineserver -w).
  void WaitForServer() const;

 private:
  std::map<std::string, std::optional<std::string>> Environment() const;

  struct Empty {};
  explicit WinePrefix(Empty);

  TempFolder folder_;
  std::string prefix_;
};

/// The whole content of a file ("<missing>" when there is none), and a file
/// written whole (its folders are made on the way).
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& content);

}  // namespace test
