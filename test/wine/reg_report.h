#pragma once
// Reads a REGEDIT4 report as vastrel writes it (two header lines, then for
// each key an empty line, its header and its value lines), so that a test
// can take out, by name, the keys and values that Wine itself changes.

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
};

/// A key or value to leave out: the value `valueName` of the key `keyPath`,
/// or with no name the key and every key below it (see InKey).
struct Restamp {
  std::string keyPath;
  std::optional<std::string> valueName;
};

/// `report` without the named values and keys; a header whose value lines
/// all went goes too. What went is appended to `removed`, a line for each.
std::string WithoutRestamps(const std::string& report, const std::vector<Restamp>& restamps,
                            std::vector<std::string>* removed = nullptr);

}  // namespace test
