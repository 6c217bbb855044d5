#pragma once
// What the fuzz targets that compare a snapshot with a live system share: a
// quiet console, and writing their seed corpus again.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace fuzz {

/// Sends the console to /dev/null: the walks print their spinner and
/// messages, which the fuzzer needs no copy of. With VASTREL_WRITE_SEEDS set
/// to a folder, calls `writeSeeds` with it and ends the process.
inline void Prepare(void (*writeSeeds)(const std::string& folder)) {
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  if (const char* folder = std::getenv("VASTREL_WRITE_SEEDS")) {
    writeSeeds(folder);
    std::exit(0);
  }
}

/// Writes the seed "capture<variant>.bin" into `folder`.
inline void WriteSeed(const std::string& folder, int variant, const std::string& content) {
  std::ofstream(folder + "/capture" + std::to_string(variant) + ".bin", std::ios::binary) << content;
}

}  // namespace fuzz
