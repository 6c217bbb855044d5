#include "registry/registry_capture.h"

#include <gtest/gtest.h>

#include "io/file.h"
#include "platform/memory_registry.h"
#include "registry/registry_test_support.h"
#include "test/staged_registry.h"
#include "test/temp_folder.h"

namespace {

using registry_test::KeyRecord;
using registry_test::U32;
using registry_test::U32At;
using registry_test::ValueRecord;

// Where each root key's child offset lies in a whole-registry snapshot.
constexpr std::uint32_t kRootSlots[] = {33, 62, 92, 114, 145};

class CaptureTest : public ::testing::Test {
 protected:
  std::string Capture(bool expectedResult = true) {
    registry_test::UseRegistry use(staged_);
    EXPECT_EQ(CaptureRegistry("", folder_.path() + "/reg.bin"), expectedResult);
    return folder_.ReadFile("reg.bin");
  }

  platform::MemoryRegistry registry_;
  test::StagedRegistry staged_{registry_};
  test::TempFolder folder_;
  registry_test::Console console_;
};

TEST_F(CaptureTest, BlocksFollowTheirParentsDepthFirst) {
  std::string expected = U32(0) + U32(5);
  for (const char* root :
       {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_CURRENT_CONFIG"})
    expected += KeyRecord(root, 0);
  for (int i = 0; i < 5; ++i) expected.replace(kRootSlots[i], 4, U32(149 + 4 * i));
  EXPECT_EQ(Capture(), expected + U32(0) + U32(0) + U32(0) + U32(0) + U32(0));

  registry_.SetString("HKEY_CURRENT_USER\\Sample", "Ver", "1");
  registry_.SetString("HKEY_CURRENT_USER\\Sample\\Sub", "", "d");
  registry_.SetValue("HKEY_CURRENT_USER\\Sample\\Sub", "Zero", platform::kRegBinary, {});
  std::string big(5000, 'b');  // data this large is written apart from its record
  registry_.SetValue("HKEY_CURRENT_USER\\Sample\\Sub", "Big", platform::kRegBinary, {big.begin(), big.end()});
  std::string bytes = Capture();
  std::uint32_t sample = 153 + 4 + 18;
  EXPECT_EQ(bytes.substr(153, sample - 153), U32(1) + KeyRecord("Sample", sample));
  std::string block = U32(2) + ValueRecord("Ver", 1, std::string("1\0", 2)) + KeyRecord("Sub", sample + 40);
  block += U32(3) + ValueRecord("", 1, std::string("d\0", 2)) + ValueRecord("Big", 3, big) + ValueRecord("Zero", 3, "");
  EXPECT_EQ(bytes.substr(sample, block.size()), block);
  EXPECT_EQ(U32At(bytes, kRootSlots[2]), sample + block.size());
  EXPECT_EQ(console_.Text(), "");
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
  std::uint32_t a = U32At(bytes, U32At(bytes, kRootSlots[2]) + 13);
  EXPECT_EQ(bytes.substr(a, 4 + 19), U32(1) + KeyRecord("Perflib", a + 23));
  EXPECT_EQ(U32At(bytes, a + 23), 0u);  // Perflib, without 009
  EXPECT_NE(bytes.find("After"), std::string::npos);
}

TEST_F(CaptureTest, ARootKeyThatCannotBeOpenedEndsTheSnapshotAtItsBlock) {
  staged_.Fail(test::StagedRegistry::Call::kOpenKey, "HKEY_LOCAL_MACHINE");
  std::string bytes = Capture(false);
  EXPECT_EQ(console_.Text(), "\b \npath not found 5\nHKEY_LOCAL_MACHINE\n");
  EXPECT_EQ(U32At(bytes, kRootSlots[2]), bytes.size());
  EXPECT_EQ(U32At(bytes, kRootSlots[3]), 0u);
}

// Sparse files at 4 GiB: neither a key's child offset nor a block's start fits in 32 bits.
TEST_F(CaptureTest, ASnapshotOutgrowingItsOffsetsIsRefused) {
  registry_test::UseRegistry use(registry_);
  for (bool block : {false, true}) {
    File file;
    file.OpenOrThrow(folder_.path() + "/reg.bin", File::kModeCreate | File::kModeWrite);
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
