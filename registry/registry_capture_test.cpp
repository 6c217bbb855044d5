#include "registry/registry_capture.h"

#include <gtest/gtest.h>

#include "io/file.h"
#include "platform/memory_registry.h"
#include "registry/registry_test_support.h"
#include "test/registry_listing.h"
#include "test/staged_registry.h"
#include "test/temp_folder.h"

namespace {

using registry_test::KeyRecord;
using registry_test::kRootBlockEnd;
using registry_test::RootSlot;
using registry_test::U32;
using registry_test::U32At;
using registry_test::ValueRecord;
using regbin::kFieldSize;
using test::Sz;

class CaptureTest : public ::testing::Test {
 protected:
  std::string Capture(bool expectedResult = true) {
    registry_test::UseRegistry use(staged_);
    EXPECT_EQ(CaptureRegistry("", files_.Path("reg.bin")), expectedResult);
    return files_.Read("reg.bin");
  }

  platform::MemoryRegistry registry_;
  test::StagedRegistry staged_{registry_};
  registry_test::WorkFolder files_;
  registry_test::Console console_;
};

TEST_F(CaptureTest, AnEmptyRegistryIsTheRootBlockAndAnEmptyBlockPerRoot) {
  const std::uint32_t end = kRootBlockEnd;
  EXPECT_EQ(Capture(), registry_test::RootBlock({end, end + 4, end + 8, end + 12, end + 16}) + U32(0) + U32(0) +
                           U32(0) + U32(0) + U32(0));
  EXPECT_EQ(console_.Text(), "");
}

TEST_F(CaptureTest, BlocksFollowTheirParentsDepthFirst) {
  registry_.SetString("HKEY_CURRENT_USER\\Sample", "Ver", "1");
  registry_.SetString("HKEY_CURRENT_USER\\Sample\\Sub", "", "d");
  registry_.SetValue("HKEY_CURRENT_USER\\Sample\\Sub", "Zero", platform::kRegBinary, {});
  std::string big(5000, 'b');  // data this large is written apart from its record
  registry_.SetValue("HKEY_CURRENT_USER\\Sample\\Sub", "Big", platform::kRegBinary, {big.begin(), big.end()});
  std::string bytes = Capture();

  const std::uint32_t user = kRootBlockEnd + kFieldSize;  // after HKEY_CLASSES_ROOT's empty block
  const std::uint32_t sample = user + kFieldSize + regbin::KeyRecordSize(6);
  EXPECT_EQ(U32At(bytes, RootSlot(1)), user);
  EXPECT_EQ(bytes.substr(user, sample - user), U32(1) + KeyRecord("Sample", sample));
  std::string head = U32(2) + ValueRecord("Ver", 1, Sz("1"));
  std::string block = head + KeyRecord("Sub", sample + static_cast<std::uint32_t>(head.size()) + regbin::KeyRecordSize(3)) +
                      U32(3) + ValueRecord("", 1, Sz("d")) + ValueRecord("Big", 3, big) + ValueRecord("Zero", 3, "");
  EXPECT_EQ(bytes.substr(sample, block.size()), block);
  EXPECT_EQ(U32At(bytes, RootSlot(2)), sample + block.size());  // HKEY_LOCAL_MACHINE's block
}

TEST_F(CaptureTest, SubkeysThatCannotBeOpenedOrQueriedAreLeftOutAndTheWalkGoesOn) {
  registry_.AddKey("HKEY_LOCAL_MACHINE\\A\\Denied\\Below");
  registry_.AddKey("HKEY_LOCAL_MACHINE\\A\\Perflib\\009");
  staged_.Fail(test::StagedRegistry::Call::kOpenKey, "HKEY_LOCAL_MACHINE\\A\\Denied");
  staged_.Fail(test::StagedRegistry::Call::kQueryInfoKey, "HKEY_LOCAL_MACHINE\\A\\Perflib\\009",
               platform::kErrorInvalidHandle);
  registry_.AddKey("HKEY_USERS\\After");
  std::string bytes = Capture();
  EXPECT_EQ(console_.Text(),
            "\b \n Inacessible path error=5\nHKEY_LOCAL_MACHINE\\A\\Denied\n"
            "\b \n Inacessible path error=6\nHKEY_LOCAL_MACHINE\\A\\Perflib\\009\n");
  std::uint32_t a = U32At(bytes, U32At(bytes, RootSlot(2)) + kFieldSize + regbin::ChildOffsetField(1));
  std::uint32_t perflib = a + kFieldSize + regbin::KeyRecordSize(7);
  EXPECT_EQ(bytes.substr(a, perflib - a + kFieldSize), U32(1) + KeyRecord("Perflib", perflib) + U32(0));  // no 009
  EXPECT_NE(bytes.find("After"), std::string::npos);
}

TEST_F(CaptureTest, ARootKeyThatCannotBeOpenedEndsTheSnapshotAtItsBlock) {
  staged_.Fail(test::StagedRegistry::Call::kOpenKey, "HKEY_LOCAL_MACHINE");
  std::string bytes = Capture(false);
  EXPECT_EQ(console_.Text(), "\b \npath not found 5\nHKEY_LOCAL_MACHINE\n");
  EXPECT_EQ(U32At(bytes, RootSlot(2)), bytes.size());
  EXPECT_EQ(U32At(bytes, RootSlot(3)), 0u);
}

// Sparse files on the disk at 4 GiB: neither a key's child offset nor a
// block's start fits in 32 bits.
TEST(CaptureOffsetTest, ASnapshotOutgrowingItsOffsetsIsRefused) {
  platform::MemoryRegistry registry;
  registry_test::UseRegistry use(registry);
  test::TempFolder folder;
  for (bool block : {false, true}) {
    File file;
    file.OpenOrThrow(folder.path() + "/reg.bin", File::kModeCreate | File::kModeWrite);
    file.Seek(std::int64_t{1} << 32, File::kBegin);
    if (block) file.Write("x", 1);
    try {
      RegistryCapture(file).CaptureKey(block ? "HKEY_CURRENT_USER" : "", block ? 4 : 0);
      ADD_FAILURE() << "no error, block " << block;
    } catch (const FileError& error) {
      EXPECT_TRUE(error.fileName.ends_with("reg.bin")) << error.fileName;
      EXPECT_NE(error.Message().find("4 GiB"), std::string::npos) << error.Message();
    }
  }
}

}  // namespace
