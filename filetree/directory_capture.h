#pragma once
// The capture of one folder tree into a directory snapshot, depth first.

#include <string>

/// Captures the tree below `folderPath` into the snapshot at `snapshotPath`
/// (created or emptied). True when every folder of the tree could be listed;
/// a folder that cannot be is reported on the console and stored empty. The
/// snapshot cannot be created or written: FileError.
bool CaptureDirectory(const std::string& folderPath, const std::string& snapshotPath);
