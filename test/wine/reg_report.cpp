#include "test/wine/reg_report.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace test {
namespace {

std::vector<std::string> SplitLines(const std::string& text, bool crlf) {
  std::string end = crlf ? "\r\n" : "\n";
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t stop; (stop = text.find(end, start)) != std::string::npos; start = stop + end.size())
    lines.push_back(text.substr(start, stop - start));
  if (start != text.size()) {
    if (crlf) throw std::runtime_error("a report line lacks its CR LF");
    lines.push_back(text.substr(start));
  }
  return lines;
}

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t stop; (stop = path.find('\\', start)) != std::string::npos; start = stop + 1)
    parts.push_back(path.substr(start, stop - start));
  parts.push_back(path.substr(start));
  return parts;
}

// True when `path` is `key` or lies below it; a "*" in `key` stands for any
// one name.
bool InKey(const std::string& path, const std::string& key, bool orBelow) {
  std::vector<std::string> have = Components(path), want = Components(key);
  if (have.size() < want.size() || (!orBelow && have.size() != want.size())) return false;
  for (std::size_t i = 0; i < want.size(); ++i)
    if (want[i] != "*" && !SameNoCase(have[i], want[i])) return false;
  return true;
}

bool IsValueLine(const std::string& line, const std::string& name) {
  std::string start = name.empty() ? "@=" : "\"" + name + "\"=";
  return line.compare(0, start.size(), start) == 0;
}

// The bytes of "hex:00,01,\" lines, continuations joined.
std::vector<unsigned> HexBytes(const std::string& text) {
  std::vector<unsigned> bytes;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (std::isxdigit(static_cast<unsigned char>(text[i])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
      bytes.push_back(std::stoul(text.substr(i, 2), nullptr, 16));
      ++i;
    }
  }
  return bytes;
}

}  // namespace

RegReport RegReport::Read(const std::string& text) {
  std::vector<std::string> lines = SplitLines(text, true);
  if (lines.size() < 4 || lines[0] != "REGEDIT4" || !lines[1].empty() || !lines[3].empty())
    throw std::runtime_error("a report without its two header lines");
  RegReport report;
  for (std::size_t i = 0; i < 4; ++i) report.preamble += lines[i] + "\r\n";
  for (std::size_t i = 4; i < lines.size(); ++i) {
    if (lines[i].empty() && i + 1 < lines.size() && lines[i + 1].size() >= 2 &&
        lines[i + 1].front() == '[' && lines[i + 1].back() == ']') {
      report.sections.push_back({lines[i + 1].substr(1, lines[i + 1].size() - 2), {}});
      ++i;
    } else if (report.sections.empty()) {
      throw std::runtime_error("a value line before the first key header: " + lines[i]);
    } else if (lines[i].starts_with("  ") && !report.sections.back().lines.empty() &&
               report.sections.back().lines.back().ends_with("\\")) {
      report.sections.back().lines.back() += "\r\n" + lines[i];
    } else {
      report.sections.back().lines.push_back(lines[i]);
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
  for (RegSection& section : report.sections) {
    bool keyGone = false;
    for (const Restamp& restamp : restamps)
      keyGone = keyGone || (!restamp.valueName && InKey(section.keyPath, restamp.keyPath, true));
    if (keyGone) {
      if (removed) removed->push_back("[" + section.keyPath + "]");
      continue;
    }
    std::vector<std::string> lines;
    for (const std::string& line : section.lines) {
      bool gone = false;
      for (const Restamp& restamp : restamps)
        gone = gone || (restamp.valueName && InKey(section.keyPath, restamp.keyPath, false) &&
                        IsValueLine(line, *restamp.valueName));
      if (!gone)
        lines.push_back(line);
      else if (removed)
        removed->push_back("[" + section.keyPath + "] " + line);
    }
    if (!section.lines.empty() && lines.empty()) continue;
    kept.push_back({section.keyPath, lines});
  }
  report.sections = kept;
  return report.Text();
}

std::vector<QueriedValue> ImportableValues(const RegReport& report) {
  std::vector<QueriedValue> values;
  for (const RegSection& section : report.sections) {
    for (const std::string& line : section.lines) {
      std::string name, rest;
      if (line.starts_with("@=")) {
        name = "(Default)";
        rest = line.substr(2);
      } else {
        std::size_t end = line.find("\"=");
        if (!line.starts_with("\"") || end == std::string::npos) continue;
        name = line.substr(1, end - 1);
        rest = line.substr(end + 2);
      }
      if (name.find_first_of("\\\"") != std::string::npos) continue;
      QueriedValue value{section.keyPath, name, "", ""};
      if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
        value.type = "REG_SZ";
        value.data = rest.substr(1, rest.size() - 2);
        if (value.data.find_first_of("\\\"") != std::string::npos) continue;
      } else if (rest.starts_with("dword:")) {
        char data[16];
        std::snprintf(data, sizeof data, "0x%lx", std::stoul(rest.substr(6), nullptr, 16));
        value.type = "REG_DWORD";
        value.data = data;
      } else if (rest.starts_with("hex:")) {
        value.type = "REG_BINARY";
        for (unsigned byte : HexBytes(rest.substr(4))) {
          char digits[3];
          std::snprintf(digits, sizeof digits, "%02X", byte);
          value.data += digits;
        }
      } else if (rest.starts_with("hex(7):")) {
        value.type = "REG_MULTI_SZ";
        std::string strings;
        for (unsigned byte : HexBytes(rest.substr(7))) strings += static_cast<char>(byte);
        // reg shows the strings joined by "\0", without the closing empty one.
        while (!strings.empty() && strings.back() == '\0') strings.pop_back();
        for (char c : strings) value.data += c == '\0' ? std::string("\\0") : std::string(1, c);
      } else {
        continue;  // other types, and what is no value at all ("Error Bad Type")
      }
      values.push_back(value);
    }
  }
  return values;
}

std::vector<QueriedValue> ReadRegQuery(const std::string& keyPath, const std::string& output) {
  std::vector<QueriedValue> values;
  const std::string gap = "    ";
  for (std::string line : SplitLines(output, false)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.starts_with(gap)) continue;
    std::size_t typeStart = line.find(gap, gap.size());
    if (typeStart == std::string::npos) continue;
    std::size_t dataStart = line.find(gap, typeStart + gap.size());
    QueriedValue value{keyPath, line.substr(gap.size(), typeStart - gap.size()), "", ""};
    value.type = line.substr(typeStart + gap.size(),
                             dataStart == std::string::npos ? std::string::npos
                                                            : dataStart - typeStart - gap.size());
    if (dataStart != std::string::npos) value.data = line.substr(dataStart + gap.size());
    values.push_back(value);
  }
  return values;
}

}  // namespace test
