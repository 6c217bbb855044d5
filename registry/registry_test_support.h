#pragma once
// What the registry tests share: an installed in-memory registry, a working
// folder in memory, the console output without the spinner, and reg.bin
// records for snapshots made by hand.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "io/file.h"
#include "io/little_endian.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "registry/registry_snapshot.h"
#include "registry/root_key_table.h"
#include "registry/stored_key_export.h"
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

/// A change script's bytes as UTF-8, after checking that they are UTF-16
/// after a byte-order mark.
inline std::string ScriptText(const std::string& bytes) {
  EXPECT_TRUE(bytes.starts_with("\xff\xfe") && bytes.size() % 2 == 0);
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    units += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) | static_cast<std::uint8_t>(bytes[i + 1]) << 8);
  return platform::Utf16ToUtf8(units);
}

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

/// REGEDIT4 text a line an entry: "[path]" for a key's header, "[path] line"
/// for each of its values, so that a test can compare them as sets.
inline std::vector<std::string> EntryLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string key;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.starts_with("REGEDIT4") || line.starts_with(";")) continue;
    if (line.starts_with("[")) {
      lines.push_back(key = line);
    } else {
      lines.push_back(key + " " + line);
    }
  }
  return lines;
}

/// The tree that the snapshot at `path` holds as REGEDIT4 text, after the
/// two lines that begin every report, read back as the comparison reads it
/// (into `path`.txt); with `finished` false when a key leads to no block.
inline std::string StoredText(const std::string& path, bool* finished = nullptr) {
  File snapshot, text;
  snapshot.OpenOrThrow(path, File::kModeRead);
  text.OpenOrThrow(path + ".txt", File::kModeCreate | File::kModeWrite);
  text.Write("REGEDIT4\r\n\r\n;   Snapshot\r\n\r\n");
  SnapshotReader reader(snapshot);
  std::string root = reader.ReadRootPath();
  std::vector<RegistryEntry> keys(reader.ReadCount());
  for (RegistryEntry& key : keys) reader.ReadEntry(key);
  bool whole = true;
  for (const RegistryEntry& key : keys) whole = whole && ExportStoredKey(reader, key, text, root);
  text.Close();
  if (finished) *finished = whole;
  File in;
  in.OpenOrThrow(path + ".txt", File::kModeRead);
  std::string bytes(in.GetLength(), '\0');
  in.ReadExactly(bytes.data(), static_cast<std::uint32_t>(bytes.size()), "the text");
  return bytes;
}

/// StoredText in EntryLines' form; a key that leads to no block ends it with
/// the line "unfinished".
inline std::vector<std::string> StoredEntries(const std::string& path) {
  bool finished = true;
  std::vector<std::string> lines = EntryLines(StoredText(path, &finished));
  if (!finished) lines.push_back("unfinished");
  return lines;
}

/// Whether an EntryLines line belongs to the key at `key` or a key below it.
inline bool InKey(std::string_view line, std::string_view key) {
  if (!line.starts_with("[")) return false;
  line.remove_prefix(line.starts_with("[-") ? 2 : 1);
  return line.starts_with(key) && line.size() > key.size() && (line[key.size()] == ']' || line[key.size()] == '\\');
}

/// The lines of `lines` inside the key at `key` (or, with `inside` false, outside it).
inline std::vector<std::string> Part(const std::vector<std::string>& lines, std::string_view key, bool inside) {
  std::vector<std::string> part;
  for (const std::string& line : lines)
    if (InKey(line, key) == inside) part.push_back(line);
  return part;
}

}  // namespace registry_test
