#pragma once
// A registry that answers from another one, except where a test has staged
// something: a call on a chosen key that fails with a chosen error, or a hook
// that runs before each call is answered and may change the registry below
// (delete a value, a subkey or the key itself between the key's listing and
// its reading) or stage a failure for that very call. Keys are named by the
// full path they were opened with, root name first, as the caller spelled it.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/last_error.h"
#include "platform/registry.h"

namespace test {

class StagedRegistry : public platform::Registry {
 public:
  enum class Call { kOpenKey, kQueryInfoKey, kEnumValue, kEnumKey };
  /// A call about to be answered: on the key at `path` (for kOpenKey, the key
  /// to be opened), for the entry at `index` (kEnumValue, kEnumKey).
  struct Point {
    Call call;
    const std::string& path;
    std::uint32_t index;
  };
  using Hook = std::function<void(const Point&)>;

  explicit StagedRegistry(platform::Registry& below) : below_(below) {}

  /// From now on `call` on the key at `path` fails with `error`; 0 ends that.
  void Fail(Call call, std::string_view path, std::uint32_t error = platform::kErrorAccessDenied);
  /// Runs `hook` before every call is answered (null: none).
  void SetHook(Hook hook) { hook_ = std::move(hook); }

  std::uint32_t OpenKey(platform::RegistryKey parent, const char* subKey, platform::RegistryKey* result) override;
  std::uint32_t QueryInfoKey(platform::RegistryKey key, char* className, std::uint32_t* classLength,
                             platform::RegistryKeyInfo* info) override;
  std::uint32_t EnumValue(platform::RegistryKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                          std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) override;
  std::uint32_t EnumKey(platform::RegistryKey key, std::uint32_t index, char* name, std::uint32_t nameSize) override;
  std::uint32_t CloseKey(platform::RegistryKey key) override;

 private:
  struct Failure {
    Call call;
    std::string path;
    std::uint32_t error;
  };
  // The path of an open key or a root handle; empty for any other handle.
  std::string PathOf(platform::RegistryKey key) const;
  // Runs the hook, then answers with the failure staged for the call, if any (0: none).
  std::uint32_t Stage(Call call, const std::string& path, std::uint32_t index = 0);

  platform::Registry& below_;
  std::map<platform::RegistryKey, std::string> openPaths_;
  std::vector<Failure> failures_;
  Hook hook_;
};

}  // namespace test
