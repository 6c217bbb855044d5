#pragma once
// What the registry tests share: an installed in-memory registry, report
// files in a temporary folder, and the console output without the spinner.

#include <gtest/gtest.h>

#include <string>

#include "app/file.h"
#include "platform/registry.h"
#include "test/temp_folder.h"

namespace registry_test {

/// Installs `registry` for the life of this object.
class UseRegistry {
 public:
  explicit UseRegistry(platform::Registry& registry) { platform::SetRegistry(&registry); }
  ~UseRegistry() { platform::SetRegistry(nullptr); }
};

/// A file open for writing in a folder of its own.
class Report {
 public:
  Report() { file.OpenOrThrow(Path(), File::modeCreate | File::modeWrite); }
  std::string Path() const { return folder.path() + "/report"; }
  /// Everything written so far; the file is closed.
  std::string Text() {
    file.Close();
    return folder.ReadFile("report");
  }

  test::TempFolder folder;
  File file;
};

/// Captures what is printed while it lives.
class Console {
 public:
  Console() { ::testing::internal::CaptureStdout(); }
  ~Console() { ::testing::internal::GetCapturedStdout(); }
  /// What was printed since the last call, without spinner steps.
  std::string Text() {
    std::string text = ::testing::internal::GetCapturedStdout();
    ::testing::internal::CaptureStdout();
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\b' && i + 1 < text.size() &&
          std::string("|/-\\").find(text[i + 1]) != std::string::npos) {
        ++i;
        continue;
      }
      plain += text[i];
    }
    return plain;
  }
};

/// A u32 as reg.bin stores it.
inline std::string U32(std::uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i));
  return bytes;
}

/// The u32 stored at `offset` of `bytes`.
inline std::uint32_t U32At(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes.at(offset + i));
  return value;
}

/// reg.bin records, for snapshots made by hand.
inline std::string KeyRecord(const std::string& name, std::uint32_t childOffset) {
  return U32(1) + U32(static_cast<std::uint32_t>(name.size())) + name + U32(childOffset);
}
inline std::string ValueRecord(const std::string& name, std::uint32_t type, const std::string& data) {
  return U32(0) + U32(static_cast<std::uint32_t>(name.size())) + name + U32(type) +
         U32(static_cast<std::uint32_t>(data.size())) + data;
}

}  // namespace registry_test
