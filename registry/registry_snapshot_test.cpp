#include "registry/registry_snapshot.h"

#include <gtest/gtest.h>

#include "io/file.h"
#include "registry/registry_test_support.h"
#include "registry/stored_key_export.h"

namespace {

using registry_test::KeyRecord;
using registry_test::U32;
using registry_test::ValueRecord;

// A snapshot made by hand that names the key Gone in its root block, with
// Gone's block after that: `kHead` + Gone's block.
const std::uint32_t kGone = static_cast<std::uint32_t>(U32(0).size() * 2 + KeyRecord("Gone", 0).size());
const std::string kHead = U32(0) + U32(1) + KeyRecord("Gone", kGone);

// Exports Gone's stored subtree into rem.reg, as the comparison exports a
// removed key; false when the snapshot ends first.
bool ExportGone(registry_test::WorkFolder& files, const std::string& bytes) {
  files.Write("reg.bin", bytes);
  File snapshot, out;
  snapshot.OpenOrThrow(files.Path("reg.bin"), File::kModeRead);
  out.OpenOrThrow(files.Path("rem.reg"), File::kModeCreate | File::kModeWrite);
  SnapshotReader reader(snapshot);
  reader.ReadRootPath();
  RegistryEntry key;
  reader.ReadCount();
  reader.ReadEntry(key);
  bool finished = ExportStoredKey(reader, key, out, "HKEY_CURRENT_USER");
  out.Close();
  return finished;
}

TEST(StoredKeyTest, AnUnfinishedSubtreeEndsTheExportWithOneLine) {
  registry_test::WorkFolder files;
  registry_test::Console console;
  EXPECT_FALSE(ExportGone(files, kHead + U32(2) + KeyRecord("A", 0) + KeyRecord("B", 0)));
  EXPECT_EQ(files.Read("rem.reg"), "\r\n[HKEY_CURRENT_USER\\Gone]\r\n");
  EXPECT_EQ(console.Text(), "\b \nThe snapshot ends at HKEY_CURRENT_USER\\Gone\\A: its capture stopped there\n");
}

TEST(StoredKeyTest, DamagedSnapshotsRaiseAnErrorNamingTheFile) {
  std::string chain = U32(0) + U32(1);
  for (int level = 0; level < 5000; ++level)
    chain += KeyRecord("k", static_cast<std::uint32_t>(chain.size()) + regbin::KeyRecordSize(1)) + U32(1);
  const std::string cases[] = {
      "",                                                                       // no header
      U32(260) + std::string(300, 'k'),                                         // a root path longer than 259
      kHead + U32(1000),                                                         // a count the file cannot hold
      kHead + U32(1) + U32(0) + U32(0xFFFFFFF0u) + "name",                       // a name longer than the file
      kHead + U32(1) + U32(0) + U32(1) + "v" + U32(3) + U32(0x7FFFFFFFu),        // data too
      kHead + U32(1) + KeyRecord("A", 5000),                                     // an offset past the end
      kHead + U32(1) + KeyRecord("A", kGone),                                    // an offset back into the tree
      kHead + U32(1) + U32(2) + U32(0) + U32(0),                                 // neither key nor value
      kHead + U32(1) + ValueRecord("v", 1, "data").substr(0, regbin::ValueRecordSize(1, 4) - 1),  // cut short
      chain + KeyRecord("k", 0),                                                // keys nested 5000 deep
  };
  registry_test::WorkFolder files;
  for (const std::string& bytes : cases) {
    try {
      ExportGone(files, bytes);
      ADD_FAILURE() << "no error for case " << (&bytes - cases);
    } catch (const FileError& error) {
      EXPECT_EQ(error.cause, FileError::kDamaged);
      EXPECT_NE(error.Message().find("reg.bin: the file is damaged ("), std::string::npos) << error.Message();
    }
  }
}

}  // namespace
