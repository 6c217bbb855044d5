#include "platform/console.h"

#include <cstdio>

namespace platform {

void Report(const std::string& message) { std::printf("\b \n%s\n", message.c_str()); }

}  // namespace platform
