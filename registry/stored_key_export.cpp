#include "registry/stored_key_export.h"

#include <cstdio>

#include "io/file.h"
#include "registry/change_script.h"
#include "registry/key_path.h"
#include "registry/reg_export.h"
#include "registry/registry_snapshot.h"

namespace {

bool ExportStoredKeyAt(SnapshotReader& snapshot, const RegistryEntry& key, File& file,
                       const std::string& parentPath, ChangeScript* script, unsigned depth) {
  if (key.IsValue()) {
    std::printf("No valid Key\n");
    return false;
  }
  std::string path = ChildKeyPath(parentPath, key.name);
  if (!snapshot.SeekToBlock(key)) {
    SnapshotReader::ReportUnfinished(path);
    return false;
  }
  if (depth > regbin::kMaxStoredDepth)
    snapshot.file().ThrowDamaged("its keys nest deeper than " +
                                 std::to_string(regbin::kMaxStoredDepth) + " levels at " + path);
  WriteAsReg(file, key, parentPath.c_str());
  if (script) script->AddKey(path);

  RegistryEntryArray subkeys;
  RegistryEntry entry;
  for (std::uint32_t n = snapshot.ReadCount(); n != 0; --n) {
    snapshot.ReadEntry(entry);
    if (entry.IsValue()) {
      WriteAsReg(file, entry, nullptr);
      if (script) script->SetValue(path, entry);
    } else {
      subkeys.push_back(std::move(entry));
    }
  }
  for (const RegistryEntry& subkey : subkeys)
    if (!ExportStoredKeyAt(snapshot, subkey, file, path, script, depth + 1)) return false;
  return true;
}

}  // namespace

bool ExportStoredKey(SnapshotReader& snapshot, const RegistryEntry& key, File& file,
                     const std::string& parentPath, ChangeScript* script) {
  return ExportStoredKeyAt(snapshot, key, file, parentPath, script, 0);
}
