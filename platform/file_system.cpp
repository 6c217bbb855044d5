#include "platform/file_system.h"

namespace platform {
namespace {
FileSystem* installedFiles = nullptr;
}

FileSystem& Files() { return installedFiles ? *installedFiles : SystemFiles(); }
void SetFiles(FileSystem* files) { installedFiles = files; }

}  // namespace platform
