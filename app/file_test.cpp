#include "app/file.h"

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

TEST_F(FileTest, CreateAndWriteEmptiesAnExistingFile) {
  folder_.WriteFile("report.txt", "old content that is long");
  File file;
  ASSERT_TRUE(file.Open(PathOf("report.txt"), File::modeCreate | File::modeWrite, nullptr));
  file.Write("new");
  file.Close();
  EXPECT_EQ(folder_.ReadFile("report.txt"), "new");
}

TEST_F(FileTest, ReadsUpToTheEndAndThenZero) {
  folder_.WriteFile("in.bin", "abcdef");
  File file;
  ASSERT_TRUE(file.Open(PathOf("in.bin"), File::modeRead, nullptr));
  char buffer[8] = {};
  EXPECT_EQ(file.Read(buffer, 4), 4u);
  EXPECT_EQ(file.Read(buffer, 4), 2u);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  EXPECT_EQ(file.Read(buffer, 4), 0u);
  EXPECT_EQ(file.Seek(1, File::begin), 1u);
  EXPECT_EQ(file.Read(buffer, 1), 1u);
  EXPECT_EQ(buffer[0], 'b');
  EXPECT_EQ(file.GetLength(), 6u);
  EXPECT_THROW(file.ReadExactly(buffer, 8, "a record"), FileError);
}

TEST_F(FileTest, PatchesEarlierBytesAndAppendsAgain) {
  // The snapshot writers leave a placeholder, write on, and fill it in later;
  // the patch may lie in the buffer or already on disk.
  File file;
  ASSERT_TRUE(file.Open(PathOf("snap.bin"), File::modeCreate | File::modeWrite, nullptr));
  file.Write("....");
  std::string big(200000, 'x');
  file.Write(big);
  file.Write("tail");
  EXPECT_EQ(file.Seek(0, File::end), 4u + big.size() + 4u);
  file.Seek(0, File::begin);
  file.Write("HEAD");
  file.Seek(0, File::end);
  file.Write("!");
  file.Seek(4 + big.size(), File::begin);
  file.Write("TAIL");
  file.Close();
  EXPECT_EQ(folder_.ReadFile("snap.bin"), "HEAD" + big + "TAIL!");
}

TEST_F(FileTest, PatchesAnywhereInALargeFileLandAsWritten) {
  // Offsets filled in megabytes after their placeholder, some still in
  // memory and some long written out, mixed with appends past the size at
  // which the buffer is written out: the file must end up as a plain copy
  // in memory says.
  File file;
  ASSERT_TRUE(file.Open(PathOf("large.bin"), File::modeCreate | File::modeWrite, nullptr));
  std::string expected;
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  while (expected.size() < 30u * 1024 * 1024) {
    std::string chunk((next() >> 8) % 3000 + 1, static_cast<char>('a' + next() % 26));
    file.Write(chunk);
    expected += chunk;
    if (next() % 4 == 0) {
      // Back by a few bytes, by megabytes, or to the very start.
      std::size_t back = next() % 3 == 0 ? expected.size() : (next() >> 4) % (12u * 1024 * 1024);
      std::size_t at = expected.size() - std::min(back, expected.size());
      std::string patch = std::to_string(next() % 100000);
      patch.resize(std::min(patch.size(), expected.size() - at));
      file.Seek(static_cast<std::int64_t>(at), File::begin);
      file.Write(patch);
      expected.replace(at, patch.size(), patch);
      EXPECT_EQ(file.GetLength(), expected.size());
      file.Seek(0, File::end);
    }
  }
  file.Close();
  ASSERT_EQ(folder_.ReadFile("large.bin").size(), expected.size());
  EXPECT_TRUE(folder_.ReadFile("large.bin") == expected);
}

TEST_F(FileTest, FailuresNameTheFileAndTheCause) {
  File file;
  FileError error;
  std::string missing = PathOf("none.bin");
  EXPECT_FALSE(file.Open(missing, File::modeRead, &error));
  EXPECT_EQ(error.cause, FileError::fileNotFound);
  EXPECT_EQ(error.Message(), missing + ": the file was not found (error 2)");

  EXPECT_FALSE(file.Open(PathOf("no/such/folder.bin"), File::modeCreate | File::modeWrite, &error));
  EXPECT_EQ(error.cause, FileError::badPath);

  try {
    file.OpenOrThrow(missing, File::modeRead);
    FAIL() << "no error raised";
  } catch (const FileError& raised) {
    EXPECT_EQ(raised.fileName, missing);
  }

  EXPECT_FALSE(file.Open(folder_.path(), File::modeRead, &error));  // a folder
  EXPECT_EQ(error.cause, FileError::accessDenied);
}

TEST_F(FileTest, ErrorMessagesAreCutToTheCallersBuffer) {
  FileError error(FileError::damaged, 0, "c:\\vastrel\\reg.bin", "a count runs past the end");
  EXPECT_EQ(error.Message(), "c:\\vastrel\\reg.bin: the file is damaged (a count runs past the end)");
  char small[8];
  error.GetErrorMessage(small, sizeof small);
  EXPECT_EQ(std::string(small), "c:\\vast");
  char big[256];
  error.GetErrorMessage(big, sizeof big);
  EXPECT_EQ(std::string(big), error.Message());
}

}  // namespace
