#pragma once
// What the registry tests share: an installed in-memory registry, the console
// output without the spinner, and reg.bin records for snapshots made by hand.

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "io/little_endian.h"
#include "platform/registry.h"
#include "test/run.h"

namespace registry_test {

/// Installs `registry` for the life of this object.
struct UseRegistry {
  explicit UseRegistry(platform::Registry& registry) { platform::SetRegistry(&registry); }
  ~UseRegistry() { platform::SetRegistry(nullptr); }
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

}  // namespace registry_test
