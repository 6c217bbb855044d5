#include "io/file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "test/temp_folder.h"

namespace {

class FileTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) { return folder_.path() + "/" + name; }
  test::TempFolder folder_;
};

TEST_F(FileTest, CreatingEmptiesAndReadingStopsAtTheEnd) {
  folder_.WriteFile("in.bin", "old content that is long");
  File file;
  file.OpenOrThrow(PathOf("in.bin"), File::kModeCreate | File::kModeWrite);
  file.Write("abcdef");
  file.Close();
  file.OpenOrThrow(PathOf("in.bin"), File::kModeRead);
  char buffer[8] = {};
  EXPECT_EQ(file.Read(buffer, 4), 4u);
  EXPECT_EQ(file.Read(buffer, 4), 2u);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  EXPECT_EQ(file.Read(buffer, 4), 0u);
  EXPECT_EQ(file.Seek(1, File::kBegin), 1u);
  EXPECT_THROW(file.ReadExactly(buffer, 8, "a record"), FileError);
}

TEST_F(FileTest, PatchesAnywhereInALargeFileLandAsWritten) {
  // The snapshot writers leave placeholders and fill them in later: some
  // still in the buffer, some long written out, mixed with appends past the
  // size at which the buffer is written out, and large writes. The file
  // must end up as a plain copy in memory says.
  File file;
  ASSERT_TRUE(file.Open(PathOf("large.bin"), File::kModeCreate | File::kModeWrite, nullptr));
  std::string expected;
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  while (expected.size() < 30u * 1024 * 1024) {
    // Now and then a write larger than what memory keeps of the file.
    std::size_t size = (next() >> 16) % 64 == 0 ? (next() >> 8) % (6u << 20) : (next() >> 8) % 3000;
    std::string chunk(size + 1, static_cast<char>('a' + next() % 26));
    file.Write(chunk);
    expected += chunk;
    if (next() % 4 == 0) {
      // Back by a few bytes, by megabytes, or to the very start.
      std::size_t back = next() % 3 == 0 ? expected.size() : (next() >> 4) % (12u * 1024 * 1024);
      std::size_t at = expected.size() - std::min(back, expected.size());
      std::string patch = std::to_string(next() % 100000);
      patch.resize(std::min(patch.size(), expected.size() - at));
      file.Seek(static_cast<std::int64_t>(at), File::kBegin);
      file.Write(patch);
      expected.replace(at, patch.size(), patch);
      EXPECT_EQ(file.GetLength(), expected.size());
      EXPECT_EQ(file.Seek(0, File::kEnd), expected.size());
    }
  }
  file.Close();
  ASSERT_EQ(folder_.ReadFile("large.bin").size(), expected.size());
  EXPECT_TRUE(folder_.ReadFile("large.bin") == expected);
}

TEST_F(FileTest, FailuresNameTheFileAndTheCauseInTheCallersRoom) {
  File file;
  FileError error;
  std::string missing = PathOf("none.bin");
  EXPECT_FALSE(file.Open(missing, File::kModeRead, &error));
  EXPECT_EQ(error.Message(), missing + ": the file was not found (error 2)");
  EXPECT_FALSE(file.Open(PathOf("no/such/folder.bin"), File::kModeCreate | File::kModeWrite, &error));
  EXPECT_EQ(error.cause, FileError::kBadPath);
  EXPECT_FALSE(file.Open(folder_.path(), File::kModeRead, &error));  // a folder
  EXPECT_EQ(error.cause, FileError::kAccessDenied);

  // Messages are cut to the caller's buffer.
  FileError damaged(FileError::kDamaged, 0, "c:\\vastrel\\reg.bin", "a count runs past the end");
  EXPECT_EQ(damaged.Message(), "c:\\vastrel\\reg.bin: the file is damaged (a count runs past the end)");
  char small[8], big[256];
  damaged.GetErrorMessage(small, sizeof small);
  EXPECT_EQ(std::string(small), "c:\\vast");
  damaged.GetErrorMessage(big, sizeof big);
  EXPECT_EQ(std::string(big), damaged.Message());
}

}  // namespace
