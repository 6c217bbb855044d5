#include "registry/registry_snapshot.h"

#include <gtest/gtest.h>

#include "io/file.h"
#include "registry/registry_test_support.h"
#include "registry/stored_key_export.h"

namespace {

using registry_test::KeyRecord;
using registry_test::U32;
using registry_test::ValueRecord;

// Reads a snapshot made by hand whose root block names the key Gone, and
// exports Gone's stored subtree.
class StoredKeyTest : public ::testing::Test {
 protected:
  static std::string Head(std::uint32_t gone) { return U32(0) + U32(1) + KeyRecord("Gone", gone); }

  std::string Export(const std::string& bytes, bool expectedResult = true) {
    files_.Write("reg.bin", bytes);
    File snapshot, out;
    snapshot.OpenOrThrow(files_.Path("reg.bin"), File::kModeRead);
    out.OpenOrThrow(files_.Path("rem.reg"), File::kModeCreate | File::kModeWrite);
    SnapshotReader reader(snapshot);
    EXPECT_EQ(reader.ReadRootPath(), "");
    RegistryEntry key;
    reader.ReadCount();
    reader.ReadEntry(key);
    EXPECT_EQ(ExportStoredKey(reader, key, out, "HKEY_CURRENT_USER"), expectedResult);
    out.Close();
    return files_.Read("rem.reg");
  }

  const std::uint32_t kGone = static_cast<std::uint32_t>(Head(0).size());  // where Gone's block starts
  const std::string head_ = Head(kGone);
  registry_test::WorkFolder files_;
  registry_test::Console console_;
};

TEST_F(StoredKeyTest, AnUnfinishedSubtreeEndsTheExportWithOneLine) {
  EXPECT_EQ(Export(head_ + U32(2) + KeyRecord("A", 0) + KeyRecord("B", 0), false), "\r\n[HKEY_CURRENT_USER\\Gone]\r\n");
  EXPECT_EQ(console_.Text(), "\b \nThe snapshot ends at HKEY_CURRENT_USER\\Gone\\A: its capture stopped there\n");
  EXPECT_EQ(Export(head_, false), "");  // the capture stopped where Gone's block was to start
  EXPECT_EQ(console_.Text(), "\b \nThe snapshot ends at HKEY_CURRENT_USER\\Gone: its capture stopped there\n");
}

TEST_F(StoredKeyTest, DamagedSnapshotsRaiseAnErrorNamingTheFile) {
  std::string chain = U32(0) + U32(1);
  for (int level = 0; level < 5000; ++level)
    chain += KeyRecord("k", static_cast<std::uint32_t>(chain.size()) + regbin::KeyRecordSize(1)) + U32(1);
  const std::string cases[] = {
      "",                                                                         // no header
      U32(260) + std::string(300, 'k'),                                           // a root path longer than 259
      head_ + U32(1000),                                                          // a count the file cannot hold
      head_ + U32(1) + U32(0) + U32(0xFFFFFFF0u) + "name",                        // a name longer than the file
      head_ + U32(1) + U32(0) + U32(1) + "v" + U32(3) + U32(0x7FFFFFFFu),         // data too
      head_ + U32(1) + KeyRecord("A", 5000),                                      // an offset past the end
      head_ + U32(1) + KeyRecord("A", kGone),                                     // an offset back into the tree
      head_ + U32(1) + U32(2) + U32(0) + U32(0),                                  // neither key nor value
      head_ + U32(1) + ValueRecord("v", 1, "data").substr(0, regbin::ValueRecordSize(1, 4) - 1),  // cut short
      chain + KeyRecord("k", 0),                                                  // keys nested 5000 deep
  };
  for (const std::string& bytes : cases) {
    try {
      Export(bytes);
      ADD_FAILURE() << "no error for case " << (&bytes - cases);
    } catch (const FileError& error) {
      EXPECT_EQ(error.cause, FileError::kDamaged);
      EXPECT_NE(error.Message().find("reg.bin: the file is damaged ("), std::string::npos) << error.Message();
    }
  }
}

}  // namespace
