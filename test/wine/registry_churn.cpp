// Changes the registry below HKEY_CURRENT_USER\Software\Vastrel Churn without
// pause, as services, installers and Explorer change a live system's while a
// walk reads it: in turn it makes each of a few dozen keys, with values and
// subkeys, beside a value of the churned key itself, and then deletes them
// again in the same order. Built with mingw-w64 and run under Wine; says
// "churning" once it has begun, runs until the file named by its argument
// exists, then prints how many keys it made and deleted.

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/win32/windows_api.h"

namespace {

constexpr int kKeys = 40;
constexpr int kValues = 8;
constexpr int kSubkeys = 3;

void SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
  ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

HKEY Create(HKEY parent, const wchar_t* name) {
  HKEY key = nullptr;
  ::RegCreateKeyExW(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::wstring stop(argv[1], argv[1] + std::char_traits<char>::length(argv[1]));
  HKEY churned = Create(HKEY_CURRENT_USER, L"Software\\Vastrel Churn");
  if (!churned) return 1;
  std::printf("churning\n");
  std::fflush(stdout);
  unsigned long made = 0, deleted = 0;
  for (unsigned round = 0; ::GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES; ++round) {
    wchar_t name[16];
    std::swprintf(name, 16, L"k%02u", round % kKeys);
    if (round / kKeys % 2 == 0) {
      HKEY key = Create(churned, name);
      for (int v = 0; v < kValues; ++v) {
        wchar_t value[16];
        std::swprintf(value, 16, L"v%d", v);
        SetString(key, value, std::wstring(name) + L" " + value);
      }
      for (int s = 0; s < kSubkeys; ++s) {
        wchar_t subkey[16];
        std::swprintf(subkey, 16, L"s%d", s);
        HKEY below = Create(key, subkey);
        SetString(below, nullptr, subkey);
        ::RegCloseKey(below);
      }
      ::RegCloseKey(key);
      DWORD number = round;
      ::RegSetValueExW(churned, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
      ++made;
    } else {
      ::RegDeleteTreeW(churned, name);
      ::RegDeleteValueW(churned, name);
      ++deleted;
    }
  }
  ::RegCloseKey(churned);
  std::printf("made %lu keys, deleted %lu\n", made, deleted);
  return 0;
}
