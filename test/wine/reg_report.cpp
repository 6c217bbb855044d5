#include "test/wine/reg_report.h"

#include <sstream>
#include <stdexcept>

#include "platform/text.h"
#include "test/wine/wine_keys.h"

namespace test {

std::string WithoutRestamps(const std::string& text, const std::vector<Restamp>& restamps,
                            std::vector<std::string>* removed) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t stop; (stop = text.find("\r\n", start)) != std::string::npos; start = stop + 2)
    lines.push_back(text.substr(start, stop - start));
  if (start != text.size()) throw std::runtime_error("a report line lacks its CR LF");
  if (lines.size() < 4 || lines[0] != "REGEDIT4" || !lines[1].empty() || !lines[3].empty())
    throw std::runtime_error("a report without its two header lines");
  // Each key: its path and its value lines, a wrapped hex value with its continuations.
  std::vector<std::pair<std::string, std::vector<std::string>>> keys;
  for (std::size_t i = 4; i < lines.size(); ++i) {
    if (lines[i].empty() && i + 1 < lines.size() && lines[i + 1].starts_with("[") && lines[i + 1].ends_with("]")) {
      ++i;
      keys.push_back({lines[i].substr(1, lines[i].size() - 2), {}});
    } else if (keys.empty()) {
      throw std::runtime_error("a value line before the first key header: " + lines[i]);
    } else if (std::vector<std::string>& values = keys.back().second;
             lines[i].starts_with("  ") && !values.empty() && values.back().ends_with("\\")) {
      values.back() += "\r\n" + lines[i];
    } else {
      values.push_back(lines[i]);
    }
  }
  std::string kept = "REGEDIT4\r\n\r\n" + lines[2] + "\r\n\r\n";
  for (const auto& [header, values] : keys) {
    // A change script's deletion of a key names the key after a "-".
    std::string keyPath = header.starts_with("-") ? header.substr(1) : header;
    // Whether a restamp names `line`, or with none the key itself.
    auto gone = [&](const std::string* line) {
      for (const Restamp& restamp : restamps) {
        const std::optional<std::string>& name = restamp.valueName;
        std::string start = !name ? "" : name->empty() ? "@=" : "\"" + *name + "\"=";
        if (!line ? !name && InKey(keyPath, restamp.keyPath)
                  : name && InKey(keyPath, restamp.keyPath, false) && line->starts_with(start))
          return true;
      }
      return false;
    };
    if (gone(nullptr)) {
      if (removed) removed->push_back("[" + header + "]");
      continue;
    }
    std::string valueLines;
    for (const std::string& line : values) {
      if (!gone(&line))
        valueLines += line + "\r\n";
      else if (removed)
        removed->push_back("[" + header + "] " + line);
    }
    if (values.empty() || !valueLines.empty()) kept += "\r\n[" + header + "]\r\n" + valueLines;
  }
  return kept;
}

std::string ScriptAsReport(const std::string& bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  std::string text = platform::Utf16ToUtf8(units);
  // The byte order mark and the header line, then the keys and a blank line, or nothing more.
  const std::string header = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n";
  if (text == header) text += "\r\n";
  if (!text.starts_with(header) || !text.ends_with("\r\n\r\n")) throw std::runtime_error("not a change script: " + text);
  return "REGEDIT4\r\n\r\n;   script\r\n\r\n" + text.substr(header.size(), text.size() - header.size() - 2);
}

std::string Faults(const std::string& output, const std::string& verb) {
  std::string faults;
  // vastrel.exe takes the folder of 32-bit programs from Wine, the Linux build from its own rule.
  for (const char* step : {"Registry        ", "C:\\windows              ", "C:\\Program Files              ",
                           "C:\\Program Files (x86)              ", "INI File        "})
    if (output.find("\r" + verb + " " + step + "\n") == std::string::npos) faults += "not ended: " + std::string(step) + "\n";
  for (const char* fault : {"path not found", "\nError ", "The snapshot ends"})
    if (output.find(fault) != std::string::npos) faults += std::string(fault) + "\n";
  if (!output.ends_with("Press any key to continue\r\n")) faults += "no prompt at the end\n";
  return faults;
}

std::vector<std::string> InaccessibleKeys(const std::string& output) {
  std::vector<std::string> keys;
  const std::string message = "Inacessible path error=";
  for (std::size_t at = output.find(message); at != std::string::npos; at = output.find(message, at + 1)) {
    std::size_t start = output.find('\n', at) + 1;
    keys.push_back(output.substr(start, output.find('\n', start) - start));
  }
  return keys;
}

std::string FirstDifferences(const std::string& got, const std::string& expected, int most) {
  std::istringstream a(got), b(expected);
  std::string differences, lineA, lineB;
  for (int line = 1, shown = 0; shown < most; ++line) {
    bool moreA = static_cast<bool>(std::getline(a, lineA)), moreB = static_cast<bool>(std::getline(b, lineB));
    if (!moreA && !moreB) break;
    if (moreA && moreB && lineA == lineB) continue;
    differences += "line " + std::to_string(line) + ": " + (moreA ? lineA : "(end)") + "\n  instead of " +
                   (moreB ? lineB : "(end)") + "\n";
    ++shown;
  }
  return differences;
}

}  // namespace test
