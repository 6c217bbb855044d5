#pragma once
// The registry, read only, with the semantics of the Win32 registry API:
// keys below the predefined root handles, values and subkeys by index, and
// Win32 error numbers as results (0 for success).

#include <cstdint>

#include "platform/find_data.h"

namespace platform {

using RegistryKey = std::uintptr_t;

constexpr RegistryKey kClassesRoot = 0x80000000;
constexpr RegistryKey kCurrentUser = 0x80000001;
constexpr RegistryKey kLocalMachine = 0x80000002;
constexpr RegistryKey kUsers = 0x80000003;
constexpr RegistryKey kPerformanceData = 0x80000004;
constexpr RegistryKey kCurrentConfig = 0x80000005;

constexpr std::uint32_t kKeyRead = 0x20019;

// Value types.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegDwordBigEndian = 5;
constexpr std::uint32_t kRegLink = 6;
constexpr std::uint32_t kRegMultiSz = 7;

/// Whether a value of `type` holds text: REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ.
constexpr bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

/// What RegQueryInfoKeyA tells of a key besides its class name.
struct RegistryKeyInfo {
  std::uint32_t subKeys = 0;
  std::uint32_t maxSubKeyLength = 0;
  std::uint32_t maxClassLength = 0;
  std::uint32_t values = 0;
  std::uint32_t maxValueNameLength = 0;
  std::uint32_t maxValueLength = 0;  // largest value data, in bytes
  std::uint32_t securityDescriptorLength = 0;
  FileTime lastWriteTime = {0, 0};
};

class Registry {
 public:
  virtual ~Registry() = default;
  /// RegOpenKeyExA with KEY_READ: opens `subKey` ("" for `parent` itself)
  /// below a root handle or an open key.
  virtual std::uint32_t OpenKey(RegistryKey parent, const char* subKey, RegistryKey* result) = 0;
  /// RegQueryInfoKeyA. `classLength` holds the class buffer's size on entry.
  virtual std::uint32_t QueryInfoKey(RegistryKey key, char* className, std::uint32_t* classLength,
                                     RegistryKeyInfo* info) = 0;
  /// RegEnumValueA. `nameLength` holds the name buffer's size on entry and the
  /// name's length on return; `dataLength` the data buffer's size on entry and
  /// the data's length on return. 234 when the name or the data does not fit
  /// (`dataLength` then tells what the data needs); 259 past the last value.
  virtual std::uint32_t EnumValue(RegistryKey key, std::uint32_t index, char* name,
                                  std::uint32_t* nameLength, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* dataLength) = 0;
  /// RegEnumKeyA: the name of the subkey at `index`; 259 past the last one.
  virtual std::uint32_t EnumKey(RegistryKey key, std::uint32_t index, char* name,
                                std::uint32_t nameSize) = 0;
  /// RegCloseKey.
  virtual std::uint32_t CloseKey(RegistryKey key) = 0;
};

/// The registry every subsystem reads: the system's, unless a test installed another.
Registry& Reg();
/// Installs `registry` as the one Reg() returns (null: the system's again).
void SetRegistry(Registry* registry);

}  // namespace platform
