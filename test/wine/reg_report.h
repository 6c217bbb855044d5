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

}  // namespace test
