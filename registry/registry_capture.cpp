#include "registry/registry_capture.h"

#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "io/file.h"
#include "io/progress.h"
#include "platform/last_error.h"
#include "registry/key_path.h"

bool CaptureRegistry(const std::string& rootPath, const std::string& snapshotPath) {
  File file;
  file.OpenOrThrow(snapshotPath, File::kModeCreate | File::kModeWrite);
  bool complete = RegistryCapture(file).Capture(rootPath);
  file.Close();
  return complete;
}

bool RegistryCapture::Capture(const std::string& rootPath) {
  writer_.WriteRootPath(rootPath);
  return CaptureKey(rootPath, 0);
}

bool RegistryCapture::CaptureKey(const std::string& path, std::uint32_t parentSlot) {
  TickSpinner();
  if (parentSlot) writer_.PointToNextBlock(parentSlot);

  RegistryKeyEnumerator enumerator(room_);
  if (!enumerator.Open(path)) {
    std::uint32_t error = platform::GetLastError();
    if (parentSlot && IsGoneError(error)) {
      // Listed in its parent's block a moment ago and gone now: the entry
      // there stays, and leads to an empty block, as a key must.
      std::printf("\b \n Inacessible path error=%d\n%s\n", static_cast<int>(error), path.c_str());
      writer_.StartBlock();
      return true;
    }
    std::printf("\b \npath not found %d\n%s\n", static_cast<int>(error), path.c_str());
    return false;
  }

  std::uint64_t countAt = writer_.StartBlock();
  std::uint32_t count = 0;
  // The subkeys to walk next: their names one after another, and for each
  // where its name ends and where its child offset is to be filled in.
  std::string names;
  std::vector<std::pair<std::size_t, std::uint32_t>> subkeys;
  subkeys.reserve(enumerator.subkeyCount);
  while (enumerator.Next()) {
    if (!enumerator.CanOpenCurrentOrSay()) continue;
    const RegistryEntry& entry = enumerator.current;
    std::uint32_t slot = writer_.WriteEntry(entry);
    ++count;
    if (!entry.IsValue()) {
      names += entry.name;
      subkeys.emplace_back(names.size(), slot);
    }
  }
  std::uint32_t status = platform::GetLastError();
  writer_.FinishBlock(countAt, count);
  if (status != platform::kErrorNoMoreFiles) {
    std::printf("\b \n->%s\nError %d\n", path.c_str(), static_cast<int>(status));
    return false;
  }

  std::size_t nameStart = 0;
  for (auto [nameEnd, slot] : subkeys) {
    if (!CaptureKey(ChildKeyPath(path, std::string_view(names).substr(nameStart, nameEnd - nameStart)), slot))
      return false;
    nameStart = nameEnd;
  }
  return true;
}
