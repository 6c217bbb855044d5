#pragma once
// Reads Wine's registry files ("WINE REGISTRY Version 2") into a registry in
// memory: key lines, values of every form, classes and links. Names and
// string data become UTF-8; other data stays byte for byte.

#include <cstddef>
#include <string>
#include <string_view>
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
  // Reads the lines of `source`, the first of which is the file's header.
  void Read(LineSource& source, const std::string& name, MemoryRegistry::Key* root);
  // The key of a key line, after its opening bracket; null when the line
  // cannot be read.
  MemoryRegistry::Key* ReadKeyLine(std::string_view line);
  // A line of the key `key` that starts with '#': its class, or a mark that
  // it is a link.
  void ReadOption(std::string_view line, MemoryRegistry::Key* key, const std::string& name, unsigned lineNumber);
  // A value line of the key `key`; false when it cannot be read.
  bool ReadValue(std::string_view line, LineSource& source, MemoryRegistry::Key* key);
  // The bytes after "hex:", through continuation lines, into data_; false
  // when they cannot be read.
  bool ReadHexData(std::string_view line, LineSource& source);
  void ReportBadLine(const std::string& name, unsigned line);

  MemoryRegistry& registry_;
  // The keys marked as links, made links when everything is read.
  std::vector<MemoryRegistry::Key*> links_;
  unsigned badLines_ = 0;
  unsigned long long bytesRead_ = 0;
  // The keys along the last key line's path (the root first) and their
  // names, of which the first chainDepth_ are current.
  std::vector<MemoryRegistry::Key*> chain_;
  std::vector<std::string> chainNames_;
  std::size_t chainDepth_ = 0;
  // What the line being read holds, in room kept from line to line.
  std::string path_, valueName_, data_;
  std::u16string scratch_;
  std::size_t units_ = 0;
};

}  // namespace platform::posix
