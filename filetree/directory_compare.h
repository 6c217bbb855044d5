#pragma once
// The comparison of one folder tree with its directory snapshot, into three
// reports: new entries, modified files, removed entries. Folders are compared
// depth first, each with the same folder on disk.

#include <string>

/// Compares the tree stored in the snapshot at `snapshotPath` (below the root
/// path its header holds) with the disk and writes the three reports, each
/// created anew. True when every folder could be compared. A file that cannot
/// be opened, read or written, or a damaged snapshot, raises FileError; the
/// reports keep what was written.
bool CompareDirectory(const std::string& snapshotPath, const std::string& newPath, const std::string& modifiedPath,
                      const std::string& removedPath);
