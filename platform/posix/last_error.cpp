#include "platform/last_error.h"

namespace platform {
namespace {
thread_local std::uint32_t lastError = 0;
}

std::uint32_t GetLastError() { return lastError; }
void SetLastError(std::uint32_t error) { lastError = error; }

}  // namespace platform
