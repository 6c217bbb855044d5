#pragma once
// Reads a REGEDIT4 report as vastrel writes it (two header lines, then for
// each key an empty line, its header and its value lines), so that a test
// can take out, by name, the keys and values that Wine itself re-stamps, and
// can say what a reader of the report should find in the registry.

#include <optional>
#include <string>
#include <vector>

namespace test {

struct RegSection {
  std::string keyPath;
  std::vector<std::string> lines;  // value lines, a wrapped hex value with its continuations
};

struct RegReport {
  std::string preamble;  // "REGEDIT4" and the comment line, with their empty lines
  std::vector<RegSection> sections;

  /// Reads a report; throws std::runtime_error when it is not laid out as above.
  static RegReport Read(const std::string& text);
  std::string Text() const;
};

/// A key or value that changes by itself, named so that a test can tell it
/// from what an installation changed.
struct Restamp {
  std::string keyPath;                   // full path, any case; "*" stands for any one name
  std::optional<std::string> valueName;  // none: the key and every key below it
  std::string why;
};

/// `report` without the value lines of the named values and without the
/// sections of the named keys (and the keys below them); a header whose value
/// lines were all taken out goes too. What was taken out is appended to
/// `removed`, one line per key or value.
std::string WithoutRestamps(const std::string& report, const std::vector<Restamp>& restamps,
                            std::vector<std::string>* removed = nullptr);

/// A value as `reg query` shows it: "(Default)" for the default value, the
/// type's name, and the data as reg prints it (0x2a, 00FF, a\0b).
struct QueriedValue {
  std::string keyPath;
  std::string name;
  std::string type;
  std::string data;
  bool operator==(const QueriedValue&) const = default;
};

/// The values of a report that a REGEDIT4 reader imports unchanged: strings
/// without a backslash or double quote, dwords, binary and multi-string data.
std::vector<QueriedValue> ImportableValues(const RegReport& report);

/// The values that `reg query <keyPath>` printed.
std::vector<QueriedValue> ReadRegQuery(const std::string& keyPath, const std::string& output);

}  // namespace test
