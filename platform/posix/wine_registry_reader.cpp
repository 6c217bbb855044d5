#include "platform/posix/wine_registry_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>

#include "platform/console.h"
#include "platform/large_block.h"
#include "platform/posix/prefix.h"
#include "platform/text.h"

namespace platform::posix {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
// Unreadable lines shown one by one; the rest are counted.
constexpr unsigned kBadLinesShown = 5;
// One large page: the buffer costs a single page fault.
constexpr std::size_t kChunkSize = kLargeBlockSize;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void SkipBlanks(std::string_view& text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  text.remove_prefix(i);
}

// Every prefix is a short literal, compared in place.
template <std::size_t N>
bool ConsumePrefix(std::string_view& text, const char (&prefix)[N]) {
  constexpr std::size_t size = N - 1;
  if (text.size() < size || std::memcmp(text.data(), prefix, size) != 0) return false;
  text.remove_prefix(size);
  return true;
}

// Reads up to `maxDigits` hex digits as a number; false when there is none.
bool ReadHexNumber(std::string_view& text, std::size_t maxDigits, std::uint32_t& number) {
  std::size_t i = 0;
  number = 0;
  while (i < text.size() && i < maxDigits && HexDigit(text[i]) >= 0) number = number * 16 + HexDigit(text[i++]);
  text.remove_prefix(i);
  return i > 0;
}

// The UTF-16 unit an escape stands for, the escape at text[i] (after its
// backslash); `i` moves past it. False for an escaped high byte, which
// stands for itself and is left where it is.
bool ReadEscape(std::string_view text, std::size_t& i, char16_t& unit) {
  char e = text[i++];
  switch (e) {
    case 'a': unit = u'\a'; return true;
    case 'b': unit = u'\b'; return true;
    case 't': unit = u'\t'; return true;
    case 'n': unit = u'\n'; return true;
    case 'v': unit = u'\v'; return true;
    case 'f': unit = u'\f'; return true;
    case 'r': unit = u'\r'; return true;
    case 'e': unit = 27; return true;
    case 'x': {
      std::uint32_t number = 0;
      std::string_view digits = text.substr(i);
      if (!ReadHexNumber(digits, 4, number)) {
        unit = u'x';
        return true;
      }
      i = text.size() - digits.size();
      unit = static_cast<char16_t>(number);
      return true;
    }
    default:
      if (e >= '0' && e <= '7') {
        unsigned code = e - '0';
        for (int k = 0; k < 2 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++k)
          code = code * 8 + (text[i++] - '0');
        unit = static_cast<char16_t>(code);
        return true;
      }
      if (static_cast<unsigned char>(e) >= 0x80) {
        --i;
        return false;
      }
      unit = static_cast<char16_t>(e);
      return true;
  }
}

// The bytes that end a run of plain ASCII in an escaped string closed by
// `close`: the closing delimiter, a backslash, and every high byte.
struct RunStops {
  bool stops[256] = {};
  constexpr explicit RunStops(char close) {
    stops[static_cast<unsigned char>(close)] = stops[static_cast<unsigned char>('\\')] = true;
    for (int c = 0x80; c < 256; ++c) stops[c] = true;
  }
};
constexpr RunStops kQuoteStops('"');
constexpr RunStops kBracketStops(']');

// Reads an escaped string whose opening delimiter (a double quote or an
// opening bracket) is already consumed, up to the unescaped `close`: the
// text as UTF-8 in `out`, its length in UTF-16 units in `units`. False when
// the line holds no closing delimiter.
bool ReadEscaped(std::string_view& text, char close, std::string& out, std::size_t& units,
                 std::u16string& scratch) {
  // Most strings are ASCII, escapes included, where UTF-8 bytes and units
  // agree: they go straight to `out`. The first unit past ASCII sends the
  // rest through UTF-16, so that escaped surrogate pairs join.
  out.clear();
  const bool* stops = close == ']' ? kBracketStops.stops : kQuoteStops.stops;
  std::size_t i = 0;
  for (;;) {
    std::size_t run = i;
    while (run < text.size() && !stops[static_cast<unsigned char>(text[run])]) ++run;
    out.append(text.data() + i, run - i);
    i = run;
    if (i >= text.size()) return false;
    if (text[i] == close) {
      units = out.size();
      text.remove_prefix(i + 1);
      return true;
    }
    if (text[i] != '\\') break;
    if (i + 1 >= text.size()) return false;
    std::size_t next = i + 1;
    char16_t unit = 0;
    if (!ReadEscape(text, next, unit) || unit >= 0x80) break;
    out += static_cast<char>(unit);
    i = next;
  }
  scratch.assign(out.begin(), out.end());
  for (;;) {
    if (i >= text.size()) return false;
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == static_cast<unsigned char>(close)) break;
    if (c >= 0x80) {
      // Hand-edited files may hold UTF-8; multi-byte sequences use high bytes only.
      std::size_t end = i;
      while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x80) ++end;
      scratch += Utf8ToUtf16(text.substr(i, end - i));
      i = end;
      continue;
    }
    if (c != '\\') {
      scratch += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) return false;
    ++i;
    char16_t unit = 0;
    if (ReadEscape(text, i, unit)) scratch += unit;
  }
  out.clear();
  AppendUtf8(out, scratch);
  units = scratch.size();
  text.remove_prefix(i + 1);
  return true;
}

// "\Registry\Machine\a" -> "HKEY_LOCAL_MACHINE\a", "\Registry\User\b" ->
// "HKEY_USERS\b"; empty for any other target.
std::string LinkTargetPath(std::string_view target) {
  std::string_view rest = target;
  while (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
  std::size_t slash = rest.find('\\');
  if (slash == std::string_view::npos || !EqualNoCase(rest.substr(0, slash), "Registry")) return {};
  rest.remove_prefix(slash + 1);
  slash = rest.find('\\');
  std::string_view hive = rest.substr(0, slash);
  rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash);
  if (EqualNoCase(hive, "Machine")) return "HKEY_LOCAL_MACHINE" + std::string(rest);
  if (EqualNoCase(hive, "User")) return "HKEY_USERS" + std::string(rest);
  return {};
}

// The UTF-16 units of little-endian bytes; an odd last byte is left out.
std::u16string FromLittleEndian(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t k = 0; k < units.size(); ++k)
    units[k] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                     static_cast<unsigned char>(bytes[2 * k + 1]) << 8);
  return units;
}

// How much of a text, from its middle on, is searched for a place to cut it.
constexpr std::size_t kSplitWindow = 64 * 1024;

// Where a text of `size` bytes can be cut in two that are read apart as
// they would be read together, given `fromMiddle`, its bytes from size / 2
// on: the start of the first key line there whose line before it is there
// too and does not go on into it (as hex data ending in a backslash does).
// Zero when there is none.
std::size_t CutPoint(std::size_t size, std::string_view fromMiddle) {
  for (std::size_t at = fromMiddle.find("\n[", 1); at != std::string_view::npos; at = fromMiddle.find("\n[", at + 1)) {
    std::size_t last = fromMiddle.find_last_not_of(" \t\r", at - 1);
    if (last != std::string_view::npos && fromMiddle[last] != '\\') return size / 2 + at + 1;
  }
  return 0;
}

}  // namespace

// The lines of a file, read in large blocks, or of a text in memory.
class WineRegistryReader::LineSource {
 public:
  explicit LineSource(std::string_view text) : rest_(text) {}
  /// The lines of a file from its start to its end, or from byte `begin`
  /// to byte `end` of it.
  explicit LineSource(int fd) : fd_(fd), buffer_(kChunkSize) {}
  LineSource(int fd, off_t begin, off_t end)
      : fd_(fd), buffer_(kChunkSize), positioned_(true), offset_(begin), end_(end) {}

  /// The next line without its line end; the view lasts until the next call.
  bool Next(std::string_view& line) {
    for (;;) {
      const void* found = rest_.empty() ? nullptr : std::memchr(rest_.data(), '\n', rest_.size());
      if (found) {
        std::size_t length = static_cast<const char*>(found) - rest_.data();
        line = rest_.substr(0, length);
        rest_.remove_prefix(length + 1);
        break;
      }
      if (!Fill()) {
        if (rest_.empty()) return false;
        line = rest_;
        rest_ = {};
        break;
      }
    }
    ++number_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }
  unsigned number() const { return number_; }
  int error() const { return error_; }
  unsigned long long bytes() const { return bytes_; }

 private:
  // Moves the unread rest to the front and reads more; false at the end.
  bool Fill() {
    if (fd_ < 0 || done_) return false;
    std::size_t kept = rest_.size();
    if (kept) std::memmove(buffer_.data(), rest_.data(), kept);
    if (kept == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // one very long line
    for (;;) {
      std::size_t room = buffer_.size() - kept;
      if (positioned_) room = static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(room), end_ - offset_));
      ssize_t got = !positioned_ ? read(fd_, buffer_.data() + kept, room)
                    : room     ? pread(fd_, buffer_.data() + kept, room, offset_)
                               : 0;
      if (got < 0 && errno == EINTR) continue;
      if (got > 0) offset_ += got;
      if (got <= 0) {
        if (got < 0) error_ = errno;
        done_ = true;
        rest_ = std::string_view(buffer_.data(), kept);
        return false;
      }
      bytes_ += static_cast<unsigned long long>(got);
      rest_ = std::string_view(buffer_.data(), kept + static_cast<std::size_t>(got));
      return true;
    }
  }

  int fd_ = -1;
  std::vector<char, LargeBlockAllocator<char>> buffer_;
  bool positioned_ = false;
  off_t offset_ = 0;
  off_t end_ = 0;
  std::string_view rest_;
  unsigned number_ = 0;
  int error_ = 0;
  bool done_ = false;
  unsigned long long bytes_ = 0;
};

WineRegistryReader::WineRegistryReader(MemoryRegistry& registry) : registry_(registry) {}

void WineRegistryReader::ReadFile(const std::string& hostPath, MemoryRegistry::Key* root) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT)
      Report(hostPath + " cannot be read (error " + std::to_string(ErrorFromErrno(errno, hostPath)) +
             "); its keys are left empty");
    return;
  }
  // A large file is cut in two at a key line near its middle.
  off_t split = 0;
  struct stat status;
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && static_cast<std::size_t>(status.st_size) >= splitFrom_) {
    auto size = static_cast<std::size_t>(status.st_size);
    std::string window(std::min(kSplitWindow, size / 2), '\0');
    ssize_t got = pread(fd, window.data(), window.size(), static_cast<off_t>(size / 2));
    if (got > 0) split = static_cast<off_t>(CutPoint(size, std::string_view(window.data(), static_cast<std::size_t>(got))));
  }
  int error = 0;
  unsigned long long bytes = 0;
  if (split) {
    LineSource head(fd, 0, split);
    LineSource tail(fd, split, std::numeric_limits<off_t>::max());
    bool both = ReadInTwo(head, tail, hostPath, root);
    error = head.error() ? head.error() : both ? tail.error() : 0;
    bytes = head.bytes() + (both ? tail.bytes() : 0);
  } else {
    LineSource source(fd);
    Read(source, hostPath, root, true);
    error = source.error();
    bytes = source.bytes();
  }
  bytesRead_ += bytes;
  if (error && bytes == 0)
    Report(hostPath + " cannot be read (error " + std::to_string(ErrorFromErrno(error, hostPath)) +
           "); its keys are left empty");
  else if (error)
    Report(hostPath + " cannot be read to its end (error " + std::to_string(ErrorFromErrno(error, hostPath)) +
           "); its keys are left as far as read");
  close(fd);
}

void WineRegistryReader::ReadText(std::string_view text, const std::string& name, MemoryRegistry::Key* root) {
  std::size_t split = text.size() >= splitFrom_ ? CutPoint(text.size(), text.substr(text.size() / 2, kSplitWindow)) : 0;
  if (split) {
    LineSource head(text.substr(0, split));
    LineSource tail(text.substr(split));
    ReadInTwo(head, tail, name, root);
  } else {
    LineSource source(text);
    Read(source, name, root, true);
  }
  bytesRead_ += text.size();
}

bool WineRegistryReader::ReadInTwo(LineSource& head, LineSource& tail, const std::string& name,
                                   MemoryRegistry::Key* root) {
  // The tail goes into a registry of its own on a second thread, which
  // prints nothing: its unreadable lines are named once the head is read,
  // as they would have been after the head's.
  ++readInTwo_;
  MemoryRegistry part;
  WineRegistryReader tailReader(part);
  tailReader.badLineNumbers_.emplace();
  MemoryRegistry::Key* tailRoot = part.RootKey(kLocalMachine);
  std::exception_ptr failure;
  auto readTail = [&] {
    try {
      tailReader.Read(tail, name, tailRoot, false);
    } catch (...) {
      failure = std::current_exception();
    }
  };
  bool headed = false;
  {
    std::optional<std::jthread> second;
    try {
      second.emplace(readTail);
    } catch (const std::system_error&) {
      // No thread to be had: the tail is read after the head.
    }
    headed = Read(head, name, root, true);
    if (!second && headed && !head.error()) readTail();
  }
  if (failure) std::rethrow_exception(failure);
  // Reading the file whole would have stopped in the head.
  if (!headed || head.error()) return false;

  registry_.TakeOver(part, tailRoot, root, tailReader.links_);
  links_.insert(links_.end(), tailReader.links_.begin(), tailReader.links_.end());
  for (unsigned line : *tailReader.badLineNumbers_) ReportBadLine(name, head.number() + line);
  return true;
}

void WineRegistryReader::ReportBadLine(const std::string& name, unsigned line) {
  if (badLineNumbers_) {
    badLineNumbers_->push_back(line);
    return;
  }
  if (++badLines_ <= kBadLinesShown)
    Report("Line " + std::to_string(line) + " of " + name + " cannot be read and is left out");
}

void WineRegistryReader::Finish() {
  // A link leads where its value SymbolicLinkValue says, wherever in the
  // file that was set; a link without one leads nowhere.
  for (MemoryRegistry::Key* key : links_) {
    std::uint32_t type = 0;
    std::string_view data;
    std::string target;
    if (registry_.GetValue(key, "SymbolicLinkValue", type, data) && type == kRegLink)
      target = LinkTargetPath(Utf16ToUtf8(FromLittleEndian(data)));
    registry_.MakeLink(key, target);
  }
  links_.clear();
  if (badLines_ > kBadLinesShown)
    Report(std::to_string(badLines_ - kBadLinesShown) + " more registry lines cannot be read and are left out");
}

bool WineRegistryReader::Read(LineSource& source, const std::string& name, MemoryRegistry::Key* root,
                              bool headed) {
  std::string_view line;
  if (headed && (!source.Next(line) || line != kHeader)) {
    if (source.error() == 0)
      Report(name + " is not a Wine registry file; its keys are left empty");
    return false;
  }

  // The keys along the last key line's path, so that the next key line,
  // which usually shares most of it, is found without searching.
  std::vector<MemoryRegistry::Key*> chain = {root};
  std::vector<std::string> chainNames;
  std::size_t chainDepth = 0;
  MemoryRegistry::Key* current = nullptr;
  bool inBrokenKey = false;  // the values of an unreadable key line are left out with it
  std::string path, valueName, data;
  std::u16string scratch;
  std::size_t units = 0;

  while (source.Next(line)) {
    SkipBlanks(line);
    if (line.empty() || line[0] == ';') continue;
    unsigned lineNumber = source.number();

    if (line[0] == '[') {
      line.remove_prefix(1);
      if (current) registry_.TrimValues(current);
      current = nullptr;
      inBrokenKey = !ReadEscaped(line, ']', path, units, scratch);
      if (inBrokenKey) {
        ReportBadLine(name, lineNumber);
        continue;
      }
      std::size_t depth = 0;
      std::string_view rest = path;
      while (!rest.empty()) {
        std::size_t slash = rest.find('\\');
        std::string_view component = rest.substr(0, slash);
        rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
        if (component.empty()) continue;
        if (depth < chainDepth && chainNames[depth] == component) {
          ++depth;
          continue;
        }
        chainDepth = depth;  // the chain is the same no further
        if (chainNames.size() <= depth) chainNames.resize(depth + 1);
        chainNames[depth].assign(component);  // reuses the string's room
        chain.resize(depth + 1);
        chain.push_back(registry_.AddSubkey(chain[depth], component));
        chainDepth = ++depth;
      }
      chain.resize(depth + 1);
      chainDepth = depth;
      current = chain[depth];
      continue;
    }

    if (line[0] == '#') {
      if (!current) continue;  // file options such as #arch
      if (ConsumePrefix(line, "#class=\"")) {
        if (ReadEscaped(line, '"', data, units, scratch))
          registry_.SetClass(current, data);
        else
          ReportBadLine(name, lineNumber);
      } else if (line.substr(0, 5) == "#link") {
        links_.push_back(current);
      }
      continue;
    }

    if (line[0] != '"' && line[0] != '@') {
      ReportBadLine(name, lineNumber);
      continue;
    }
    if (!current) {
      if (!inBrokenKey) ReportBadLine(name, lineNumber);
      continue;
    }

    // A value: its name, then its data in one of the forms Wine writes.
    bool ok = true;
    if (line[0] == '@') {
      valueName.clear();
      line.remove_prefix(1);
    } else {
      line.remove_prefix(1);
      ok = ReadEscaped(line, '"', valueName, units, scratch);
    }
    SkipBlanks(line);
    ok = ok && ConsumePrefix(line, "=");
    SkipBlanks(line);
    std::uint32_t type = kRegSz;
    std::size_t storedLength = 0;
    if (!ok) {
    } else if (line.substr(0, 1) == "\"" || line.substr(0, 3) == "str") {
      if (ConsumePrefix(line, "str(2):"))
        type = kRegExpandSz;
      else if (ConsumePrefix(line, "str(7):"))
        type = kRegMultiSz;
      else
        ConsumePrefix(line, "str:");
      ok = ConsumePrefix(line, "\"") && ReadEscaped(line, '"', data, units, scratch);
      data += '\0';  // the terminator the file leaves out
      storedLength = (units + 1) * 2;
    } else if (ConsumePrefix(line, "dword:")) {
      std::uint32_t number = 0;
      ok = ReadHexNumber(line, 8, number) && (line.empty() || IsBlank(line[0]));
      type = kRegDword;
      data.assign({static_cast<char>(number), static_cast<char>(number >> 8), static_cast<char>(number >> 16),
                   static_cast<char>(number >> 24)});
      storedLength = 4;
    } else if (ConsumePrefix(line, "hex")) {
      type = kRegBinary;
      if (ConsumePrefix(line, "("))
        ok = ReadHexNumber(line, 8, type) && ConsumePrefix(line, ")");
      ok = ok && ConsumePrefix(line, ":");
      data.clear();
      // Bytes of one or two hex digits, separated by commas; a line that
      // ends in a backslash goes on in the next.
      while (ok) {
        SkipBlanks(line);
        if (line.empty()) break;
        if (line[0] == ',') {
          line.remove_prefix(1);
        } else if (line[0] == '\\') {
          line.remove_prefix(1);
          SkipBlanks(line);
          ok = line.empty() && source.Next(line);
        } else {
          std::uint32_t byte = 0;
          ok = ReadHexNumber(line, 2, byte) && (line.empty() || line[0] == ',' || IsBlank(line[0]) || line[0] == '\\');
          data += static_cast<char>(byte);
        }
      }
      storedLength = data.size();
      if (ok && IsStringType(type)) {
        // String data is UTF-16; the single-byte world sees it as UTF-8. An
        // odd last byte is no unit and is dropped, as Windows drops it.
        std::u16string text = FromLittleEndian(data);
        data.clear();
        AppendUtf8(data, text);
      }
    } else {
      ok = false;
    }
    if (!ok) {
      ReportBadLine(name, lineNumber);
      continue;
    }
    registry_.SetValue(current, valueName, type, data, static_cast<std::uint32_t>(storedLength));
  }
  if (current) registry_.TrimValues(current);
  return true;
}

}  // namespace platform::posix
