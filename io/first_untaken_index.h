#pragma once
// Pairs live entries with stored ones: each live entry takes the first stored
// entry of its key that no live entry has taken yet, in stored order, as a
// search from the start of the stored list would. What nobody took has gone.
//
// The live listing mostly keeps the stored order: as long as each live entry
// is the stored one after the last taken, every one before it is taken, and
// it is the one to take. At the first that is not, the entries left are
// indexed by key, in flat arrays: a hash table with one slot per key, open
// addressing and at most half full, whose slot holds the first entry of its
// key not taken yet; the entries of one key are chained in stored order. A
// list of a hundred thousand entries costs no allocation per entry, and one
// that keeps its order costs no index at all.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

/// `Entries` is a random-access container of the stored entries. `Traits`
/// tells an entry's key: `Traits::KeyOf(entry)` gives a small value that has
/// ==, and `Traits::Hash(key)` hashes it.
template <typename Entries, typename Traits>
class FirstUntakenIndex {
 public:
  using Entry = typename Entries::value_type;
  using Key = decltype(Traits::KeyOf(std::declval<const Entry&>()));

  /// Starts over on the first `count` entries of `entries`, none taken; they
  /// stay where they are, unchanged, until the next Start. The index keeps
  /// its memory from one start to the next.
  void Start(const Entries& entries, std::size_t count) {
    entries_ = &entries;
    size_ = count;
    next_ = 0;
    indexed_ = false;
    taken_.assign(count, false);
  }
  void Start(const Entries& entries) { Start(entries, entries.size()); }

  /// The first entry of `key` not taken yet, now taken; null when none is left.
  const Entry* Take(const Key& key) {
    if (!indexed_) {
      if (next_ < size_ && Traits::KeyOf(At(next_)) == key) {
        taken_[next_] = true;
        return &At(next_++);
      }
      Index();
    }
    Slot& slot = SlotFor(key);
    if (slot.head == kNone) return nullptr;
    std::uint32_t position = slot.head;
    slot.head = nextSame_[position];
    taken_[position] = true;
    return &At(position);
  }

  /// Calls `visit` with each entry not taken, in stored order, as long as it
  /// returns true; false when it stopped early.
  template <typename Visit>
  bool ForEachLeft(Visit visit) const {
    for (std::size_t i = 0; i < size_; ++i)
      if (!taken_[i] && !visit(At(i))) return false;
    return true;
  }

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;

  struct Slot {
    std::uint32_t first;  // an entry of the slot's key; kNone: the slot is free
    std::uint32_t head;   // the first of them not taken yet; kNone once all are
  };

  const Entry& At(std::size_t position) const { return (*entries_)[position]; }

  // Indexes the entries from next_ on; all before it are taken.
  void Index() {
    indexed_ = true;
    std::size_t slots = 16;
    while (slots < 2 * (size_ - next_)) slots *= 2;
    slots_.assign(slots, {kNone, kNone});
    nextSame_.resize(size_);
    // From the last to the first, so that each chain comes out in stored order.
    for (std::size_t i = size_; i-- > next_;) {
      auto position = static_cast<std::uint32_t>(i);
      Slot& slot = SlotFor(Traits::KeyOf(At(i)));
      slot.first = position;
      nextSame_[i] = slot.head;
      slot.head = position;
    }
  }

  // The slot of `key`: its own, or the free one it would take.
  Slot& SlotFor(const Key& key) {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = Traits::Hash(key) & mask;; at = (at + 1) & mask) {
      Slot& slot = slots_[at];
      if (slot.first == kNone || Traits::KeyOf(At(slot.first)) == key) return slot;
    }
  }

  const Entries* entries_ = nullptr;
  std::size_t size_ = 0;
  std::size_t next_ = 0;  // before the index: the entry to try first
  bool indexed_ = false;
  std::vector<bool> taken_;
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> nextSame_;  // the next entry of the same key, in stored order
};
