#include "registry/root_key_table.h"

platform::RegistryKey FindRootKey(const std::string& name) {
  for (const RootKey& root : RootKeyTable)
    if (name == root.name) return root.handle;
  return 0;
}
