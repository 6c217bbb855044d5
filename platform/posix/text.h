#pragma once
// The Linux code's names for the shared text helpers.

#include "platform/text.h"

namespace platform::posix {

using platform::EqualNoCase;
using platform::ToLower;
using platform::ToUpper;
using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

}  // namespace platform::posix
