#pragma once
// What the registry tests share: an installed in-memory registry, a working
// folder in memory, the console output without the spinner, and reg.bin
// records for snapshots made by hand.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "io/little_endian.h"
#include "platform/registry.h"
#include "registry/registry_snapshot.h"
#include "registry/root_key_table.h"
#include "test/memory_files.h"
#include "test/run.h"

namespace registry_test {

/// Installs `registry` for the life of this object.
struct UseRegistry {
  explicit UseRegistry(platform::Registry& registry) { platform::SetRegistry(&registry); }
  ~UseRegistry() { platform::SetRegistry(nullptr); }
};

/// The working folder c:\vastrel, in a file system in memory installed while it lives.
struct WorkFolder : test::MemoryFiles {
  WorkFolder() { AddFolder("c:\\vastrel"); }
  static std::string Path(const std::string& name) { return "c:\\vastrel\\" + name; }
  std::string Read(const std::string& name) const { return Get(Path(name)).value_or("<missing>"); }
  void Write(const std::string& name, const std::string& content) { Put(Path(name), content); }
};

/// Captures what is printed while it lives.
struct Console {
  Console() { ::testing::internal::CaptureStdout(); }
  /// What is left is shown when the test failed: gtest's own failure
  /// messages are among it.
  ~Console() {
    std::string rest = ::testing::internal::GetCapturedStdout();
    if (::testing::Test::HasFailure()) std::fputs(rest.c_str(), stderr);
  }
  /// What was printed since the last call, without the spinner.
  std::string Text() {
    std::string text = ::testing::internal::GetCapturedStdout();
    ::testing::internal::CaptureStdout();
    return test::WithoutSpinner(text);
  }
};

inline std::string U32(std::uint32_t value) {
  std::string bytes(kU32Size, '\0');
  PutU32(bytes.data(), value);
  return bytes;
}
inline std::uint32_t U32At(const std::string& bytes, std::size_t offset) {
  if (offset + kU32Size > bytes.size()) throw std::out_of_range("no number at " + std::to_string(offset));
  return GetU32(bytes.data() + offset);
}
inline std::string KeyRecord(const std::string& name, std::uint32_t childOffset) {
  return U32(1) + U32(static_cast<std::uint32_t>(name.size())) + name + U32(childOffset);
}
inline std::string ValueRecord(const std::string& name, std::uint32_t type, const std::string& data) {
  return U32(0) + U32(static_cast<std::uint32_t>(name.size())) + name + U32(type) +
         U32(static_cast<std::uint32_t>(data.size())) + data;
}

/// A snapshot of the whole registry up to the end of its root block, whose
/// root keys' blocks start at `blocks`.
inline std::string RootBlock(const std::uint32_t (&blocks)[kRootKeyCount]) {
  std::string bytes = U32(0) + U32(kRootKeyCount);
  for (unsigned i = 0; i < kRootKeyCount; ++i) bytes += KeyRecord(RootKeyTable[i].name, blocks[i]);
  return bytes;
}
/// Where the root block ends, and where the `i`th root key's child offset lies in it.
inline const std::uint32_t kRootBlockEnd = static_cast<std::uint32_t>(RootBlock({}).size());
inline std::uint32_t RootSlot(unsigned i) {
  std::uint32_t at = regbin::RootBlockOffset(0) + regbin::kFieldSize;
  for (unsigned j = 0; j < i; ++j) at += regbin::KeyRecordSize(static_cast<std::uint32_t>(std::strlen(RootKeyTable[j].name)));
  return at + regbin::ChildOffsetField(static_cast<std::uint32_t>(std::strlen(RootKeyTable[i].name)));
}

}  // namespace registry_test
