#pragma once
// Compares one folder of a directory snapshot with the same folder on disk,
// then descends into every subfolder that is in both.

#include <string>

class File;

/// Compares `folderPath`, whose stored listing starts at the snapshot's
/// current position, with the live folder. Writes one line per new entry,
/// modified file and removed entry to the three sinks, then compares each
/// subfolder found in both. A folder that cannot be listed, live or in the
/// snapshot, is reported on the console and skipped. True when every folder
/// could be compared. A damaged snapshot raises FileError.
bool CompareFolder(const std::string& folderPath, File& snapshot, File& newSink, File& modifiedSink,
                   File& removedSink);
