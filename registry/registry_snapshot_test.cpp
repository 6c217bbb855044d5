#include "registry/registry_snapshot.h"

#include <gtest/gtest.h>

#include "io/file.h"
#include "registry/registry_test_support.h"
#include "registry/stored_key_export.h"
#include "test/temp_folder.h"

namespace {

using registry_test::KeyRecord;
using registry_test::U32;
using registry_test::ValueRecord;

// Reads a snapshot made by hand whose root block names the key Gone, and
// exports Gone's stored subtree.
class StoredKeyTest : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kGone = 24;  // where Gone's block starts
  std::string head_ = U32(0) + U32(1) + KeyRecord("Gone", kGone);

  std::string Export(const std::string& bytes, bool expectedResult = true) {
    folder_.WriteFile("reg.bin", bytes);
    File snapshot, out;
    snapshot.OpenOrThrow(folder_.path() + "/reg.bin", File::kModeRead);
    out.OpenOrThrow(folder_.path() + "/rem.reg", File::kModeCreate | File::kModeWrite);
    SnapshotReader reader(snapshot);
    EXPECT_EQ(reader.ReadRootPath(), "");
    RegistryEntry key;
    reader.ReadCount();
    reader.ReadEntry(key);
    EXPECT_EQ(ExportStoredKey(reader, key, out, "HKEY_CURRENT_USER"), expectedResult);
    out.Close();
    return folder_.ReadFile("rem.reg");
  }

  test::TempFolder folder_;
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
    chain += KeyRecord("k", static_cast<std::uint32_t>(chain.size() + 13)) + U32(1);
  const std::string cases[] = {
      "",                                                                         // no header
      U32(260) + std::string(300, 'k'),                                           // a root path longer than 259
      head_ + U32(1000),                                                          // a count the file cannot hold
      head_ + U32(1) + U32(0) + U32(0xFFFFFFF0u) + "name",                        // a name longer than the file
      head_ + U32(1) + ValueRecord("v", 3, "").substr(0, 13) + U32(0x7FFFFFFFu),  // data too
      head_ + U32(1) + KeyRecord("A", 5000),                                      // an offset past the end
      head_ + U32(1) + KeyRecord("A", kGone),                                     // an offset back into the tree
      head_ + U32(1) + U32(2) + U32(0) + U32(0),                                  // neither key nor value
      head_ + U32(1) + ValueRecord("v", 1, "data").substr(0, 20),                 // ends inside a record
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
