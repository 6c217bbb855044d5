// Checks the Windows build's registry service on the live registry under
// Wine, in what a walk cannot stage: a key that is deleted, made anew or
// changed while its handle waits parked between the walk's check and its
// listing; the room that names and data outside ASCII take in UTF-8. (That
// they come in UTF-8 at all, the walk of the whole registry shows.) Built
// with mingw-w64; prints a line for each check and exits 1 when one failed.

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <utility>

#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/win32/windows_api.h"

namespace platform {
Registry& SystemRegistry();  // platform/win32/registry.cpp
}

namespace {

platform::Registry& registry = platform::SystemRegistry();
const std::string kBase = "Software\\Vastrel Check";
int failures = 0;

void Check(bool ok, const std::string& what, std::uint32_t got = 0) {
  std::printf("%s %s", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) std::printf(" (got %u)", static_cast<unsigned>(got));
  std::printf("\n");
  failures += ok ? 0 : 1;
}

// Makes a key below HKEY_CURRENT_USER\Software\Vastrel Check with the
// system's own calls, with string values (name, text); or deletes it.
void Make(const std::wstring& name, std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> values = {}) {
  HKEY key = nullptr;
  ::RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\Vastrel Check\\" + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
  for (auto [value, text] : values)
    ::RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
}
void Delete(const std::wstring& name) {
  ::RegDeleteKeyW(HKEY_CURRENT_USER, (L"Software\\Vastrel Check\\" + name).c_str());
}

// What a walk does to a subkey before it lists it: open, query for nothing, close.
bool CheckOpens(const std::string& name) {
  platform::RegistryKey key = 0;
  if (registry.OpenKey(platform::kCurrentUser, (kBase + "\\" + name).c_str(), &key)) return false;
  std::uint32_t error = registry.QueryInfoKey(key, nullptr, nullptr, nullptr);
  registry.CloseKey(key);
  return error == 0;
}

// What a walk does to list it: open and query. 0 and the key, or the error.
std::uint32_t OpenAndQuery(const std::string& name, platform::RegistryKey& key, platform::RegistryKeyInfo& info) {
  if (std::uint32_t error = registry.OpenKey(platform::kCurrentUser, (kBase + "\\" + name).c_str(), &key)) return error;
  std::uint32_t error = registry.QueryInfoKey(key, nullptr, nullptr, &info);
  if (error) registry.CloseKey(key);
  return error;
}

void ParkedKeys() {
  platform::RegistryKey key;
  platform::RegistryKeyInfo info;

  Make(L"Gone");
  Check(CheckOpens("Gone"), "Gone opens");
  Delete(L"Gone");
  std::uint32_t error = OpenAndQuery("Gone", key, info);
  Check(error == platform::kErrorFileNotFound, "a key deleted after its check is not found, as a fresh open finds it",
        error);

  Make(L"Again", {{L"v", L"one"}});
  Check(CheckOpens("Again"), "Again opens");
  Delete(L"Again");
  Make(L"Again", {{L"v", L"two"}, {L"w", L"three"}});
  error = OpenAndQuery("Again", key, info);
  Check(error == 0 && info.values == 2, "a key deleted and made anew after its check is listed as it is now", error);
  if (error == 0) {
    char name[16], data[16];
    std::uint32_t nameLength = sizeof name, type = 0, dataLength = sizeof data;
    error = registry.EnumValue(key, 0, name, &nameLength, &type, reinterpret_cast<std::uint8_t*>(data), &dataLength);
    Check(error == 0 && std::strcmp(name, "v") == 0 && dataLength == 4 && std::strcmp(data, "two") == 0,
          "  with its new values", error);
    registry.CloseKey(key);
  }

  Make(L"Grows");
  Check(CheckOpens("Grows"), "Grows opens");
  Make(L"Grows", {{L"new", L"value"}});
  error = OpenAndQuery("Grows", key, info);
  Check(error == 0 && info.values == 1, "a key that gained a value after its check is listed with it", error);
  if (error == 0) registry.CloseKey(key);

  // Wine gives a predefined handle for Perflib\009, which cannot be queried.
  const char* perflibPath = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009";
  if (registry.OpenKey(platform::kLocalMachine, perflibPath, &key) == 0) {
    error = registry.QueryInfoKey(key, nullptr, nullptr, nullptr);
    Check(error != 0, "a key that opens but cannot be queried fails the check", error);
    registry.CloseKey(key);
  }
}

void TextOutsideAscii() {
  // "TestΩ中文🌍" (16 bytes in UTF-8), a value "Ωname" of "ΣΣ1".
  Make(L"Test\u03A9\u4E2D\u6587\U0001F30D", {{L"\u03A9name", L"\u03A3\u03A31"}});
  const std::string name = "Test\xCE\xA9\xE4\xB8\xAD\xE6\x96\x87\xF0\x9F\x8C\x8D";

  platform::RegistryKey parent = 0;
  registry.OpenKey(platform::kCurrentUser, kBase.c_str(), &parent);
  char buffer[17];
  std::uint32_t error = 0;
  for (std::uint32_t i = 0; error != platform::kErrorNoMoreItems; ++i) {
    error = registry.EnumKey(parent, i, buffer, 17);
    if (error == platform::kErrorMoreData || (error == 0 && name == buffer)) break;
  }
  Check(error == 0, "a subkey's name fits a buffer of its length in UTF-8 and a NUL", error);
  for (std::uint32_t i = 0; (error = registry.EnumKey(parent, i, buffer, 16)) == 0; ++i) {
  }
  Check(error == platform::kErrorMoreData, "  and not one byte less", error);
  registry.CloseKey(parent);

  platform::RegistryKey key = 0;
  platform::RegistryKeyInfo info;
  error = OpenAndQuery(name, key, info);
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
        "  and fits in as many", error);
  registry.CloseKey(key);
}

}  // namespace

int main() {
  ParkedKeys();
  TextOutsideAscii();
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Vastrel Check");
  return failures == 0 ? 0 : 1;
}
