#pragma once
// Takes out of a REGEDIT4 report as vastrel writes it (two header lines, then
// for each key an empty line, its header and its value lines), by name, the
// keys and values that Wine itself changes.

#include <optional>
#include <string>
#include <vector>

namespace test {

/// A key or value to leave out: the value `valueName` of the key `keyPath`,
/// or with no name the key and every key below it (see InKey).
struct Restamp {
  std::string keyPath;
  std::optional<std::string> valueName;
};

/// `report` without the named values and keys; a header whose value lines
/// all went goes too. What went is appended to `removed`, a line for each.
/// Throws std::runtime_error when the report is not laid out as above.
std::string WithoutRestamps(const std::string& report, const std::vector<Restamp>& restamps,
                            std::vector<std::string>* removed = nullptr);

}  // namespace test
