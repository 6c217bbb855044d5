// The capture walk: the whole registry, depth first, into reg.bin.

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/file.h"
#include "io/little_endian.h"
#include "io/progress.h"
#include "platform/last_error.h"
#include "registry/key_path.h"
#include "registry/registry_key_enumerator.h"
#include "registry/registry_snapshot.h"

int CaptureRegistry(const std::string& rootPath, const std::string& snapshotPath) {
  File file;
  file.OpenOrThrow(snapshotPath, File::kModeCreate | File::kModeWrite);
  WriteU32(file, static_cast<std::uint32_t>(rootPath.size()));
  file.Write(rootPath);
  int result = CaptureKey(rootPath, file, 0);
  file.Close();
  return result;
}

int CaptureKey(const std::string& path, File& file, std::uint32_t parentSlot) {
  TickSpinner();
  if (parentSlot) {
    std::uint32_t blockStart = SnapshotOffset(file, file.Seek(0, File::kEnd));
    file.Seek(parentSlot, File::kBegin);
    WriteU32(file, blockStart);
    file.Seek(0, File::kEnd);
  }

  RegistryKeyEnumerator enumerator;
  if (!enumerator.Open(path)) {
    std::printf("\b \npath not found %d\n%s\n", static_cast<int>(platform::GetLastError()),
                path.c_str());
    return 0;
  }

  std::uint64_t countAt = file.GetPosition();
  WriteU32(file, 0);  // the count, filled in once the key is listed
  std::uint32_t count = 0;
  // The subkeys to walk next: their names one after another, and for each
  // where its name ends and where its child offset is to be filled in.
  std::string names;
  std::vector<std::pair<std::size_t, std::uint32_t>> subkeys;
  subkeys.reserve(enumerator.subkeyCount);
  while (enumerator.Next()) {
    RegistryEntry& entry = enumerator.current;
    if (!entry.CanOpenOrSay(path)) continue;
    entry.WriteTo(file);
    ++count;
    if (!entry.IsValue()) {
      names += entry.name;
      subkeys.emplace_back(names.size(), entry.type);
    }
  }
  std::uint32_t status = platform::GetLastError();
  file.Seek(static_cast<std::int64_t>(countAt), File::kBegin);
  WriteU32(file, count);
  file.Seek(0, File::kEnd);
  if (status != platform::kErrorNoMoreFiles) {
    std::printf("\b \n->%s\nError %d\n", path.c_str(), static_cast<int>(status));
    return 0;
  }

  std::size_t nameStart = 0;
  for (auto [nameEnd, slot] : subkeys) {
    if (!CaptureKey(ChildKeyPath(path, std::string_view(names).substr(nameStart, nameEnd - nameStart)), file, slot))
      return 0;
    nameStart = nameEnd;
  }
  return 1;
}
