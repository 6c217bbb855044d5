#pragma once
// Reading what vastrel wrote under Wine: its output, and its REGEDIT4 reports
// (two header lines, then for each key an empty line, its header and its
// value lines) without the keys and values that Wine itself changes.

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

/// What Wine changes by itself when it starts, whatever was installed: the
/// display driver's date (twice, through the CurrentControlSet link) and the
/// processor's clock.
inline const std::vector<Restamp> kWineRestamps = {
    {R"(HKEY_LOCAL_MACHINE\System\ControlSet001\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}\0000)",
     "DriverDateData"},
    {R"(HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}\0000)",
     "DriverDateData"},
    {R"(HKEY_LOCAL_MACHINE\Hardware\Description\System\CentralProcessor\*)", "~MHz"},
};

/// `report` without the named values and keys; a header whose value lines
/// all went goes too. What went is appended to `removed`, a line for each.
/// Throws std::runtime_error when the report is not laid out as above.
std::string WithoutRestamps(const std::string& report, const std::vector<Restamp>& restamps,
                            std::vector<std::string>* removed = nullptr);

/// A change script (UTF-16 with a byte order mark) in a report's layout, as
/// UTF-8, for WithoutRestamps. Throws std::runtime_error when it is not one.
std::string ScriptAsReport(const std::string& bytes);

/// What a capture (`verb` "Captured") or comparison ("Compared") printed
/// that shows it went wrong: a step whose end it did not announce, a path
/// not found, an error, a snapshot cut short, a last line other than the
/// prompt. Empty when it ran to its end.
std::string Faults(const std::string& output, const std::string& verb);

/// The keys that a run's "Inacessible path" messages name, in their order.
std::vector<std::string> InaccessibleKeys(const std::string& output);

/// The first few lines in which two texts differ, with their numbers, or
/// nothing (texts too large for gtest to show their differences).
std::string FirstDifferences(const std::string& got, const std::string& expected, int most = 10);

}  // namespace test
