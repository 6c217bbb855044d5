#pragma once
// Folder listings of a Wine prefix, filled as Wine fills them for a Windows
// program: the same entries, order, attributes, times and sizes.

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace platform::posix {

/// FindFirstFileA on a pattern "<folder>\*.*": the folder's first entry, or
/// null with a Win32 error number as last error.
std::unique_ptr<FolderSearch> FindFirst(const std::string& pattern, FindData* data);

}  // namespace platform::posix
