#include "platform/last_error.h"

#include "platform/win32/windows_api.h"

namespace platform {

std::uint32_t GetLastError() { return ::GetLastError(); }
void SetLastError(std::uint32_t error) { ::SetLastError(error); }

}  // namespace platform
