#include "platform/registry.h"

#include "platform/win32/windows_api.h"

namespace platform {
namespace {

// Our root handles are the 32-bit values; Windows' own are those values
// sign-extended to the width of a pointer.
HKEY ToHkey(RegistryKey key) {
  if (key >= kClassesRoot && key <= kCurrentConfig + 1)
    return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(key)));
  return reinterpret_cast<HKEY>(key);
}

// The registry API speaks DWORD (unsigned long); our interface uint32_t.
class Dword {
 public:
  explicit Dword(std::uint32_t* target) : target_(target), value_(target ? *target : 0) {}
  ~Dword() {
    if (target_) *target_ = value_;
  }
  Dword(const Dword&) = delete;
  Dword& operator=(const Dword&) = delete;
  DWORD* get() { return target_ ? &value_ : nullptr; }

 private:
  std::uint32_t* target_;
  DWORD value_;
};

class Win32Registry : public Registry {
 public:
  std::uint32_t OpenKey(RegistryKey parent, const char* subKey, RegistryKey* result) override {
    HKEY opened = nullptr;
    LONG error = ::RegOpenKeyExA(ToHkey(parent), subKey, 0, KEY_READ, &opened);
    *result = error == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(opened) : 0;
    return static_cast<std::uint32_t>(error);
  }

  std::uint32_t QueryInfoKey(RegistryKey key, char* className, std::uint32_t* classLength,
                             RegistryKeyInfo* info) override {
    Dword length(classLength);
    DWORD subKeys = 0, maxSubKeyLength = 0, maxClassLength = 0, values = 0, maxValueNameLength = 0,
          maxValueLength = 0, securityDescriptorLength = 0;
    FILETIME lastWrite = {0, 0};
    LONG error = ::RegQueryInfoKeyA(ToHkey(key), className, length.get(), nullptr, &subKeys,
                                    &maxSubKeyLength, &maxClassLength, &values, &maxValueNameLength,
                                    &maxValueLength, &securityDescriptorLength, &lastWrite);
    if (error == ERROR_SUCCESS && info) {
      info->subKeys = subKeys;
      info->maxSubKeyLength = maxSubKeyLength;
      info->maxClassLength = maxClassLength;
      info->values = values;
      info->maxValueNameLength = maxValueNameLength;
      info->maxValueLength = maxValueLength;
      info->securityDescriptorLength = securityDescriptorLength;
      info->lastWriteTime = {lastWrite.dwLowDateTime, lastWrite.dwHighDateTime};
    }
    return static_cast<std::uint32_t>(error);
  }

  std::uint32_t EnumValue(RegistryKey key, std::uint32_t index, char* name,
                          std::uint32_t* nameLength, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* dataLength) override {
    Dword nameSize(nameLength), valueType(type), dataSize(dataLength);
    return static_cast<std::uint32_t>(::RegEnumValueA(ToHkey(key), index, name, nameSize.get(),
                                                      nullptr, valueType.get(), data,
                                                      dataSize.get()));
  }

  std::uint32_t EnumKey(RegistryKey key, std::uint32_t index, char* name,
                        std::uint32_t nameSize) override {
    return static_cast<std::uint32_t>(::RegEnumKeyA(ToHkey(key), index, name, nameSize));
  }

  std::uint32_t CloseKey(RegistryKey key) override {
    return static_cast<std::uint32_t>(::RegCloseKey(ToHkey(key)));
  }
};

}  // namespace

Registry& SystemRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace platform
