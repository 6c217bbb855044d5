#include "filetree/directory_capture.h"

#include <gtest/gtest.h>

#include "filetree/tree_fixture.h"
#include "platform/last_error.h"
#include "test/memory_files.h"

namespace {

using DirectoryCaptureTest = TreeTest;

std::string NameAt(const std::string& bytes, std::size_t record) { return bytes.c_str() + record + 44; }

TEST_F(DirectoryCaptureTest, ListingsFollowDepthFirstAndTheirFoldersPointAtThem) {
  Write("R/a.txt", "12345");  // listed a.txt, S, x.txt; S holds c.txt
  Write("R/S/c.txt");
  Write("R/x.txt");
  EXPECT_EQ(Capture("C:\\R"), "");
  std::string bytes = Snapshot();
  ASSERT_EQ(bytes.size(), 1312u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\4\0\0\0C:\\R", 8));
  EXPECT_EQ(U32(bytes, 8), 3u);
  EXPECT_EQ(NameAt(bytes, 12) + NameAt(bytes, 336) + NameAt(bytes, 660) + NameAt(bytes, 988), "a.txtSx.txtc.txt");
  EXPECT_EQ(U32(bytes, 12) + U32(bytes, 12 + 32), 0x20u + 5);  // attributes, size
  EXPECT_EQ(U32(bytes, 336), 0x10u);
  EXPECT_EQ(U32(bytes, 656), 984u);
  EXPECT_EQ(U32(bytes, 12 + 320) + U32(bytes, 660 + 320) + U32(bytes, 988 + 320), 0u);  // files
  EXPECT_EQ(U32(bytes, 984), 1u);

  Write("Flat/one.txt");  // no subfolders: 8 + L + 324 x N
  Write("Flat/two.txt");
  Capture("C:\\Flat");
  EXPECT_EQ(Snapshot().size(), 8u + 7 + 324 * 2);
  std::filesystem::create_directories(Host("R/S/Empty"));
  Capture("C:\\R\\S\\Empty");
  EXPECT_EQ(Snapshot(), std::string("\x0c\0\0\0C:\\R\\S\\Empty\0\0\0\0", 20));
}

TEST_F(DirectoryCaptureTest, UnlistableFolderIsReportedAndStoredEmptyAndTheWalkGoesOn) {
  Write("R/A/a.txt");
  Write("R/B/Deep/d.txt");
  Write("R/C/Half/h.txt");
  test::MemoryFiles files(&platform::SystemFiles());
  files.FailListing("C:\\R\\B", platform::kErrorAccessDenied);
  files.FailListing("C:\\R\\C\\Half", platform::kErrorIoDevice, 2);  // breaks off after . and ..
  bool complete = true;
  EXPECT_EQ(Capture("C:\\R", &complete), "path not found 5\nC:\\R\\B\npath not found 1117\nC:\\R\\C\\Half\n");
  EXPECT_FALSE(complete);
  std::string bytes = Snapshot();
  std::uint32_t a = U32(bytes, 12 + 320), b = U32(bytes, 336 + 320), c = U32(bytes, 660 + 320);
  EXPECT_EQ(b, a + 4 + 324);
  EXPECT_EQ(U32(bytes, b), 0u);  // B is stored empty, and C follows it
  EXPECT_EQ(c, b + 4);
  EXPECT_EQ(NameAt(bytes, c + 4), "Half");
  EXPECT_EQ(bytes.size(), c + 4 + 324 + 4u);
  EXPECT_EQ(U32(bytes, c + 4 + 320), c + 4 + 324);

  EXPECT_EQ(Capture("C:\\missing", &complete), "path not found 3\nC:\\missing\n");
  EXPECT_EQ(Snapshot(), std::string("\x0a\0\0\0C:\\missing", 14));  // the header alone
}

}  // namespace
