#include "test/staged_registry.h"

#include <algorithm>

#include "platform/text.h"

namespace test {

void StagedRegistry::Fail(Call call, std::string_view path, std::uint32_t error) {
  std::erase_if(failures_, [&](const Failure& failure) {
    return failure.call == call && platform::EqualNoCase(failure.path, path);
  });
  if (error) failures_.push_back({call, std::string(path), error});
}

std::string StagedRegistry::PathOf(platform::RegistryKey key) const {
  auto open = openPaths_.find(key);
  return open != openPaths_.end() ? open->second : std::string(platform::RootKeyName(key));
}

std::uint32_t StagedRegistry::Stage(Call call, const std::string& path, std::uint32_t index) {
  if (hook_) hook_(Point{call, path, index});
  for (const Failure& failure : failures_)
    if (failure.call == call && platform::EqualNoCase(failure.path, path)) return failure.error;
  return platform::kErrorSuccess;
}

std::uint32_t StagedRegistry::OpenKey(platform::RegistryKey parent, const char* subKey,
                                      platform::RegistryKey* result) {
  std::string path = PathOf(parent);
  if (subKey && *subKey) path += std::string("\\") + subKey;
  if (std::uint32_t error = Stage(Call::kOpenKey, path)) return error;
  std::uint32_t error = below_.OpenKey(parent, subKey, result);
  if (error == platform::kErrorSuccess) openPaths_[*result] = path;
  return error;
}

std::uint32_t StagedRegistry::QueryInfoKey(platform::RegistryKey key, char* className, std::uint32_t* classLength,
                                           platform::RegistryKeyInfo* info) {
  if (std::uint32_t error = Stage(Call::kQueryInfoKey, PathOf(key))) return error;
  return below_.QueryInfoKey(key, className, classLength, info);
}

std::uint32_t StagedRegistry::EnumValue(platform::RegistryKey key, std::uint32_t index, char* name,
                                        std::uint32_t* nameLength, std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* dataLength) {
  if (std::uint32_t error = Stage(Call::kEnumValue, PathOf(key), index)) return error;
  return below_.EnumValue(key, index, name, nameLength, type, data, dataLength);
}

std::uint32_t StagedRegistry::EnumKey(platform::RegistryKey key, std::uint32_t index, char* name,
                                      std::uint32_t nameSize) {
  if (std::uint32_t error = Stage(Call::kEnumKey, PathOf(key), index)) return error;
  return below_.EnumKey(key, index, name, nameSize);
}

std::uint32_t StagedRegistry::CloseKey(platform::RegistryKey key) {
  std::uint32_t error = below_.CloseKey(key);
  if (error == platform::kErrorSuccess) openPaths_.erase(key);
  return error;
}

}  // namespace test
