#include "test/wine/reg_report.h"

#include <stdexcept>

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
  for (const auto& [keyPath, values] : keys) {
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
    std::string header = "[" + keyPath + "]", valueLines;
    if (gone(nullptr)) {
      if (removed) removed->push_back(header);
      continue;
    }
    for (const std::string& line : values) {
      if (!gone(&line))
        valueLines += line + "\r\n";
      else if (removed)
        removed->push_back(header + " " + line);
    }
    if (values.empty() || !valueLines.empty()) kept += "\r\n" + header + "\r\n" + valueLines;
  }
  return kept;
}

}  // namespace test
