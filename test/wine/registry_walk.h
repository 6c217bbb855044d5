#pragma once
// A walk of the whole registry that writes every key and value as text, for
// comparing two ways of reading one registry: written once over any API with
// the five Win32 operations, so that both sides walk alike.
//
// Each key gives a line "[path] keys=N values=N max=N" (or "[path] error N"),
// then one line per value: "name|type|hex data". Bytes outside printable
// ASCII are written as %NN in key paths (and so is %), so that every
// backslash there separates two names, and as \xNN in value names (and so
// are backslashes and bars).

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace registry_walk {

inline std::string Escape(const char* text, std::size_t length, bool isPath = false) {
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c >= 0x7f || (isPath ? c == '%' : c == '\\' || c == '|')) {
      char hex[8];
      std::snprintf(hex, sizeof hex, isPath ? "%%%02x" : "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                      "HKEY_CURRENT_CONFIG"};
constexpr std::uintptr_t kRootHandles[] = {0x80000000, 0x80000001, 0x80000002, 0x80000003, 0x80000005};

// `Api` has Open(root, subPath, &key), Query(key, &subkeys, &values, &maxValueLength),
// EnumValue(key, index, name, &nameLength, &type, data, &dataLength),
// EnumKey(key, index, name, size) and Close(key), returning Win32 error numbers.
template <typename Api>
void WalkKey(Api& api, std::uintptr_t root, const std::string& rootName, const std::string& subPath,
             std::string& out) {
  std::string path = subPath.empty() ? rootName : rootName + "\\" + subPath;
  typename Api::Key key;
  std::uint32_t error = api.Open(root, subPath.c_str(), &key);
  if (error) {
    out += "[" + Escape(path.data(), path.size(), true) + "] error " + std::to_string(error) + "\n";
    return;
  }
  std::uint32_t subkeys = 0, values = 0, maxValueLength = 0;
  error = api.Query(key, &subkeys, &values, &maxValueLength);
  if (error) {
    out += "[" + Escape(path.data(), path.size(), true) + "] query error " + std::to_string(error) + "\n";
    api.Close(key);
    return;
  }
  out += "[" + Escape(path.data(), path.size(), true) + "] keys=" + std::to_string(subkeys) +
         " values=" + std::to_string(values) + " max=" + std::to_string(maxValueLength) + "\n";
  std::vector<char> name(32768);
  std::vector<std::uint8_t> data(2 * maxValueLength + 2);
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t nameLength = static_cast<std::uint32_t>(name.size()), type = 0;
    std::uint32_t dataLength = static_cast<std::uint32_t>(data.size());
    error = api.EnumValue(key, i, name.data(), &nameLength, &type, data.data(), &dataLength);
    if (error == 234) {
      out += "  (data larger than twice the largest plus 2)\n";
      data.resize(dataLength + 2);
      nameLength = static_cast<std::uint32_t>(name.size());
      dataLength = static_cast<std::uint32_t>(data.size());
      error = api.EnumValue(key, i, name.data(), &nameLength, &type, data.data(), &dataLength);
    }
    if (error == 259) break;
    if (error) {
      out += "  value " + std::to_string(i) + " error " + std::to_string(error) + "\n";
      break;
    }
    out += Escape(name.data(), nameLength) + "|" + std::to_string(type) + "|";
    char hex[4];
    for (std::uint32_t k = 0; k < dataLength; ++k) {
      std::snprintf(hex, sizeof hex, "%02x", data[k]);
      out += hex;
    }
    out += "\n";
  }
  std::vector<std::string> names;
  for (std::uint32_t i = 0;; ++i) {
    error = api.EnumKey(key, i, name.data(), 2048);
    if (error == 259) break;
    if (error) {
      out += "  key " + std::to_string(i) + " error " + std::to_string(error) + "\n";
      break;
    }
    names.push_back(name.data());
  }
  api.Close(key);
  // A name that a NUL cuts short to nothing would open this key again.
  for (const std::string& child : names)
    if (!child.empty()) WalkKey(api, root, rootName, subPath.empty() ? child : subPath + "\\" + child, out);
}

template <typename Api>
std::string WalkAll(Api& api) {
  std::string out;
  for (int i = 0; i < 5; ++i) WalkKey(api, kRootHandles[i], kRootNames[i], "", out);
  return out;
}

}  // namespace registry_walk
