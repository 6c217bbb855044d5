#include "platform/memory_registry.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory_resource>
#include <new>
#include <type_traits>
#include <unordered_map>

#include "platform/large_block.h"
#include "platform/text.h"

namespace platform {

namespace {

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                      "HKEY_USERS", nullptr, "HKEY_CURRENT_CONFIG"};
constexpr int kRootCount = 6;

// Index into kRootNames, or -1 for a handle that is no usable root.
int RootIndex(RegistryKey handle) {
  if (handle < kClassesRoot || handle > kCurrentConfig || handle == kPerformanceData) return -1;
  return static_cast<int>(handle - kClassesRoot);
}

// Links lead to links at most this deep; deeper counts as a cycle.
constexpr int kMaxLinkDepth = 16;

// The next non-empty component of a backslash-separated path; empty at the end.
std::string_view NextComponent(std::string_view& path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  std::size_t stop = path.find('\\');
  std::string_view component = path.substr(0, stop);
  path.remove_prefix(stop == std::string_view::npos ? path.size() : stop);
  return component;
}

// The registry is at most this many levels deep.
constexpr std::size_t kMaxLevels = 512;

bool DeeperThan(std::string_view path, std::size_t limit) {
  // A path has at most one component more than it has backslashes.
  if (static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')) < limit) return false;
  std::size_t levels = 0;
  while (!NextComponent(path).empty()) ++levels;
  return levels > limit;
}

// Memory for the keys, their names, data and lists, in large blocks kept
// until the registry ends.
class LargeBlockResource : public std::pmr::memory_resource {
 public:
  LargeBlockResource() = default;
  LargeBlockResource(const LargeBlockResource&) = delete;
  LargeBlockResource& operator=(const LargeBlockResource&) = delete;
  ~LargeBlockResource() override {
    for (auto [block, size] : blocks_) FreeLargeBlock(block, size);
  }

 private:
  void* do_allocate(std::size_t size, std::size_t) override {
    blocks_.reserve(blocks_.size() + 1);
    void* block = AllocateLargeBlock(size);
    blocks_.emplace_back(block, size);
    return block;
  }
  void do_deallocate(void*, std::size_t, std::size_t) override {}  // all go at the end
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

  std::vector<std::pair<void*, std::size_t>> blocks_;
};

}  // namespace

struct MemoryRegistry::Key {
  // One value: its name, then its data, in the registry's blocks.
  struct Value {
    const char* bytes = nullptr;
    std::uint32_t nameLength = 0;
    std::uint32_t dataLength = 0;
    std::uint32_t type = 0;
    std::uint32_t storedLength = 0;
    std::string_view Name() const { return {bytes, nameLength}; }
    const char* Data() const { return bytes + nameLength; }
  };
  // What few keys have.
  struct Extras {
    std::string className;
    std::string linkTarget;
    std::uint32_t openError = 0;
    std::uint32_t queryError = 0;
  };

  // A list of subkeys or values: where it is, and two counts, in half the
  // room of a vector; the registry has the memory and grows it.
  template <typename T>
  struct List {
    T* items = nullptr;
    std::uint32_t count = 0;
    std::uint32_t room = 0;
    T* begin() const { return items; }
    T* end() const { return items + count; }
    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    T& operator[](std::size_t at) const { return items[at]; }
    T& back() const { return items[count - 1]; }
    void Erase(std::size_t at) {
      std::memmove(items + at, items + at + 1, (count - at - 1) * sizeof(T));
      --count;
    }
  };

  std::string_view name;  // in the registry's blocks
  Key* parent = nullptr;
  List<Key*> subkeys;  // in registry order
  List<Value> values;  // in registry order
  std::unique_ptr<Extras> extras;
  bool isLink = false;
  bool deleted = false;
  // Where the next subkey looked for probably is: the walks look up the
  // subkeys of a key in their order. Only ever a guess, checked by name.
  mutable std::uint32_t nextGuess = 0;

  Extras& Extra() {
    if (!extras) extras = std::make_unique<Extras>();
    return *extras;
  }

  // Position of the first entry not ordered before `wanted`; `found` when
  // that entry has the same name. Input in registry order appends, so the
  // last entry is tried first.
  template <typename List, typename NameOf>
  static std::size_t Position(const List& list, std::string_view wanted, NameOf nameOf, bool& found) {
    found = false;
    if (list.empty()) return 0;
    int last = CompareNoCase(nameOf(list.back()), wanted);
    if (last <= 0) {
      found = last == 0;
      return found ? list.size() - 1 : list.size();
    }
    auto it = std::lower_bound(list.begin(), list.end(), wanted, [&](const auto& item, std::string_view w) {
      return CompareNoCase(nameOf(item), w) < 0;
    });
    found = it != list.end() && CompareNoCase(nameOf(*it), wanted) == 0;
    return static_cast<std::size_t>(it - list.begin());
  }
  static std::string_view SubkeyName(const Key* key) { return key->name; }
  static std::string_view ValueName(const Value& value) { return value.Name(); }

  Key* FindSubkey(std::string_view wanted) const {
    std::size_t at = nextGuess;
    bool found = at < subkeys.size() && CompareNoCase(subkeys[at]->name, wanted) == 0;
    if (!found) at = Position(subkeys, wanted, SubkeyName, found);
    if (!found) return nullptr;
    nextGuess = static_cast<std::uint32_t>(at + 1);
    return subkeys[at];
  }
  void DeleteValue(std::string_view valueName) {
    bool found;
    std::size_t at = Position(values, valueName, ValueName, found);
    if (found) values.Erase(at);
  }
  std::string Path() const {
    if (!parent) return std::string(name);
    return parent->Path() + "\\" + std::string(name);
  }
  void MarkDeleted() {
    deleted = true;
    for (auto& subkey : subkeys) subkey->MarkDeleted();
  }
};

struct MemoryRegistry::Impl {
  Key roots[kRootCount];
  std::string aliases[kRootCount];
  // Stands for an aliased root whose key is missing: Windows shows an empty key.
  Key emptyKey;
  // The memory of everything below, given back when the registry ends.
  LargeBlockResource blocks;
  // The first block of each kind is small, for the many small registries
  // of tests; every later one is a large page or more: a loaded prefix
  // fills many, and smaller ones would cost a page fault every few kilobytes.
  static constexpr std::size_t kFirstBlockSize = 64 * 1024;
  static constexpr std::size_t BlockSize(bool first) { return first ? kFirstBlockSize : kLargeBlockSize; }
  static constexpr std::size_t KeysIn(std::size_t block) { return BlockSize(block == 0) / sizeof(Key); }
  // Every key below the roots. Deleted keys stay here too, so that handles
  // still open on them stay harmless.
  std::vector<Key*> keyBlocks;
  std::size_t keysInLastBlock = 0;
  // The names and the data of keys and values, of which a loaded prefix
  // holds millions, one after another.
  char* nextByte = nullptr;
  std::size_t bytesLeft = 0;
  // The lists of the keys, in room for a power of two of entries: a list
  // that grows leaves its old room to a later list, kept here by the power
  // of two of its size (and of its kind: subkeys, values). Room left here
  // may come from a registry taken over, whose memory is this one's now.
  char* nextListByte = nullptr;
  std::size_t listBytesLeft = 0;
  void* freeRoom[2][33] = {};
  template <typename T>
  static constexpr int kListKind = std::is_same_v<T, Key::Value> ? 1 : 0;

  void* TakeListBytes(std::size_t size) {
    size = (size + alignof(Key::Value) - 1) / alignof(Key::Value) * alignof(Key::Value);
    if (size > kLargeBlockSize / 8) return blocks.allocate(size, alignof(Key::Value));
    if (size > listBytesLeft) {
      listBytesLeft = std::max(BlockSize(!nextListByte), size);
      nextListByte = static_cast<char*>(blocks.allocate(listBytesLeft, alignof(Key::Value)));
    }
    void* taken = nextListByte;
    nextListByte += size;
    listBytesLeft -= size;
    return taken;
  }
  // Room for `room` entries, from what lists left when `room` is a power of two.
  template <typename T>
  T* NewRoom(std::uint32_t room) {
    if (std::has_single_bit(room)) {
      void*& left = freeRoom[kListKind<T>][std::bit_width(room) - 1];
      if (left) {
        void* reused = left;
        std::memcpy(&left, reused, sizeof left);
        return static_cast<T*>(reused);
      }
    }
    return static_cast<T*>(TakeListBytes(room * sizeof(T)));
  }
  template <typename T>
  void GiveBack(T* items, std::uint32_t room) {
    if (!items || room == 0) return;
    // Room for a number of entries between two powers of two serves lists
    // of the lower one.
    void*& left = freeRoom[kListKind<T>][std::bit_width(room) - 1];
    std::memcpy(static_cast<void*>(items), &left, sizeof left);
    left = items;
  }
  // Moves `list` to room for `room` entries, at least as many as it holds.
  template <typename T>
  void MoveList(Key::List<T>& list, std::uint32_t room) {
    T* items = room ? NewRoom<T>(room) : nullptr;
    if (list.count) std::memcpy(static_cast<void*>(items), list.items, list.count * sizeof(T));
    GiveBack(list.items, list.room);
    list.items = items;
    list.room = room;
  }
  template <typename T>
  void Insert(Key::List<T>& list, std::size_t at, const T& item) {
    if (list.count == list.room) MoveList(list, std::bit_ceil(list.count + 1));
    std::memmove(static_cast<void*>(list.items + at + 1), list.items + at, (list.count - at) * sizeof(T));
    list.items[at] = item;
    ++list.count;
  }

  char* AllocateBytes(std::size_t size) {
    if (size > kLargeBlockSize / 8) return static_cast<char*>(blocks.allocate(size, 1));
    if (size > bytesLeft) {
      bytesLeft = std::max(BlockSize(!nextByte), size);
      nextByte = static_cast<char*>(blocks.allocate(bytesLeft, 1));
    }
    char* taken = nextByte;
    nextByte += size;
    bytesLeft -= size;
    return taken;
  }
  std::string_view CopyBytes(std::string_view text) {
    if (text.empty()) return {};
    char* copy = AllocateBytes(text.size());
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
  }
  // Open keys by handle: 0x100 + 4 * slot, as Windows numbers handles; a
  // closed handle's slot is taken again by a later open, as on Windows.
  static constexpr RegistryKey kFirstHandle = 0x100;
  std::vector<Key*> handles;
  std::vector<std::size_t> freeSlots;

  RegistryKey NewHandle(Key* key) {
    std::size_t slot = handles.size();
    if (freeSlots.empty()) {
      handles.push_back(key);
    } else {
      slot = freeSlots.back();
      freeSlots.pop_back();
      handles[slot] = key;
    }
    return kFirstHandle + 4 * slot;
  }
  // The slot of an open handle, or -1.
  std::ptrdiff_t Slot(RegistryKey handle) const {
    if (handle < kFirstHandle || (handle - kFirstHandle) % 4 != 0) return -1;
    std::size_t slot = (handle - kFirstHandle) / 4;
    return slot < handles.size() && handles[slot] ? static_cast<std::ptrdiff_t>(slot) : -1;
  }
  std::function<void(const std::string&)> queryHook;

  Key& NewKey() {
    if (keyBlocks.empty() || keysInLastBlock == KeysIn(keyBlocks.size() - 1)) {
      keyBlocks.reserve(keyBlocks.size() + 1);
      keyBlocks.push_back(static_cast<Key*>(blocks.allocate(BlockSize(keyBlocks.empty()), alignof(Key))));
      keysInLastBlock = 0;
    }
    Key* key = new (keyBlocks.back() + keysInLastBlock) Key;
    ++keysInLastBlock;
    return *key;
  }

  Impl() {
    for (int i = 0; i < kRootCount; ++i)
      if (kRootNames[i]) roots[i].name = kRootNames[i];
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl() {
    // Their memory goes with the blocks.
    for (std::size_t b = 0; b < keyBlocks.size(); ++b) {
      std::size_t made = b + 1 == keyBlocks.size() ? keysInLastBlock : KeysIn(b);
      for (std::size_t k = 0; k < made; ++k) keyBlocks[b][k].~Key();
    }
  }

  // The walks open every subkey of a key by its full path, one after the
  // other: the key above the last component is remembered from the last
  // open, so that only the last name is searched. Removing a key or making
  // one a link forgets it; adding a key never changes where a path that
  // opened leads, and an aliased root leads to another key to start from.
  Key* lookupFrom = nullptr;
  std::string lookupPath;
  Key* lookupParent = nullptr;
  void Forget() { lookupFrom = nullptr; }

  // The key at `path` below `key`, as Below finds it.
  Key* Open(Key* key, std::string_view path, std::uint32_t& error) {
    std::size_t end = path.find_last_not_of('\\');
    std::size_t split = end == std::string_view::npos ? end : path.find_last_of('\\', end);
    if (split == std::string_view::npos) return Below(key, path, Walk{}, error);
    std::string_view parentPath = path.substr(0, split);
    if (lookupFrom != key || lookupPath != parentPath) {
      Key* parent = Below(key, parentPath, Walk{}, error);
      if (!parent) return nullptr;
      lookupFrom = key;
      lookupPath = parentPath;
      lookupParent = parent;
    }
    return Below(lookupParent, path.substr(split), Walk{}, error);
  }

  Key* AddSubkey(Key* parent, std::string_view wanted) {
    if (wanted.empty()) return parent;
    bool found;
    std::size_t at = Key::Position(parent->subkeys, wanted, Key::SubkeyName, found);
    if (found) return parent->subkeys[at];
    Key& key = NewKey();
    key.name = CopyBytes(wanted);
    key.parent = parent;
    Insert(parent->subkeys, at, &key);
    return &key;
  }

  void SetValue(Key* key, std::string_view valueName, std::uint32_t type, std::string_view data,
                std::uint32_t storedLength) {
    bool found;
    std::size_t at = Key::Position(key->values, valueName, Key::ValueName, found);
    Key::Value value;
    // The first spelling of a name stays.
    std::string_view keptName = found ? key->values[at].Name() : valueName;
    char* bytes = AllocateBytes(keptName.size() + data.size());
    if (!keptName.empty()) std::memcpy(bytes, keptName.data(), keptName.size());
    if (!data.empty()) std::memcpy(bytes + keptName.size(), data.data(), data.size());
    value.bytes = bytes;
    value.nameLength = static_cast<std::uint32_t>(keptName.size());
    value.dataLength = static_cast<std::uint32_t>(data.size());
    value.type = type;
    value.storedLength = storedLength;
    if (found)
      key->values[at] = value;
    else
      Insert(key->values, at, value);
  }

  // How a path is walked: creating missing keys or not, and whether a link
  // named by the last component is followed (it is not when the link key
  // itself is meant).
  struct Walk {
    bool create = false;
    bool followLast = true;
    int depth = 0;
  };

  // The root key named by a full path's first component, through its alias.
  Key* RootByName(std::string_view& path, const Walk& walk, std::uint32_t& error) {
    std::string_view rootName = NextComponent(path);
    for (int i = 0; i < kRootCount; ++i) {
      if (kRootNames[i] && EqualNoCase(rootName, kRootNames[i])) return Root(i, walk, error);
    }
    error = kErrorFileNotFound;
    return nullptr;
  }

  Key* Root(int index, const Walk& walk, std::uint32_t& error) {
    if (aliases[index].empty()) return &roots[index];
    if (walk.depth >= kMaxLinkDepth) {
      error = kErrorFileNotFound;
      return nullptr;
    }
    std::string_view target = aliases[index];
    Walk inner{walk.create, true, walk.depth + 1};
    std::uint32_t ignored = 0;
    Key* key = Find(target, inner, ignored);
    return key ? key : &emptyKey;
  }

  Key* FollowLink(Key* link, const Walk& walk, std::uint32_t& error) {
    if (walk.depth >= kMaxLinkDepth || !link->extras || link->extras->linkTarget.empty()) {
      error = kErrorFileNotFound;
      return nullptr;
    }
    std::string_view target = link->extras->linkTarget;
    return Find(target, Walk{walk.create, true, walk.depth + 1}, error);
  }

  // The key at a full path.
  Key* Find(std::string_view path, const Walk& walk, std::uint32_t& error) {
    Key* key = RootByName(path, walk, error);
    return key ? Below(key, path, walk, error) : nullptr;
  }

  // The key at `path` below `key`; null with the error when there is none.
  Key* Below(Key* key, std::string_view path, const Walk& walk, std::uint32_t& error) {
    for (std::string_view component = NextComponent(path); !component.empty();
         component = NextComponent(path)) {
      Key* next = walk.create ? AddSubkey(key, component) : key->FindSubkey(component);
      if (!next) {
        error = kErrorFileNotFound;
        return nullptr;
      }
      bool last = path.find_first_not_of('\\') == std::string_view::npos;
      if (next->isLink && (!last || walk.followLast)) {
        Key* target = FollowLink(next, walk, error);
        if (!target) {
          // A key created below a broken link goes to the link key itself.
          if (!walk.create) return nullptr;
          target = next;
        }
        next = target;
      }
      key = next;
    }
    return key;
  }

  Key* FromHandle(RegistryKey handle, std::uint32_t& error) {
    int root = RootIndex(handle);
    if (root >= 0) return Root(root, Walk{}, error);
    std::ptrdiff_t slot = Slot(handle);
    if (slot < 0) {
      error = kErrorInvalidHandle;
      return nullptr;
    }
    return handles[static_cast<std::size_t>(slot)];
  }

  Key* Locate(std::string_view path, bool followLast = true) {
    std::uint32_t error = 0;
    return Find(path, Walk{true, followLast, 0}, error);
  }

  // Registries taken over, whose keys and memory are now this one's.
  std::vector<std::unique_ptr<Impl>> taken;

  // Joins `from`, a key of a registry taken over, into `into`; `merged`
  // learns which keys there became keys here. Both keys' lists are in
  // registry order, so one pass over each joins them; a subkey that only
  // `from` has moves over whole.
  void Merge(Key* from, Key* into, std::unordered_map<const Key*, Key*>& merged) {
    merged.emplace(from, into);
    if (from->extras) into->Extra().className = from->extras->className;
    if (!from->values.empty()) {
      JoinOrdered(into->values, from->values, Key::ValueName,
                  [&](const Key::Value& kept, const Key::Value& later) {
                    // The first spelling of the name, the later data.
                    Key::Value value = later;
                    char* bytes = AllocateBytes(kept.nameLength + later.dataLength);
                    if (kept.nameLength) std::memcpy(bytes, kept.bytes, kept.nameLength);
                    if (later.dataLength) std::memcpy(bytes + kept.nameLength, later.Data(), later.dataLength);
                    value.bytes = bytes;
                    value.nameLength = kept.nameLength;
                    return value;
                  });
    }
    if (!from->subkeys.empty()) {
      for (Key* subkey : from->subkeys) subkey->parent = into;
      JoinOrdered(into->subkeys, from->subkeys, Key::SubkeyName, [&](Key* kept, Key* later) {
        Merge(later, kept, merged);
        return kept;
      });
      into->nextGuess = 0;
    }
  }

  // Makes `list` hold its entries and those of `later`, both in registry
  // order, in that order; two entries of one name become `join(first, second)`.
  template <typename T, typename NameOf, typename Join>
  void JoinOrdered(Key::List<T>& list, const Key::List<T>& later, NameOf nameOf, Join join) {
    Key::List<T> joined;
    joined.room = std::bit_ceil(list.count + later.count);
    joined.items = NewRoom<T>(joined.room);
    auto a = list.begin();
    auto b = later.begin();
    while (a != list.end() || b != later.end()) {
      int order = a == list.end() ? 1 : b == later.end() ? -1 : CompareNoCase(nameOf(*a), nameOf(*b));
      if (order < 0)
        joined.items[joined.count++] = *a++;
      else if (order > 0)
        joined.items[joined.count++] = *b++;
      else
        joined.items[joined.count++] = join(*a++, *b++);
    }
    GiveBack(list.items, list.room);
    list = joined;
  }
};

MemoryRegistry::MemoryRegistry() : impl_(std::make_unique<Impl>()) {}

MemoryRegistry::~MemoryRegistry() = default;

void MemoryRegistry::AddKey(std::string_view path) { impl_->Locate(path); }

void MemoryRegistry::SetValue(std::string_view keyPath, std::string_view name, std::uint32_t type,
                              std::vector<std::uint8_t> data) {
  std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
  std::size_t stored = IsStringType(type) ? Utf16Length(bytes) * 2 : bytes.size();
  if (Key* key = impl_->Locate(keyPath)) impl_->SetValue(key, name, type, bytes, static_cast<std::uint32_t>(stored));
}

void MemoryRegistry::SetString(std::string_view keyPath, std::string_view name, std::string_view text,
                               std::uint32_t type) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(keyPath, name, type, std::move(data));
}

void MemoryRegistry::SetDword(std::string_view keyPath, std::string_view name, std::uint32_t value) {
  SetValue(keyPath, name, kRegDword,
           {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void MemoryRegistry::DeleteValue(std::string_view keyPath, std::string_view name) {
  std::uint32_t error = 0;
  if (Key* key = impl_->Find(keyPath, Impl::Walk{}, error)) key->DeleteValue(name);
}

void MemoryRegistry::DeleteKey(std::string_view path) {
  std::uint32_t error = 0;
  Key* key = impl_->Find(path, Impl::Walk{false, false, 0}, error);
  if (!key || !key->parent) return;  // root keys stay
  auto& siblings = key->parent->subkeys;
  auto it = std::find(siblings.begin(), siblings.end(), key);
  if (it == siblings.end()) return;
  impl_->Forget();
  key->MarkDeleted();
  siblings.Erase(static_cast<std::size_t>(it - siblings.begin()));
}

void MemoryRegistry::DenyOpen(std::string_view path, std::uint32_t error) {
  if (Key* key = impl_->Locate(path)) key->Extra().openError = error;
}

void MemoryRegistry::DenyQuery(std::string_view path, std::uint32_t error) {
  if (Key* key = impl_->Locate(path)) key->Extra().queryError = error;
}

void MemoryRegistry::AddLink(std::string_view path, std::string_view target) {
  if (Key* key = impl_->Locate(path, false)) MakeLink(key, target);
}

void MemoryRegistry::AliasRoot(RegistryKey root, std::string_view path) {
  int index = RootIndex(root);
  if (index >= 0) impl_->aliases[index] = path;
}

void MemoryRegistry::SetQueryHook(std::function<void(const std::string& keyPath)> hook) {
  impl_->queryHook = std::move(hook);
}

std::uint32_t MemoryRegistry::OpenKey(RegistryKey parent, const char* subKey, RegistryKey* result) {
  if (!result) return kErrorInvalidParameter;
  std::uint32_t error = 0;
  Key* key = impl_->FromHandle(parent, error);
  if (!key) return error;
  if (key->deleted) return kErrorKeyDeleted;
  // A path below a key is relative: Windows refuses a leading backslash.
  if (subKey && subKey[0] == '\\') return kErrorBadPathname;
  // The registry is at most 512 levels deep. Keeping to that ends a walk
  // through a link that leads back to one of its ancestors.
  if (subKey && DeeperThan(subKey, kMaxLevels)) return kErrorMoreData;
  key = impl_->Open(key, subKey ? subKey : "", error);
  if (!key) return error;
  if (key->extras && key->extras->openError) return key->extras->openError;
  *result = impl_->NewHandle(key);
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::QueryInfoKey(RegistryKey handle, char* className, std::uint32_t* classLength,
                                           RegistryKeyInfo* info) {
  std::uint32_t error = 0;
  Key* key = impl_->FromHandle(handle, error);
  if (!key) return error;
  if (key->deleted) return kErrorKeyDeleted;
  if (key->extras && key->extras->queryError) return key->extras->queryError;
  std::string_view keyClass = key->extras ? std::string_view(key->extras->className) : std::string_view();
  if (classLength) {
    if (className && *classLength && keyClass.size() >= *classLength) {
      *classLength = static_cast<std::uint32_t>(keyClass.size());
      return kErrorMoreData;
    }
    if (className && *classLength) {
      if (!keyClass.empty()) std::memcpy(className, keyClass.data(), keyClass.size());
      className[keyClass.size()] = '\0';
    }
    *classLength = static_cast<std::uint32_t>(keyClass.size());
  }
  if (info) {
    *info = RegistryKeyInfo{};
    info->subKeys = static_cast<std::uint32_t>(key->subkeys.size());
    info->values = static_cast<std::uint32_t>(key->values.size());
    info->maxClassLength = 0;
    for (const auto& subkey : key->subkeys) {
      info->maxSubKeyLength = std::max(info->maxSubKeyLength, static_cast<std::uint32_t>(Utf16Length(subkey->name)));
      if (subkey->extras)
        info->maxClassLength = std::max(info->maxClassLength,
                                        static_cast<std::uint32_t>(Utf16Length(subkey->extras->className)));
    }
    for (const auto& value : key->values) {
      info->maxValueNameLength =
          std::max(info->maxValueNameLength, static_cast<std::uint32_t>(Utf16Length(value.Name())));
      info->maxValueLength = std::max(info->maxValueLength, value.storedLength);
    }
  }
  if (impl_->queryHook) impl_->queryHook(key->Path());
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::EnumValue(RegistryKey handle, std::uint32_t index, char* name,
                                        std::uint32_t* nameLength, std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* dataLength) {
  std::uint32_t error = 0;
  Key* key = impl_->FromHandle(handle, error);
  if (!key) return error;
  if (key->deleted) return kErrorKeyDeleted;
  if (index >= key->values.size()) return kErrorNoMoreItems;
  if (!name || !nameLength || (data && !dataLength)) return kErrorInvalidParameter;
  const Key::Value& value = key->values[index];
  if (type) *type = value.type;
  bool dataFits = !data || value.dataLength <= *dataLength;
  bool nameFits = value.nameLength < *nameLength;
  if (!dataFits || !nameFits) {
    if (dataLength) *dataLength = value.dataLength;
    return kErrorMoreData;
  }
  if (value.nameLength) std::memcpy(name, value.Name().data(), value.nameLength);
  name[value.nameLength] = '\0';
  *nameLength = value.nameLength;
  if (data && value.dataLength) std::memcpy(data, value.Data(), value.dataLength);
  if (dataLength) *dataLength = value.dataLength;
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::EnumKey(RegistryKey handle, std::uint32_t index, char* name,
                                      std::uint32_t nameSize) {
  std::uint32_t error = 0;
  Key* key = impl_->FromHandle(handle, error);
  if (!key) return error;
  if (key->deleted) return kErrorKeyDeleted;
  if (index >= key->subkeys.size()) return kErrorNoMoreItems;
  if (!name) return kErrorInvalidParameter;
  std::string_view subkeyName = key->subkeys[index]->name;
  if (subkeyName.size() >= nameSize) return kErrorMoreData;
  std::memcpy(name, subkeyName.data(), subkeyName.size());
  name[subkeyName.size()] = '\0';
  return kErrorSuccess;
}

std::uint32_t MemoryRegistry::CloseKey(RegistryKey handle) {
  if (RootIndex(handle) >= 0) return kErrorSuccess;
  std::ptrdiff_t slot = impl_->Slot(handle);
  if (slot < 0) return kErrorInvalidHandle;
  impl_->handles[static_cast<std::size_t>(slot)] = nullptr;
  impl_->freeSlots.push_back(static_cast<std::size_t>(slot));
  return kErrorSuccess;
}

MemoryRegistry::Key* MemoryRegistry::RootKey(RegistryKey root) {
  int index = RootIndex(root);
  if (index < 0) return nullptr;
  std::uint32_t error = 0;
  return impl_->Root(index, Impl::Walk{true, true, 0}, error);
}

MemoryRegistry::Key* MemoryRegistry::AddSubkey(Key* parent, std::string_view name) {
  return impl_->AddSubkey(parent, name);
}

void MemoryRegistry::SetValue(Key* key, std::string_view name, std::uint32_t type, std::string_view data,
                              std::uint32_t storedLength) {
  impl_->SetValue(key, name, type, data, storedLength);
}

bool MemoryRegistry::GetValue(const Key* key, std::string_view name, std::uint32_t& type,
                              std::string_view& data) const {
  bool found;
  std::size_t at = Key::Position(key->values, name, Key::ValueName, found);
  if (!found) return false;
  const Key::Value& value = key->values[at];
  type = value.type;
  data = {value.Data(), value.dataLength};
  return true;
}

void MemoryRegistry::TrimValues(Key* key) {
  if (key->values.room > key->values.count) impl_->MoveList(key->values, key->values.count);
}

void MemoryRegistry::SetClass(Key* key, std::string_view className) { key->Extra().className = className; }

void MemoryRegistry::TakeOver(MemoryRegistry& other, Key* from, Key* into, std::vector<Key*>& keys) {
  std::unordered_map<const Key*, Key*> merged;
  impl_->Merge(from, into, merged);
  for (Key*& key : keys) {
    auto it = merged.find(key);
    if (it != merged.end()) key = it->second;
  }
  impl_->taken.push_back(std::move(other.impl_));
  other.impl_ = std::make_unique<Impl>();
  impl_->Forget();
}

void MemoryRegistry::MakeLink(Key* key, std::string_view target) {
  impl_->Forget();
  key->isLink = true;
  key->Extra().linkTarget = target;
}

}  // namespace platform
