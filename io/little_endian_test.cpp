#include "io/little_endian.h"

#include <gtest/gtest.h>

#include <string>

#include "io/file.h"
#include "test/memory_files.h"

namespace {

TEST(LittleEndianTest, FieldsStoreTheLowByteFirstInMemoryAndInFiles) {
  unsigned char bytes[6] = {0xEE, 0, 0, 0, 0, 0xEE};
  PutU32(bytes + 1, 0x04030201u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 6), "\xEE\x01\x02\x03\x04\xEE");
  EXPECT_EQ(GetU32(bytes + 1), 0x04030201u);
  PutU32(bytes + 1, 0xFFFFFFFEu);
  EXPECT_EQ(GetU32(bytes + 1), 0xFFFFFFFEu);

  test::MemoryFiles files;
  files.AddFolder("C:");
  File file;
  file.OpenOrThrow("C:\\n.bin", File::kModeCreate | File::kModeWrite);
  WriteU32(file, 0x80000001u);
  file.Write("\x07\x00", 2);
  file.Close();
  EXPECT_EQ(files.Get("C:\\n.bin"), std::string("\x01\x00\x00\x80\x07\x00", 6));
  file.OpenOrThrow("C:\\n.bin", File::kModeRead);
  EXPECT_EQ(ReadU32(file, "a count"), 0x80000001u);
  try {
    ReadU32(file, "a count");  // two bytes left
    ADD_FAILURE() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.cause, FileError::kDamaged);
    EXPECT_EQ(error.detail, "it ends inside a count");
  }
}

TEST(LittleEndianTest, AnOffsetWhoseFieldWouldEndPast4GiBIsRefused) {
  test::MemoryFiles files;
  files.AddFolder("C:");
  File file;
  file.OpenOrThrow("C:\\big.bin", File::kModeCreate | File::kModeWrite);
  EXPECT_EQ(SnapshotOffset(file, 0xFFFFFFFBu), 0xFFFFFFFBu);  // its field ends at 4 GiB
  for (std::uint64_t position : {std::uint64_t{0xFFFFFFFCu}, std::uint64_t{1} << 32, std::uint64_t{1} << 40}) {
    try {
      SnapshotOffset(file, position);
      ADD_FAILURE() << "no error at " << position;
    } catch (const FileError& error) {
      EXPECT_EQ(error.fileName, "C:\\big.bin");
      EXPECT_NE(error.Message().find("4 GiB"), std::string::npos) << error.Message();
    }
  }
}

}  // namespace
