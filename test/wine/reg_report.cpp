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

std::string RegReport::Text() const {
  std::string text = preamble;
  for (const RegSection& section : sections) {
    text += "\r\n[" + section.keyPath + "]\r\n";
    for (const std::string& line : section.lines) text += line + "\r\n";
  }
  return text;
}

std::string WithoutRestamps(const std::string& text, const std::vector<Restamp>& restamps,
                            std::vector<std::string>* removed) {
  RegReport report = RegReport::Read(text);
  std::vector<RegSection> kept;
  for (const RegSection& section : report.sections) {
    // Whether a restamp names `line`, or with none the key itself.
    auto gone = [&](const std::string* line) {
      for (const Restamp& restamp : restamps) {
        std::string start = !restamp.valueName ? "" : restamp.valueName->empty() ? "@=" : "\"" + *restamp.valueName + "\"=";
        if (!line ? !restamp.valueName && InKey(section.keyPath, restamp.keyPath)
                  : restamp.valueName && InKey(section.keyPath, restamp.keyPath, false) && line->starts_with(start))
          return true;
      }
      return false;
    };
    if (gone(nullptr)) {
      if (removed) removed->push_back("[" + section.keyPath + "]");
      continue;
    }
    RegSection left{section.keyPath, {}};
    for (const std::string& line : section.lines) {
      if (!gone(&line))
        left.lines.push_back(line);
      else if (removed)
        removed->push_back("[" + section.keyPath + "] " + line);
    }
    if (section.lines.empty() || !left.lines.empty()) kept.push_back(left);
  }
  report.sections = kept;
  return report.Text();
}

}  // namespace test
