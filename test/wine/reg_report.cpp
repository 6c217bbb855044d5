#include "test/wine/reg_report.h"

#include <stdexcept>

#include "test/wine/wine_keys.h"

namespace test {

RegReport RegReport::Read(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t stop; (stop = text.find("\r\n", start)) != std::string::npos; start = stop + 2)
    lines.push_back(text.substr(start, stop - start));
  if (start != text.size()) throw std::runtime_error("a report line lacks its CR LF");
  if (lines.size() < 4 || lines[0] != "REGEDIT4" || !lines[1].empty() || !lines[3].empty())
    throw std::runtime_error("a report without its two header lines");
  RegReport report;
  for (std::size_t i = 0; i < 4; ++i) report.preamble += lines[i] + "\r\n";
  for (std::size_t i = 4; i < lines.size(); ++i) {
    if (lines[i].empty() && i + 1 < lines.size() && lines[i + 1].starts_with("[") && lines[i + 1].ends_with("]")) {
      report.sections.push_back({lines[i + 1].substr(1, lines[i + 1].size() - 2), {}});
      ++i;
    } else if (report.sections.empty()) {
      throw std::runtime_error("a value line before the first key header: " + lines[i]);
    } else if (std::vector<std::string>& values = report.sections.back().lines;
               lines[i].starts_with("  ") && !values.empty() && values.back().ends_with("\\")) {
      values.back() += "\r\n" + lines[i];
    } else {
      values.push_back(lines[i]);
    }
  }
  return report;
}

std::string WithoutRestamps(const std::string& text, const std::vector<Restamp>& restamps,
                            std::vector<std::string>* removed) {
  RegReport report = RegReport::Read(text);
  std::string kept = report.preamble;
  for (const RegSection& section : report.sections) {
    // Whether a restamp names `line`, or with none the key itself.
    auto gone = [&](const std::string* line) {
      for (const Restamp& restamp : restamps) {
        const std::optional<std::string>& name = restamp.valueName;
        std::string start = !name ? "" : name->empty() ? "@=" : "\"" + *name + "\"=";
        if (!line ? !name && InKey(section.keyPath, restamp.keyPath)
                  : name && InKey(section.keyPath, restamp.keyPath, false) && line->starts_with(start))
          return true;
      }
      return false;
    };
    std::string header = "[" + section.keyPath + "]", lines;
    if (gone(nullptr)) {
      if (removed) removed->push_back(header);
      continue;
    }
    for (const std::string& line : section.lines) {
      if (!gone(&line))
        lines += line + "\r\n";
      else if (removed)
        removed->push_back(header + " " + line);
    }
    // A header whose value lines all went goes too.
    if (section.lines.empty() || !lines.empty()) kept += "\r\n" + header + "\r\n" + lines;
  }
  return kept;
}

}  // namespace test
