#pragma once
// Reads Wine's registry files ("WINE REGISTRY Version 2") into a registry in
// memory: key lines, values of every form, classes and links. Names and
// string data become UTF-8; other data stays byte for byte.

#include <cstddef>
#include <cstdio>
#include <optional>
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
  /// Files and texts of at least `bytes` are cut in two near their middle,
  /// and the two read at once, on two threads (1 MB unless set).
  void SplitFrom(std::size_t bytes) { splitFrom_ = bytes; }
  /// Makes the link keys read so far lead to their targets, and reports how
  /// many unreadable lines were not shown one by one.
  void Finish();

  /// Lines that could not be read, in all files so far.
  unsigned badLines() const { return badLines_; }
  /// Files and texts read in two so far.
  unsigned readInTwo() const { return readInTwo_; }
  /// Bytes of registry text read so far.
  unsigned long long bytesRead() const { return bytesRead_; }

 private:
  class LineSource;
  // Reads the lines of `source`, the first of which is the file's header
  // when `headed`; false when the header is wrong.
  bool Read(LineSource& source, const std::string& name, MemoryRegistry::Key* root, bool headed);
  // Reads `head`, and `tail`, which follows it, at once; false when the tail
  // is left out because reading stops in the head.
  bool ReadInTwo(LineSource& head, LineSource& tail, const std::string& name, MemoryRegistry::Key* root);
  void ReportBadLine(const std::string& name, unsigned line);

  MemoryRegistry& registry_;
  // The keys marked as links, made links when everything is read.
  std::vector<MemoryRegistry::Key*> links_;
  unsigned badLines_ = 0;
  unsigned long long bytesRead_ = 0;
  unsigned readInTwo_ = 0;
  std::size_t splitFrom_ = std::size_t{1} << 20;
  // Set while reading a file's tail: its unreadable lines, by number from
  // the tail's start, to be named after the head's.
  std::optional<std::vector<unsigned>> badLineNumbers_;
};

}  // namespace platform::posix
