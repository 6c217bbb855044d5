#pragma once
// Reads a REGEDIT4 report as the reports are written (a preamble, then for
// each key an empty line, its header and its value lines) so that a test can
// take out, by name, the keys and values that Wine itself re-stamps.

#include <optional>
#include <string>
#include <vector>

namespace test {

/// A key or value that changes by itself, named so that a test can tell it
/// from what an installation changed.
struct Restamp {
  std::string keyPath;                   // full path, as in a report header
  std::optional<std::string> valueName;  // none: the key and every key below it
  std::string why;
};

/// `report` without the value lines of the named values and without the
/// sections of the named keys (and the keys below them); a header whose value
/// lines were all taken out goes too. What was taken out is appended to
/// `removed`, one line per key or value.
std::string WithoutRestamps(const std::string& report, const std::vector<Restamp>& restamps,
                            std::vector<std::string>* removed = nullptr);

}  // namespace test
