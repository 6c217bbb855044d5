#pragma once
// One "key=value" line of an INI file, with the section it stands in. An INI
// file is read as a flat run of these, in file order; nothing is trimmed,
// merged or sorted.

#include <string>

class File;

/// Reads the next line of `file` into `line`, dropping every carriage return
/// and the line feed. True when a line feed ended it, false at the end of the
/// file (also when `line` then holds the file's unterminated last line).
bool ReadLine(File& file, std::string& line);

class IniEntry {
 public:
  /// Fills section, key and value from the next entry line of `file`,
  /// following section lines on the way; false when the file has no more.
  bool ReadNext(File& file);

  /// The same section and key, compared exactly.
  bool SameKey(const IniEntry& other) const { return section == other.section && key == other.key; }
  /// The same section, key and value, compared exactly.
  bool SameEntry(const IniEntry& other) const { return SameKey(other) && value == other.value; }

  /// Writes "key=value" CR LF, after an empty line and "[section]" when
  /// `withHeader` is set.
  void Write(File& file, bool withHeader) const;

  std::string section;
  std::string key;
  std::string value;
  std::string currentSection;  // the latest section line's name, while reading
};
