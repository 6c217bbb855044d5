#pragma once
// Compares the copy of an INI file saved by the capture run with the live
// file, entry by entry (section and key identify an entry, exactly and
// case-sensitively, wherever it stands), and writes four reports in INI
// syntax: new entries, changed entries as they are now and as they were,
// and removed entries.

#include <string>

/// Opens the two inputs, then creates (or empties) the four reports, in
/// argument order; a file that cannot be opened raises FileError at once, so
/// a missing saved copy leaves every report untouched. Returns true.
bool CompareIniFile(const std::string& livePath, const std::string& savedPath, const std::string& newPath,
                    const std::string& modoPath, const std::string& modPath, const std::string& remPath);
