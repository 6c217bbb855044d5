#include "platform/registry.h"

namespace platform {

Registry& SystemRegistry();

namespace {
Registry* installedRegistry = nullptr;
}

std::string_view RootKeyName(RegistryKey key) {
  constexpr const char* kNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                    "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG"};
  return key >= kClassesRoot && key <= kCurrentConfig ? kNames[key - kClassesRoot] : "";
}

Registry& Reg() { return installedRegistry ? *installedRegistry : SystemRegistry(); }
void SetRegistry(Registry* registry) { installedRegistry = registry; }

}  // namespace platform
