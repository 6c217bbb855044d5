#include "registry/change_script.h"

#include "io/file.h"
#include "io/little_endian.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

constexpr char16_t kHeader[] = u"Windows Registry Editor Version 5.00\r\n";
// regedit wraps a hex line once it holds this many characters, its last
// comma included, and goes on after two blanks.
constexpr std::size_t kHexWrapAt = 77;
constexpr char16_t kHexContinuation[] = u"\\\r\n  ";

std::u16string Quoted(std::u16string_view text) {
  std::u16string quoted = u"\"";
  for (char16_t unit : text) {
    if (unit == u'\\' || unit == u'"') quoted += u'\\';
    quoted += unit;
  }
  quoted += u'"';
  return quoted;
}

std::u16string NamePrefix(std::string_view name) {
  return name.empty() ? std::u16string(u"@=") : Quoted(platform::Utf8ToUtf16(name)) + u"=";
}

void AppendLittleEndian(std::string& bytes, std::u16string_view units) {
  bytes.reserve(bytes.size() + units.size() * 2);
  for (char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
}

// The value's data as the registry holds it: strings in UTF-16 (the walks
// carry them in UTF-8), everything else as it is.
std::string RegistryBytes(const RegistryEntry& value) {
  const char* data = reinterpret_cast<const char*>(value.data.get());
  std::string_view bytes(data ? data : "", value.dataLength);
  if (!platform::IsStringType(value.type)) return std::string(bytes);
  std::string wide;
  AppendLittleEndian(wide, platform::Utf8ToUtf16(bytes));
  return wide;
}

// A string that is its text and one NUL, with no line break a reader would
// split it at; then the text, otherwise nothing.
bool AsText(const RegistryEntry& value, std::u16string& text) {
  if (value.type != platform::kRegSz || value.dataLength == 0) return false;
  const char* data = reinterpret_cast<const char*>(value.data.get());
  std::string_view bytes(data, value.dataLength);
  if (bytes.back() != '\0') return false;
  bytes.remove_suffix(1);
  if (bytes.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos) return false;
  text = platform::Utf8ToUtf16(bytes);
  return true;
}

// Appends `number` in lower-case hexadecimal, with at least `digits` digits.
void AppendHex(std::u16string& out, std::uint32_t number, int digits) {
  char16_t text[8];
  int length = 0;
  do text[length++] = static_cast<char16_t>("0123456789abcdef"[number & 15]);
  while ((number >>= 4) != 0 || length < digits);
  while (length > 0) out += text[--length];
}

}  // namespace

std::u16string FormatScriptValue(const RegistryEntry& value) {
  std::u16string out = NamePrefix(value.name);
  std::u16string text;
  if (AsText(value, text)) return out + Quoted(text);
  if (value.type == platform::kRegDword && value.dataLength == 4) {
    out += u"dword:";
    AppendHex(out, GetU32(value.data.get()), 8);
    return out;
  }
  out += u"hex";
  if (value.type != platform::kRegBinary) {
    out += u'(';
    AppendHex(out, value.type, 1);
    out += u')';
  }
  out += u':';
  std::string bytes = RegistryBytes(value);
  std::size_t lineLength = out.size();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto byte = static_cast<unsigned char>(bytes[i]);
    out += static_cast<char16_t>("0123456789abcdef"[byte >> 4]);
    out += static_cast<char16_t>("0123456789abcdef"[byte & 15]);
    lineLength += 2;
    if (i + 1 == bytes.size()) break;
    out += u',';
    if (++lineLength >= kHexWrapAt) {
      out += kHexContinuation;
      lineLength = 2;
    }
  }
  return out;
}

ChangeScript::ChangeScript(File& file) : file_(file) {
  Write(u"\uFEFF");
  Write(kHeader);
}

void ChangeScript::AddKey(std::string_view path) { StartSection(path); }

void ChangeScript::DeleteKey(std::string_view path) {
  Write(u"\r\n[-" + platform::Utf8ToUtf16(path) + u"]\r\n");
  sectionOpen_ = false;
  any_ = true;
}

void ChangeScript::SetValue(std::string_view path, const RegistryEntry& value) {
  if (!sectionOpen_ || section_ != path) StartSection(path);
  Write(FormatScriptValue(value) + u"\r\n");
}

void ChangeScript::DeleteValue(std::string_view path, std::string_view name) {
  if (!sectionOpen_ || section_ != path) StartSection(path);
  Write(NamePrefix(name) + u"-\r\n");
}

void ChangeScript::Finish() {
  if (any_) Write(u"\r\n");
}

void ChangeScript::StartSection(std::string_view path) {
  Write(u"\r\n[" + platform::Utf8ToUtf16(path) + u"]\r\n");
  section_.assign(path);
  sectionOpen_ = true;
  any_ = true;
}

void ChangeScript::Write(std::u16string_view text) {
  bytes_.clear();
  AppendLittleEndian(bytes_, text);
  file_.Write(bytes_);
}
