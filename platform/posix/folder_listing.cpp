#include "platform/posix/folder_listing.h"

#include "platform/last_error.h"

namespace platform::posix {

// Folder listings arrive with the directory snapshots; until then a listing
// fails plainly instead of pretending that a folder is empty.
std::unique_ptr<FolderSearch> FindFirst(const std::string&, FindData*) {
  SetLastError(kErrorNotSupported);
  return nullptr;
}

}  // namespace platform::posix
