#include "test/wine/reg_report.h"

#include <stdexcept>

namespace test {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start != text.size()) throw std::runtime_error("a report line lacks its CR LF");
  return lines;
}

struct Section {
  std::string keyPath;
  std::vector<std::string> lines;  // value lines with their continuation lines
};

bool InKey(const std::string& path, const std::string& key) {
  return path == key || (path.size() > key.size() && path.compare(0, key.size(), key) == 0 &&
                         path[key.size()] == '\\');
}

bool IsValueLine(const std::string& line, const std::string& name) {
  std::string start = name.empty() ? "@=" : "\"" + name + "\"=";
  return line.compare(0, start.size(), start) == 0;
}

}  // namespace

std::string WithoutRestamps(const std::string& report, const std::vector<Restamp>& restamps,
                            std::vector<std::string>* removed) {
  std::vector<std::string> lines = SplitLines(report);
  if (lines.size() < 4) throw std::runtime_error("a report without its two header lines");
  std::string out;
  for (std::size_t i = 0; i < 4; ++i) out += lines[i] + "\r\n";

  std::vector<Section> sections;
  for (std::size_t i = 4; i < lines.size(); ++i) {
    if (lines[i].empty() && i + 1 < lines.size() && lines[i + 1].size() >= 2 &&
        lines[i + 1].front() == '[' && lines[i + 1].back() == ']') {
      sections.push_back({lines[i + 1].substr(1, lines[i + 1].size() - 2), {}});
      ++i;
    } else if (sections.empty()) {
      throw std::runtime_error("a value line before the first key header: " + lines[i]);
    } else {
      sections.back().lines.push_back(lines[i]);
    }
  }

  for (Section& section : sections) {
    bool keyGone = false;
    for (const Restamp& restamp : restamps)
      keyGone = keyGone || (!restamp.valueName && InKey(section.keyPath, restamp.keyPath));
    if (keyGone) {
      if (removed) removed->push_back("[" + section.keyPath + "]");
      continue;
    }
    std::vector<std::string> kept;
    bool hadLines = !section.lines.empty();
    for (std::size_t i = 0; i < section.lines.size(); ++i) {
      bool gone = false;
      for (const Restamp& restamp : restamps)
        gone = gone || (restamp.valueName && restamp.keyPath == section.keyPath &&
                        IsValueLine(section.lines[i], *restamp.valueName));
      if (!gone) {
        kept.push_back(section.lines[i]);
        continue;
      }
      if (removed) removed->push_back("[" + section.keyPath + "] " + section.lines[i]);
      // A wrapped hex value goes with its continuation lines.
      while (section.lines[i].ends_with("\\") && i + 1 < section.lines.size() &&
             section.lines[i + 1].starts_with("  "))
        ++i;
    }
    if (hadLines && kept.empty()) continue;
    out += "\r\n[" + section.keyPath + "]\r\n";
    for (const std::string& line : kept) out += line + "\r\n";
  }
  return out;
}

}  // namespace test
