// Checks the Windows build's registry service on the live registry under
// Wine, in what a walk cannot stage: a key that is deleted, made anew or
// changed while its handle waits parked between the walk's check and its
// listing; names and data outside ASCII and the room they take in UTF-8.
// Built with mingw-w64; prints a line for each check and exits 1 when one
// failed.

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/win32/windows_api.h"

namespace platform {
Registry& SystemRegistry();  // platform/win32/registry.cpp
}

namespace {

using platform::RegistryKey;

platform::Registry& registry = platform::SystemRegistry();
int failures = 0;

void Check(bool ok, const std::string& what, std::uint32_t got = 0) {
  std::printf("%s %s", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) std::printf(" (got %u)", static_cast<unsigned>(got));
  std::printf("\n");
  failures += ok ? 0 : 1;
}

// Staged with the system's own calls, below HKEY_CURRENT_USER\Software\Vastrel Check.
HKEY Create(const wchar_t* name) {
  HKEY key = nullptr;
  std::wstring path = std::wstring(L"Software\\Vastrel Check\\") + name;
  ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}
void SetString(HKEY key, const wchar_t* name, const wchar_t* text) {
  ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)));
}
void Delete(const wchar_t* name) {
  ::RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Vastrel Check\\") + name).c_str());
}

// What a walk does to a subkey before it lists it: open, query, close.
bool CheckOpens(const std::string& path) {
  RegistryKey key = 0;
  if (registry.OpenKey(platform::kCurrentUser, path.c_str(), &key)) return false;
  std::uint32_t error = registry.QueryInfoKey(key, nullptr, nullptr, nullptr);
  registry.CloseKey(key);
  return error == 0;
}

// What a walk does to list it: open and query. 0 and the key, or the error.
std::uint32_t OpenAndQuery(const std::string& path, RegistryKey& key, platform::RegistryKeyInfo& info) {
  if (std::uint32_t error = registry.OpenKey(platform::kCurrentUser, path.c_str(), &key)) return error;
  std::uint32_t error = registry.QueryInfoKey(key, nullptr, nullptr, &info);
  if (error) registry.CloseKey(key);
  return error;
}

void ParkedKeys() {
  const std::string base = "Software\\Vastrel Check\\";
  RegistryKey key;
  platform::RegistryKeyInfo info;

  ::RegCloseKey(Create(L"Gone"));
  Check(CheckOpens(base + "Gone"), "Gone opens");
  Delete(L"Gone");
  std::uint32_t error = OpenAndQuery(base + "Gone", key, info);
  Check(error == platform::kErrorFileNotFound, "a key deleted after its check is not found, as a fresh open finds it",
        error);

  HKEY made = Create(L"Again");
  SetString(made, L"v", L"one");
  ::RegCloseKey(made);
  Check(CheckOpens(base + "Again"), "Again opens");
  Delete(L"Again");
  made = Create(L"Again");
  SetString(made, L"v", L"two");
  SetString(made, L"w", L"three");
  ::RegCloseKey(made);
  error = OpenAndQuery(base + "Again", key, info);
  Check(error == 0 && info.values == 2, "a key deleted and made anew after its check is listed as it is now", error);
  if (error == 0) {
    char name[16], data[16];
    std::uint32_t nameLength = sizeof name, type = 0, dataLength = sizeof data;
    error = registry.EnumValue(key, 0, name, &nameLength, &type, reinterpret_cast<std::uint8_t*>(data), &dataLength);
    Check(error == 0 && std::strcmp(name, "v") == 0 && dataLength == 4 && std::strcmp(data, "two") == 0,
          "  with its new values", error);
    registry.CloseKey(key);
  }

  made = Create(L"Grows");
  ::RegCloseKey(made);
  Check(CheckOpens(base + "Grows"), "Grows opens");
  made = Create(L"Grows");
  SetString(made, L"new", L"value");
  ::RegCloseKey(made);
  error = OpenAndQuery(base + "Grows", key, info);
  Check(error == 0 && info.values == 1, "a key that gained a value after its check is listed with it", error);
  if (error == 0) registry.CloseKey(key);

  // Wine gives a predefined handle for Perflib\009, which cannot be queried.
  RegistryKey perflib = 0;
  const char* perflibPath = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009";
  if (registry.OpenKey(platform::kLocalMachine, perflibPath, &perflib) == 0) {
    error = registry.QueryInfoKey(perflib, nullptr, nullptr, nullptr);
    Check(error != 0, "a key that opens but cannot be queried fails the check", error);
    registry.CloseKey(perflib);
  }
}

void TextOutsideAscii() {
  // "TestΩ中文🌍", a value "Ωname" of "ΣΣ1".
  HKEY made = Create(L"Test\u03A9\u4E2D\u6587\U0001F30D");
  SetString(made, L"\u03A9name", L"\u03A3\u03A31");
  ::RegCloseKey(made);
  const std::string name = "Test\xCE\xA9\xE4\xB8\xAD\xE6\x96\x87\xF0\x9F\x8C\x8D";  // 16 bytes

  RegistryKey parent = 0;
  registry.OpenKey(platform::kCurrentUser, "Software\\Vastrel Check", &parent);
  char buffer[64];
  std::uint32_t error = 1;
  for (std::uint32_t i = 0; registry.EnumKey(parent, i, buffer, sizeof buffer) == 0; ++i)
    if (name == buffer) error = 0;
  Check(error == 0, "a subkey's name comes in UTF-8");
  error = 0;
  for (std::uint32_t i = 0; error != platform::kErrorNoMoreItems; ++i) {
    error = registry.EnumKey(parent, i, buffer, 17);
    if (error == platform::kErrorMoreData || (error == 0 && name == buffer)) break;
  }
  Check(error == 0, "  in a buffer of its length and a NUL", error);
  for (std::uint32_t i = 0; (error = registry.EnumKey(parent, i, buffer, 16)) == 0; ++i) {
  }
  Check(error == platform::kErrorMoreData, "  and not in one byte less", error);
  registry.CloseKey(parent);

  RegistryKey key = 0;
  platform::RegistryKeyInfo info;
  error = OpenAndQuery("Software\\Vastrel Check\\" + name, key, info);
  Check(error == 0 && info.values == 1 && info.maxValueNameLength == 5 && info.maxValueLength == 8,
        "a key opens by its UTF-8 path; the largest lengths are the registry's own", error);
  if (error) return;
  char valueName[16];
  std::uint8_t data[16];
  std::uint32_t nameLength = sizeof valueName, type = 0, dataLength = 5;
  error = registry.EnumValue(key, 0, valueName, &nameLength, &type, data, &dataLength);
  Check(error == platform::kErrorMoreData && dataLength == 6,
        "string data that does not fit tells the bytes it takes in UTF-8", error);
  nameLength = sizeof valueName, dataLength = 6;
  error = registry.EnumValue(key, 0, valueName, &nameLength, &type, data, &dataLength);
  Check(error == 0 && std::string(valueName, nameLength) == "\xCE\xA9name" && type == 1 && dataLength == 6 &&
            std::memcmp(data, "\xCE\xA3\xCE\xA3" "1", 6) == 0,
        "a value's name and string data come in UTF-8", error);
  registry.CloseKey(key);
}

}  // namespace

int main() {
  ParkedKeys();
  TextOutsideAscii();
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Vastrel Check");
  return failures == 0 ? 0 : 1;
}
