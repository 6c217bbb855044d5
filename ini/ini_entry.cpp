#include "ini/ini_entry.h"

#include "io/file.h"
#include "ini/ini_patterns.h"

bool ReadLine(File& file, std::string& line) {
  line.clear();
  char c;
  while (file.Read(&c, 1) == 1) {
    if (c == '\n') return true;
    if (c != '\r') line += c;  // a CR is dropped wherever it stands
  }
  return false;
}

bool IniEntry::ReadNext(File& file) {
  std::string line;
  for (;;) {
    bool more = ReadLine(file, line);
    // The patterns see the line up to its first zero byte.
    const char* text = line.c_str();
    if (SectionPattern.Match(text)) {
      section = SectionPattern.Capture(text, 1, 2);
      currentSection = section;
    } else if (KeyPattern.Match(text)) {
      section = currentSection;
      key = KeyPattern.Capture(text, 1, 2);
      value = ValuePattern.Match(text) ? ValuePattern.Capture(text, 1, 2) : std::string();
      // Also an entry on a last line without a line feed: the next call finds
      // the file at its end and returns false.
      return true;
    }
    if (!more) return false;
  }
}

void IniEntry::Write(File& file, bool withHeader) const {
  std::string text;
  if (withHeader) text = "\r\n[" + section + "]\r\n";
  text += key + "=" + value + "\r\n";
  file.Write(text);
}
