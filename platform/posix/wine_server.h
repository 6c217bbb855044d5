#pragma once
// Whether a Wine server is running for a prefix: while one runs, registry
// changes may still be only in its memory, not yet in the prefix's files.

#include <string>

namespace platform::posix {

/// True when the server socket of the prefix folder `prefix` exists.
/// `tmpFolder` is where Debian's Wine keeps it (TMPDIR, or /tmp).
bool WineServerRunning(const std::string& prefix, const std::string& tmpFolder);

}  // namespace platform::posix
