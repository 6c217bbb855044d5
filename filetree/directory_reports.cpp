#include "filetree/directory_reports.h"

#include <cstdio>

#include "io/file.h"
#include "filetree/directory_snapshot.h"
#include "filetree/folder_comparison.h"

bool CompareDirectory(const std::string& snapshotPath, const std::string& newPath, const std::string& modifiedPath,
                      const std::string& removedPath) {
  // The snapshot first: without it, reports of an earlier run stay untouched.
  File snapshot;
  snapshot.OpenOrThrow(snapshotPath, File::kModeRead);
  File newReport, modifiedReport, removedReport;
  newReport.OpenOrThrow(newPath, File::kModeCreate | File::kModeWrite);
  modifiedReport.OpenOrThrow(modifiedPath, File::kModeCreate | File::kModeWrite);
  removedReport.OpenOrThrow(removedPath, File::kModeCreate | File::kModeWrite);

  newReport.Write(";   New Added File\r\n\r\n");
  modifiedReport.Write(";   Modified File\r\n\r\n");
  removedReport.Write(";   Removed File\r\n\r\n");

  std::string root = ReadDirSnapshotRoot(snapshot);
  bool complete = false;
  if (!DirListingWritten(snapshot.GetPosition(), snapshot.GetLength())) {
    // The capture could not list the root: the tree has nothing to compare.
    std::printf("path not found\n%s\n", root.c_str());
  } else {
    complete = CompareFolder(root, snapshot, newReport, modifiedReport, removedReport);
  }

  snapshot.Close();
  newReport.Close();
  modifiedReport.Close();
  removedReport.Close();
  return complete;
}
