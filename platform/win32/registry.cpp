#include "platform/registry.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace platform {
namespace {

using win32::ToUtf8;
using win32::Wide;

// Our root handles are the 32-bit values; Windows' own are those values
// sign-extended to the width of a pointer.
bool IsRoot(RegistryKey key) { return key >= kClassesRoot && key <= kCurrentConfig + 1; }
HKEY RootHkey(RegistryKey key) {
  return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(key)));
}

// The registry holds value names of up to 16,383 characters, key names of up
// to 255; class names are no longer in practice.
constexpr DWORD kNameUnits = 16384;

// How many keys may wait parked at once (see Win32Registry). A walk parks
// the subkeys of each key on its way down, some thousands on a large system;
// past the limit a check closes its key, and the walk opens it again.
constexpr std::size_t kParkedLimit = 65536;

// The Win32 registry, through the wide functions, in UTF-8: names, classes
// and string data (types 1, 2 and 7) convert from UTF-16 as the Linux build
// converts Wine's files. Lengths of names and data are in UTF-8 bytes; the
// largest lengths that QueryInfoKey tells are the registry's own (UTF-16
// units for names, stored bytes for data), as the Linux build tells them.
//
// Every registry call is a round trip to the kernel (to the Wine server under
// Wine), and a walk makes several per key. A walk checks that a subkey opens
// (open, query, close) before it lists it (open, query, read, close); here
// that costs one open and one query instead of two of each:
// - A query that asks for nothing, right after the open, needs no call: the
//   open has just shown that the key is there, and a key opened for reading
//   can be queried (but for the predefined handles of performance data,
//   which Wine gives for Perflib\009: they are left to the system).
// - A handle closed before anything was read through it is parked, kept
//   open under its root and path, and an open of the same path below the
//   same root takes it back without a call.
// A parked key may have been deleted since: the first call through a handle
// taken back then fails with 1018, and is made again on what a fresh open of
// the path gives now, or fails as that open fails, so that the caller sees
// what it would have seen had it opened the key afresh.
//
// Handles that this service gives out are positions in its table plus one;
// it is used by one thread at a time, as the walks are.
class Win32Registry : public Registry {
 public:
  // Room for the data of most values from the start: a data buffer of no
  // bytes would make RegEnumValueW tell the data's size instead of reading it.
  Win32Registry() : raw_(4096) {}

  std::uint32_t OpenKey(RegistryKey parent, const char* subKey, RegistryKey* result) override {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = 0;
    const char* path = subKey ? subKey : "";
    HKEY parentKey = nullptr;
    if (IsRoot(parent)) {
      parentKey = RootHkey(parent);
      if (*path) {
        place_.assign(1, static_cast<char>(parent & 0xFF)).append(path);
        auto found = parked_.find(place_);
        if (found != parked_.end()) {
          std::size_t slot = found->second;
          parked_.erase(found);
          keys_[slot].state = State::kTakenBack;
          *result = slot + 1;
          return ERROR_SUCCESS;
        }
      }
    } else if (Key* key = Find(parent); key && key->key) {
      parentKey = key->key;
    } else {
      return ERROR_INVALID_HANDLE;
    }
    std::u16string widePath = Utf8ToUtf16(path);
    HKEY opened = nullptr;
    LONG error = ::RegOpenKeyExW(parentKey, Wide(widePath), 0, KEY_READ, &opened);
    if (error != ERROR_SUCCESS) return static_cast<std::uint32_t>(error);
    std::size_t slot = NewSlot();
    Key& key = keys_[slot];
    key.key = opened;
    // A predefined handle in its place (Wine gives one for a performance
    // key) follows rules of its own: it is neither queried by the open's
    // word nor parked.
    key.state = reinterpret_cast<std::intptr_t>(opened) > 0 ? State::kUnread : State::kRead;
    // Only a subkey opened below a root can be parked and opened again.
    if (IsRoot(parent) && *path)
      key.place.assign(place_);
    else
      key.place.clear();
    *result = slot + 1;
    return ERROR_SUCCESS;
  }

  std::uint32_t QueryInfoKey(RegistryKey handle, char* className, std::uint32_t* classLength,
                             RegistryKeyInfo* info) override {
    bool wantClass = classLength != nullptr;
    if (!wantClass && !info && !IsRoot(handle)) {
      Key* key = Find(handle);
      if (key && key->state == State::kUnread) return ERROR_SUCCESS;
    }
    DWORD subKeys = 0, maxSubKeyLength = 0, maxClassLength = 0, values = 0, maxValueNameLength = 0,
          maxValueLength = 0, securityDescriptorLength = 0, classUnits = 0;
    FILETIME lastWrite = {0, 0};
    LONG error = OnKey(handle, [&](HKEY key) {
      classUnits = kNameUnits;
      return ::RegQueryInfoKeyW(key, wantClass ? names_ : nullptr, wantClass ? &classUnits : nullptr, nullptr,
                                &subKeys, &maxSubKeyLength, &maxClassLength, &values, &maxValueNameLength,
                                &maxValueLength, &securityDescriptorLength, &lastWrite);
    });
    if (error != ERROR_SUCCESS) return static_cast<std::uint32_t>(error);
    if (wantClass) {
      ToUtf8(names_, classUnits, text_);
      if (className && *classLength) {
        if (text_.size() >= *classLength) {
          *classLength = static_cast<std::uint32_t>(text_.size());
          return ERROR_MORE_DATA;
        }
        std::memcpy(className, text_.c_str(), text_.size() + 1);
      }
      *classLength = static_cast<std::uint32_t>(text_.size());
    }
    if (info) {
      info->subKeys = subKeys;
      info->maxSubKeyLength = maxSubKeyLength;
      info->maxClassLength = maxClassLength;
      info->values = values;
      info->maxValueNameLength = maxValueNameLength;
      info->maxValueLength = maxValueLength;
      info->securityDescriptorLength = securityDescriptorLength;
      info->lastWriteTime = {lastWrite.dwLowDateTime, lastWrite.dwHighDateTime};
    }
    return ERROR_SUCCESS;
  }

  std::uint32_t EnumValue(RegistryKey handle, std::uint32_t index, char* name, std::uint32_t* nameLength,
                          std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) override {
    if (!name || !nameLength || (data && !dataLength)) return ERROR_INVALID_PARAMETER;
    bool wantData = dataLength != nullptr;
    // The raw data goes to a buffer of ours, at least as large as the
    // caller's: string data is converted on its way out.
    if (wantData && raw_.size() < *dataLength) raw_.resize(*dataLength);
    DWORD nameUnits = 0, valueType = 0, rawLength = 0;
    auto read = [&](HKEY key) {
      nameUnits = kNameUnits;
      rawLength = static_cast<DWORD>(raw_.size());
      return ::RegEnumValueW(key, index, names_, &nameUnits, nullptr, &valueType, wantData ? raw_.data() : nullptr,
                             wantData ? &rawLength : nullptr);
    };
    LONG error = OnKey(handle, read);
    if (error == ERROR_MORE_DATA && wantData && rawLength > raw_.size()) {
      // The value grew since its key was queried: read it again with room.
      raw_.resize(rawLength);
      error = OnKey(handle, read);
    }
    if (error == ERROR_MORE_DATA && wantData) {
      // Grown once more; string data may take up to 3 bytes a unit.
      *dataLength = IsStringType(valueType) ? rawLength / 2 * 3 : rawLength;
      return ERROR_MORE_DATA;
    }
    if (error != ERROR_SUCCESS) return static_cast<std::uint32_t>(error);

    const char* out = reinterpret_cast<const char*>(raw_.data());
    std::size_t outLength = rawLength;
    if (wantData && IsStringType(valueType)) {
      // An odd last byte is no unit and is dropped, as the Linux build drops it.
      ToUtf8(reinterpret_cast<const wchar_t*>(raw_.data()), rawLength / 2, data_);
      out = data_.data();
      outLength = data_.size();
    }
    ToUtf8(names_, nameUnits, text_);
    bool dataFits = !data || outLength <= *dataLength;
    if (text_.size() >= *nameLength || !dataFits) {
      if (wantData) *dataLength = static_cast<std::uint32_t>(outLength);
      return ERROR_MORE_DATA;
    }
    std::memcpy(name, text_.c_str(), text_.size() + 1);
    *nameLength = static_cast<std::uint32_t>(text_.size());
    if (type) *type = valueType;
    if (data && outLength) std::memcpy(data, out, outLength);
    if (wantData) *dataLength = static_cast<std::uint32_t>(outLength);
    return ERROR_SUCCESS;
  }

  std::uint32_t EnumKey(RegistryKey handle, std::uint32_t index, char* name, std::uint32_t nameSize) override {
    if (!name) return ERROR_INVALID_PARAMETER;
    DWORD units = 0;
    LONG error = OnKey(handle, [&](HKEY key) {
      units = kNameUnits;
      return ::RegEnumKeyExW(key, index, names_, &units, nullptr, nullptr, nullptr, nullptr);
    });
    if (error != ERROR_SUCCESS) return static_cast<std::uint32_t>(error);
    ToUtf8(names_, units, text_);
    if (text_.size() >= nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, text_.c_str(), text_.size() + 1);
    return ERROR_SUCCESS;
  }

  std::uint32_t CloseKey(RegistryKey handle) override {
    if (IsRoot(handle)) return ERROR_SUCCESS;
    Key* key = Find(handle);
    if (!key) return ERROR_INVALID_HANDLE;
    std::size_t slot = handle - 1;
    if (key->state == State::kUnread && !key->place.empty() && parked_.size() < kParkedLimit &&
        parked_.emplace(key->place, slot).second) {
      key->state = State::kParked;
      return ERROR_SUCCESS;
    }
    LONG error = key->key ? ::RegCloseKey(key->key) : ERROR_SUCCESS;
    key->key = nullptr;
    key->state = State::kFree;
    free_.push_back(slot);
    return static_cast<std::uint32_t>(error);
  }

 private:
  enum class State {
    kFree,
    kUnread,     // opened just now; nothing asked of it yet
    kParked,     // closed by the caller, kept open for the next open of its path
    kTakenBack,  // given out again from the park; the key may be gone since
    kRead,
  };

  struct Key {
    HKEY key = nullptr;  // none once a key taken back is found gone
    State state = State::kFree;
    // The root's low byte and the path below it, for a subkey opened below a
    // root: where it was opened, and what an open of it again looks up.
    std::string place;
  };

  Key* Find(RegistryKey handle) {
    if (handle == 0 || handle > keys_.size()) return nullptr;
    Key& key = keys_[handle - 1];
    return key.state == State::kFree || key.state == State::kParked ? nullptr : &key;
  }

  std::size_t NewSlot() {
    if (free_.empty()) {
      keys_.emplace_back();
      return keys_.size() - 1;
    }
    std::size_t slot = free_.back();
    free_.pop_back();
    return slot;
  }

  // Makes `call` on the key that `handle` stands for (see the class comment
  // for a key taken back from the park).
  template <typename Call>
  LONG OnKey(RegistryKey handle, Call call) {
    if (IsRoot(handle)) return call(RootHkey(handle));
    Key* key = Find(handle);
    if (!key) return ERROR_INVALID_HANDLE;
    if (!key->key) return ERROR_KEY_DELETED;
    LONG error = call(key->key);
    if (error == ERROR_KEY_DELETED && key->state == State::kTakenBack) {
      ::RegCloseKey(key->key);
      key->key = nullptr;
      key->state = State::kRead;
      RegistryKey root = kClassesRoot | static_cast<unsigned char>(key->place[0]);
      std::u16string widePath = Utf8ToUtf16(std::string_view(key->place).substr(1));
      HKEY again = nullptr;
      error = ::RegOpenKeyExW(RootHkey(root), Wide(widePath), 0, KEY_READ, &again);
      if (error != ERROR_SUCCESS) return error;
      key->key = again;
      error = call(again);
    }
    key->state = State::kRead;
    return error;
  }

  std::vector<Key> keys_;
  std::vector<std::size_t> free_;
  std::unordered_map<std::string, std::size_t> parked_;
  // Buffers kept from call to call.
  std::string place_, text_, data_;
  std::vector<BYTE> raw_;
  wchar_t names_[kNameUnits];
};

}  // namespace

Registry& SystemRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace platform
