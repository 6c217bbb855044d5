#pragma once
// Reads Wine's registry files ("WINE REGISTRY Version 2") into a registry in
// memory: key lines, values of every form, classes and links. Names and
// string data become UTF-8; other data stays byte for byte.

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/memory_registry.h"

namespace platform::posix {

class WineRegistryReader {
 public:
  explicit WineRegistryReader(MemoryRegistry& registry);

  /// Reads the file at `hostPath` into `root`. A missing file leaves `root`
  /// empty without a word, as Wine starts such a hive empty; a file that is
  /// not a registry file, or cannot be read, leaves it empty and says so.
  void ReadFile(const std::string& hostPath, MemoryRegistry::Key* root);
  /// Reads registry text, as if it were the file `name`.
  void ReadText(std::string_view text, const std::string& name, MemoryRegistry::Key* root);
  /// Makes the link keys read so far lead to their targets, and reports how
  /// many unreadable lines were not shown one by one.
  void Finish();

  /// Lines that could not be read, in all files so far.
  unsigned badLines() const { return badLines_; }
  /// Bytes of registry text read so far.
  unsigned long long bytesRead() const { return bytesRead_; }

 private:
  class LineSource;
  void Read(LineSource& source, const std::string& name, MemoryRegistry::Key* root);
  void ReportBadLine(const std::string& name, unsigned line);

  MemoryRegistry& registry_;
  // Link keys and their targets as stored: "\Registry\Machine\...".
  std::vector<std::pair<MemoryRegistry::Key*, std::string>> links_;
  unsigned badLines_ = 0;
  unsigned long long bytesRead_ = 0;
};

}  // namespace platform::posix
