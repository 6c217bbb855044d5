#include "platform/registry.h"

#include <cstdlib>

#include "platform/console.h"
#include "platform/memory_registry.h"
#include "platform/posix/prefix.h"
#include "platform/posix/prefix_registry.h"
#include "platform/posix/wine_registry_reader.h"
#include "platform/posix/wine_server.h"

namespace platform {

namespace posix {

unsigned long long LoadPrefixRegistry(const std::string& prefix, MemoryRegistry& registry) {
  const char* tmp = std::getenv("TMPDIR");
  if (WineServerRunning(prefix, tmp && *tmp ? tmp : "/tmp"))
    Report("A Wine server is running for this prefix: registry changes of the last 30 seconds "
           "may not be in its files yet (wineserver -w waits for them)");

  std::string users = "HKEY_USERS\\";
  registry.AliasRoot(kCurrentUser, users + kPrefixUserSid);
  registry.AliasRoot(kClassesRoot, "HKEY_LOCAL_MACHINE\\Software\\Classes");
  registry.AliasRoot(kCurrentConfig,
                     "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current");

  WineRegistryReader reader(registry);
  reader.ReadFile(prefix + "/system.reg", registry.RootKey(kLocalMachine));
  reader.ReadFile(prefix + "/user.reg", registry.RootKey(kCurrentUser));
  reader.ReadFile(prefix + "/userdef.reg", registry.AddSubkey(registry.RootKey(kUsers), ".Default"));
  reader.Finish();
  // Wine makes these two when it starts, through the links on their way.
  registry.RootKey(kClassesRoot);
  registry.RootKey(kCurrentConfig);
  return reader.bytesRead();
}

}  // namespace posix

Registry& SystemRegistry() {
  // Read at the first registry call, once; the files are never written.
  static MemoryRegistry registry;
  static bool loaded = (posix::LoadPrefixRegistry(posix::PrefixFolder(), registry), true);
  (void)loaded;
  return registry;
}

}  // namespace platform
