#include "registry/reg_export.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "io/file.h"
#include "io/little_endian.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "registry/change_script.h"
#include "registry/key_path.h"

namespace {

// Hex lines wrap once they reach this many characters since the last wrap.
constexpr std::size_t kHexLineWidth = 79;
constexpr char kHexContinuation[] = "\\\r\n  ";

std::string ValuePrefix(const RegistryEntry& value) {
  return value.name.empty() ? std::string("@=") : "\"" + value.name + "\"=";
}

std::string HexLine(std::string line, const RegistryEntry& value) {
  static const char kDigits[] = "0123456789ABCDEF";
  line.reserve(line.size() + std::size_t{value.dataLength} * 3 + value.dataLength / 25 * 5 + 8);
  std::size_t wrapMark = 0;
  for (std::uint32_t i = 0; i < value.dataLength; ++i) {
    if (i != 0) line += ',';
    if (line.size() >= wrapMark + kHexLineWidth) {
      wrapMark = line.size();
      line += kHexContinuation;
    }
    std::uint8_t byte = value.data[i];
    line += kDigits[byte >> 4];
    line += kDigits[byte & 15];
  }
  line += "\r\n";
  return line;
}

// The first four bytes, little-endian; a shorter value has 0 for the bytes
// it lacks.
std::uint32_t DwordOf(const RegistryEntry& value) {
  unsigned char bytes[kU32Size] = {};
  if (value.dataLength != 0) std::memcpy(bytes, value.data.get(), std::min(value.dataLength, kU32Size));
  return GetU32(bytes);
}

}  // namespace

std::string FormatRegValueLine(const RegistryEntry& value) {
  char buffer[32];
  switch (value.type) {
    case platform::kRegSz:
    case platform::kRegExpandSz: {
      const char* text = reinterpret_cast<const char*>(value.data.get());
      std::string data;
      if (value.dataLength != 0) data.assign(text, value.dataLength);
      data.resize(std::char_traits<char>::length(data.c_str()));  // up to the first NUL
      return ValuePrefix(value) + "\"" + data + "\"\r\n";
    }
    case platform::kRegBinary:
      return HexLine(ValuePrefix(value) + "hex:", value);
    case platform::kRegDword:
    case platform::kRegDwordBigEndian:
      std::snprintf(buffer, sizeof buffer, "dword:%08X\r\n", static_cast<unsigned>(DwordOf(value)));
      return ValuePrefix(value) + buffer;
    case 6: case 7: case 8: case 9: case 10:
      std::snprintf(buffer, sizeof buffer, "hex(%d):", static_cast<int>(value.type));
      return HexLine(ValuePrefix(value) + buffer, value);
    default:
      // Printed signed, as the tool always has; the default value has an
      // empty name here, not an at sign.
      std::snprintf(buffer, sizeof buffer, "=Error Bad Type %d\r\n", static_cast<int>(value.type));
      return "\"" + value.name + "\"" + buffer;
  }
}

void WriteAsReg(File& file, const RegistryEntry& entry, const char* keyPath) {
  if (entry.isKey) {
    if (keyPath) file.Write("\r\n[" + ChildKeyPath(keyPath, entry.name) + "]\r\n");
    return;
  }
  if (keyPath) file.Write("\r\n[" + std::string(keyPath) + "]\r\n");
  file.Write(FormatRegValueLine(entry));
}

bool ExportLiveKey(File& file, const std::string& keyPath, ListingRoom& room, ChangeScript* script) {
  RegistryKeyEnumerator enumerator(room);
  if (!enumerator.Open(keyPath)) {
    std::uint32_t error = platform::GetLastError();
    if (IsGoneError(error)) return true;  // listed a moment ago, gone now: nothing to export
    std::printf("path not found %d\n%s\n", static_cast<int>(error), keyPath.c_str());
    return false;
  }
  while (enumerator.Next()) {
    const RegistryEntry& entry = enumerator.current;
    if (!enumerator.CanOpenCurrent()) {
      std::printf("\n---->%s\\%s\n", keyPath.c_str(), entry.name.c_str());
      continue;
    }
    if (entry.IsValue()) {
      WriteAsReg(file, entry, nullptr);
      if (script) script->SetValue(keyPath, entry);
      continue;
    }
    WriteAsReg(file, entry, keyPath.c_str());
    std::string childPath = ChildKeyPath(keyPath, entry.name);
    if (script) script->AddKey(childPath);
    if (!ExportLiveKey(file, childPath, room, script)) return false;
  }
  std::uint32_t status = platform::GetLastError();
  if (status == platform::kErrorNoMoreFiles) return true;
  std::printf("\n->%s\nError %d\n", keyPath.c_str(), static_cast<int>(status));
  return false;
}
