#include "platform/registry.h"

namespace platform {

Registry& SystemRegistry();

namespace {
Registry* installedRegistry = nullptr;
}

Registry& Reg() { return installedRegistry ? *installedRegistry : SystemRegistry(); }
void SetRegistry(Registry* registry) { installedRegistry = registry; }

}  // namespace platform
