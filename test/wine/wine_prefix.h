#pragma once
// A fresh Wine prefix of a test's own, made headless, with a HOME and a
// TMPDIR of its own so that nothing touches the user's ~/.wine or another
// prefix's server. The destructor ends the prefix's server and removes it all.

#include <map>
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
  ~WinePrefix() { Host(VASTREL_WINESERVER, {"-k"}); }
  WinePrefix(const WinePrefix&) = delete;

  /// The prefix folder (what WINEPREFIX names).
  const std::string& path() const { return prefix_; }
  /// The host path of a path below drive C: ("windows/win.ini").
  std::string DriveC(const std::string& relative) const { return prefix_ + "/drive_c/" + relative; }

  /// Runs `wine` with `arguments` in the prefix; standard input is empty.
  RunResult Wine(const std::vector<std::string>& arguments) const { return Host(VASTREL_WINE, arguments); }
  /// Runs a host program with the prefix's environment (the Linux vastrel).
  RunResult Host(const std::string& program, const std::vector<std::string>& arguments) const;
  /// Starts `wine` with `arguments` in the prefix and goes on; what it
  /// writes goes to `outputPath`. Its process id, for test::Wait.
  int StartWine(const std::vector<std::string>& arguments, const std::string& outputPath) const {
    return Start(VASTREL_WINE, arguments, Environment(), outputPath);
  }
  /// Waits until the prefix's last program has ended and Wine has written
  /// its registry files (wineserver -w).
  void WaitForServer() const { Host(VASTREL_WINESERVER, {"-w"}); }

 private:
  std::map<std::string, std::optional<std::string>> Environment() const;

  TempFolder folder_;
  std::string prefix_ = folder_.path() + "/prefix";
};

}  // namespace test
