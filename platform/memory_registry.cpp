#include "platform/memory_registry.h"

#include <algorithm>
#include <new>
#include <type_traits>

#include "platform/arena.h"
#include "platform/text.h"

namespace platform {

namespace {

// Subkeys or values, in registry order, in an arena.
template <typename T>
struct List {
  T* items = nullptr;
  std::uint32_t count = 0, room = 0;
  T* begin() const { return items; }
  T* end() const { return items + count; }
  T& operator[](std::size_t at) const { return items[at]; }
};

}  // namespace

struct MemoryRegistry::Key {
  struct Value {  // its name and then its data, one after the other in the arena
    const char* bytes;
    std::uint32_t nameLength, dataLength, type, storedLength;
    std::string_view Name() const { return {bytes, nameLength}; }
    std::string_view Data() const { return {bytes + nameLength, dataLength}; }
  };
  std::string_view name, className, linkTarget;  // in the arena
  Key* parent = nullptr;
  List<Key*> subkeys;
  List<Value> values;
  bool isLink = false;
  bool deleted = false;  // and so is everything below
  // The subkey found last, a guess checked by name: the walks look up the
  // subkeys of a key one after the other, each many times for the keys below.
  mutable std::uint32_t lastFound = 0;
};
static_assert(std::is_trivially_destructible_v<MemoryRegistry::Key>, "keys go with their arena");

namespace {

using Key = MemoryRegistry::Key;

constexpr int kMaxLinkDepth = 16;            // links to links deeper than this are a cycle
constexpr std::size_t kMaxLevels = 512;      // the registry's depth
constexpr RegistryKey kFirstHandle = 0x100;  // then every fourth number, as Windows numbers handles

bool IsRoot(RegistryKey handle) {
  return handle >= kClassesRoot && handle <= kCurrentConfig && handle != kPerformanceData;
}

// The next non-empty component of a backslash-separated path; empty at the end.
std::string_view NextComponent(std::string_view& path) {
  path.remove_prefix(std::min(path.find_first_not_of('\\'), path.size()));
  std::string_view component = path.substr(0, path.find('\\'));
  path.remove_prefix(component.size());
  return component;
}

std::string_view NameOf(const Key* key) { return key->name; }
std::string_view NameOf(const Key::Value& value) { return value.Name(); }

// Position of the first entry not ordered before `name`; `found` when it has
// that name. Input in registry order appends: the last entry is tried first.
template <typename T>
std::size_t Position(const List<T>& list, std::string_view name, bool& found) {
  auto before = [](const T& item, std::string_view wanted) { return CompareNoCase(NameOf(item), wanted) < 0; };
  T* at = list.count && before(list[list.count - 1], name) ? list.end()
                                                           : std::lower_bound(list.begin(), list.end(), name, before);
  found = at != list.end() && CompareNoCase(NameOf(*at), name) == 0;
  return static_cast<std::size_t>(at - list.begin());
}

// The list being filled is usually the last piece of its arena and grows
// where it lies; any other list moves to twice its room.
template <typename T>
void Insert(Arena& arena, List<T>& list, std::size_t at, const T& item) {
  if (list.count == list.room) {
    std::uint32_t room = list.room + 1;
    if (!arena.Extend(list.items, list.room * sizeof(T), room * sizeof(T))) {
      room = std::max(2 * list.room, 1u);
      T* items = reinterpret_cast<T*>(arena.Allocate(room * sizeof(T), alignof(T)));
      std::copy(list.begin(), list.end(), items);
      list.items = items;
    }
    list.room = room;
  }
  std::copy_backward(list.begin() + at, list.end(), list.end() + 1);
  list[at] = item;
  ++list.count;
}

Key* FindSubkey(const Key* key, std::string_view name) {
  auto is = [&](std::size_t at) { return at < key->subkeys.count && CompareNoCase(key->subkeys[at]->name, name) == 0; };
  std::size_t at = key->lastFound;
  bool found = is(at) || is(++at);
  if (!found) at = Position(key->subkeys, name, found);
  if (!found) return nullptr;
  key->lastFound = static_cast<std::uint32_t>(at);
  return key->subkeys[at];
}

template <typename T>
void Erase(List<T>& list, std::size_t at) {
  std::copy(list.begin() + at + 1, list.end(), list.begin() + at);
  --list.count;
}

}  // namespace

struct MemoryRegistry::Impl {
  // Keys with their names, data, classes and link targets. Deleted keys stay,
  // so that handles still open on them stay harmless.
  Arena arena;
  Arena lists;  // apart, so that the list being filled grows where it lies
  Key top;  // its subkeys are the root keys; an aliased root is a link
  Key emptyKey;  // what an aliased root shows while its key is missing, as on Windows
  std::vector<Key*> handles;  // by slot; a closed handle's slot is taken again, as on Windows

  Impl() {
    for (RegistryKey root = kClassesRoot; root <= kCurrentConfig; ++root)
      if (IsRoot(root)) AddSubkey(&top, RootKeyName(root));
  }

  Key* AddSubkey(Key* parent, std::string_view name) {
    if (name.empty()) return parent;
    bool found;
    std::size_t at = Position(parent->subkeys, name, found);
    if (found) return parent->subkeys[at];
    Key* key = new (arena.Allocate(sizeof(Key), alignof(Key))) Key;
    key->name = arena.Copy(name);
    key->parent = parent;
    Insert(lists, parent->subkeys, at, key);
    return key;
  }

  // The key at `path` below `key` (a full path below the top), creating
  // missing keys or not; null with the error when there is none. A link that
  // the last component names is followed unless the link itself is meant.
  Key* Below(Key* key, std::string_view path, bool create, std::uint32_t& error, bool followLast = true,
             int depth = 0) {
    for (std::string_view name = NextComponent(path); key && !name.empty(); name = NextComponent(path)) {
      Key* next = create && key != &top ? AddSubkey(key, name) : FindSubkey(key, name);
      if (!next) error = kErrorFileNotFound;
      if (next && next->isLink && (followLast || path.find_first_not_of('\\') != std::string_view::npos)) {
        std::uint32_t linkError = kErrorFileNotFound;
        Key* target = depth < kMaxLinkDepth && !next->linkTarget.empty()
                          ? Below(&top, next->linkTarget, create, linkError, true, depth + 1)
                          : nullptr;
        if (!target && next->parent == &top) target = &emptyKey;
        if (!target && !create) error = linkError;
        next = target || !create ? target : next;  // a key made below a broken link goes to the link itself
      }
      key = next;
    }
    return key;
  }

  // The key of a root or open handle; null with 6 for any other handle, and
  // with 1018 for a key deleted since it was opened unless `evenDeleted`.
  Key* FromHandle(RegistryKey handle, std::uint32_t& error, bool evenDeleted = false) {
    std::size_t slot = (handle - kFirstHandle) / 4;
    Key* key = nullptr;
    if (IsRoot(handle))
      key = Below(&top, RootKeyName(handle), false, error);
    else if (handle >= kFirstHandle && handle % 4 == 0 && slot < handles.size())
      key = handles[slot];
    bool deleted = false;
    for (const Key* above = key; above && !evenDeleted; above = above->parent) deleted |= above->deleted;
    if (!key || deleted) error = key ? kErrorKeyDeleted : kErrorInvalidHandle;
    return deleted ? nullptr : key;
  }
};

MemoryRegistry::MemoryRegistry() : impl_(std::make_unique<Impl>()) {}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::AddKey(std::string_view path) {
  std::uint32_t error = 0;
  Key* key = impl_->Below(&impl_->top, path, true, error);
  return key == &impl_->top ? nullptr : key;
}

void MemoryRegistry::SetValue(std::string_view keyPath, std::string_view name, std::uint32_t type,
                              const std::vector<std::uint8_t>& data) {
  std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
  auto stored = static_cast<std::uint32_t>(IsStringType(type) ? Utf16Length(bytes) * 2 : bytes.size());
  if (Key* key = AddKey(keyPath)) SetValue(key, name, type, bytes, stored);
}

void MemoryRegistry::SetString(std::string_view keyPath, std::string_view name, std::string_view text,
                               std::uint32_t type) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(keyPath, name, type, data);
}

void MemoryRegistry::SetDword(std::string_view keyPath, std::string_view name, std::uint32_t value) {
  SetValue(keyPath, name, kRegDword, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void MemoryRegistry::DeleteValue(std::string_view keyPath, std::string_view name) {
  std::uint32_t error = 0;
  bool found = false;
  Key* key = impl_->Below(&impl_->top, keyPath, false, error);
  std::size_t at = key ? Position(key->values, name, found) : 0;
  if (found) Erase(key->values, at);
}

void MemoryRegistry::DeleteKey(std::string_view path) {
  std::uint32_t error = 0;
  bool found = false;
  Key* key = impl_->Below(&impl_->top, path, false, error, false);
  if (!key || !key->parent || key->parent == &impl_->top) return;  // root keys stay
  Erase(key->parent->subkeys, Position(key->parent->subkeys, key->name, found));
  key->deleted = true;
}

void MemoryRegistry::AliasRoot(RegistryKey root, std::string_view path) {
  Key* key = IsRoot(root) ? FindSubkey(&impl_->top, RootKeyName(root)) : nullptr;
  if (!key) return;
  key->isLink = !path.empty();
  key->linkTarget = impl_->arena.Copy(path);
}

std::uint32_t MemoryRegistry::OpenKey(RegistryKey parent, const char* subKey, RegistryKey* result) {
  if (!result) return kErrorInvalidParameter;
  std::uint32_t error = 0;
  Key* key = impl_->FromHandle(parent, error);
  if (!key) return error;
  std::string_view path = subKey ? subKey : "";
  // A path below a key is relative: Windows refuses a leading backslash.
  if (path.starts_with('\\')) return kErrorBadPathname;
  // The registry is at most 512 levels deep. Keeping to that ends a walk
  // through a link that leads back to one of its ancestors.
  std::size_t levels = 0;
  for (std::string_view rest = path; !NextComponent(rest).empty();) ++levels;
  if (levels > kMaxLevels) return kErrorMoreData;
  key = impl_->Below(key, path, false, error);
  if (!key) return error;
  std::vector<Key*>& handles = impl_->handles;
  auto slot = std::find(handles.begin(), handles.end(), nullptr);
  if (slot == handles.end()) slot = handles.insert(slot, nullptr);
  *slot = key;
  *result = kFirstHandle + 4 * static_cast<RegistryKey>(slot - handles.begin());
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::QueryInfoKey(RegistryKey handle, char* className, std::uint32_t* classLength,
                                           RegistryKeyInfo* info) {
  std::uint32_t error = 0;
  Key* key = impl_->FromHandle(handle, error);
  if (!key) return error;
  auto length = static_cast<std::uint32_t>(key->className.size());
  bool copy = classLength && className && *classLength;
  if (copy && length >= *classLength) {
    *classLength = length;
    return kErrorMoreData;
  }
  if (copy) *std::copy(key->className.begin(), key->className.end(), className) = '\0';
  if (classLength) *classLength = length;
  if (!info) return kErrorSuccess;
  *info = RegistryKeyInfo{};
  info->subKeys = key->subkeys.count;
  info->values = key->values.count;
  auto grow = [](std::uint32_t& most, std::size_t size) { most = std::max(most, static_cast<std::uint32_t>(size)); };
  for (const Key* subkey : key->subkeys) {
    grow(info->maxSubKeyLength, Utf16Length(subkey->name));
    grow(info->maxClassLength, Utf16Length(subkey->className));
  }
  for (const Key::Value& value : key->values) {
    grow(info->maxValueNameLength, Utf16Length(value.Name()));
    grow(info->maxValueLength, value.storedLength);
  }
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::EnumValue(RegistryKey handle, std::uint32_t index, char* name,
                                        std::uint32_t* nameLength, std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* dataLength) {
  std::uint32_t error = 0;
  Key* key = impl_->FromHandle(handle, error);
  if (!key) return error;
  if (index >= key->values.count) return kErrorNoMoreItems;
  if (!name || !nameLength || (data && !dataLength)) return kErrorInvalidParameter;
  const Key::Value& value = key->values[index];
  if (type) *type = value.type;
  bool fits = value.nameLength < *nameLength && (!data || value.dataLength <= *dataLength);
  if (dataLength) *dataLength = value.dataLength;
  if (!fits) return kErrorMoreData;
  *std::copy(value.bytes, value.bytes + value.nameLength, name) = '\0';
  *nameLength = value.nameLength;
  if (data) std::copy(value.Data().begin(), value.Data().end(), data);
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::EnumKey(RegistryKey handle, std::uint32_t index, char* name, std::uint32_t nameSize) {
  std::uint32_t error = 0;
  Key* key = impl_->FromHandle(handle, error);
  if (!key) return error;
  if (index >= key->subkeys.count) return kErrorNoMoreItems;
  if (!name) return kErrorInvalidParameter;
  std::string_view subkeyName = key->subkeys[index]->name;
  if (subkeyName.size() >= nameSize) return kErrorMoreData;
  *std::copy(subkeyName.begin(), subkeyName.end(), name) = '\0';
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::CloseKey(RegistryKey handle) {
  std::uint32_t error = 0;
  if (IsRoot(handle) || !impl_->FromHandle(handle, error, true)) return error;
  impl_->handles[(handle - kFirstHandle) / 4] = nullptr;
  return kErrorSuccess;
}

MemoryRegistry::Key* MemoryRegistry::RootKey(RegistryKey root) {
  std::uint32_t error = 0;
  return IsRoot(root) ? impl_->Below(&impl_->top, RootKeyName(root), true, error) : nullptr;
}

MemoryRegistry::Key* MemoryRegistry::AddSubkey(Key* parent, std::string_view name) {
  return impl_->AddSubkey(parent, name);
}

void MemoryRegistry::SetValue(Key* key, std::string_view name, std::uint32_t type, std::string_view data,
                              std::uint32_t storedLength) {
  bool found;
  std::size_t at = Position(key->values, name, found);
  if (found) name = key->values[at].Name();  // the first spelling stays
  char* bytes = impl_->arena.Allocate(name.size() + data.size());
  std::copy(data.begin(), data.end(), std::copy(name.begin(), name.end(), bytes));
  Key::Value value{bytes, static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(data.size()), type,
                   storedLength};
  if (found)
    key->values[at] = value;
  else
    Insert(impl_->lists, key->values, at, value);
}

void MemoryRegistry::SetClass(Key* key, std::string_view className) { key->className = impl_->arena.Copy(className); }

bool MemoryRegistry::GetValue(const Key* key, std::string_view name, std::uint32_t& type,
                              std::string_view& data) const {
  bool found;
  std::size_t at = Position(key->values, name, found);
  if (!found) return false;
  type = key->values[at].type;
  data = key->values[at].Data();
  return true;
}

void MemoryRegistry::MakeLink(Key* key, std::string_view target) {
  if (!key->parent || key->parent == &impl_->top) return;  // root keys show themselves, or what they alias
  key->isLink = true;
  key->linkTarget = impl_->arena.Copy(target);
}

}  // namespace platform
