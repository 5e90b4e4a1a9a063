// A set of keys (paths, anchor names) kept flat: the keys' bytes one after
// another in one text, and a table probed in place. Asking whether a key is
// in it touches a few small arrays rather than a node and a text of its own
// per key, which matters when tens of thousands of links are looked up
// while pages stream through the cache. Holds fewer than 2^32 keys.
#ifndef QUILLERY_TEXT_KEY_SET_H_
#define QUILLERY_TEXT_KEY_SET_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillery {

class KeySet {
 public:
  // What Find gives for a key the set does not hold.
  static constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);

  // Adds `key` unless it is there: its index (the keys are numbered from 0
  // in the order first added), and true when it was added now.
  std::pair<std::size_t, bool> Insert(std::string_view key) {
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    const std::size_t hash = std::hash<std::string_view>()(key);
    const std::size_t slot = SlotOf(hash, key);
    if (slots_[slot] != 0) return {slots_[slot] - 1, false};
    slots_[slot] = static_cast<std::uint32_t>(entries_.size() + 1);
    entries_.push_back(Entry{hash, bytes_.size(), key.size()});
    bytes_.append(key);
    return {entries_.size() - 1, true};
  }

  // The index of `key`, or kAbsent.
  [[nodiscard]] std::size_t Find(std::string_view key) const {
    if (entries_.empty()) return kAbsent;
    const std::uint32_t held =
        slots_[SlotOf(std::hash<std::string_view>()(key), key)];
    return held == 0 ? kAbsent : held - 1;
  }

  [[nodiscard]] bool Contains(std::string_view key) const {
    return Find(key) != kAbsent;
  }

  // The key numbered `index`, index < size().
  [[nodiscard]] std::string_view At(std::size_t index) const {
    return std::string_view(bytes_).substr(entries_[index].at,
                                           entries_[index].size);
  }

  [[nodiscard]] std::size_t size() const { return entries_.size(); }
  [[nodiscard]] bool empty() const { return entries_.empty(); }

  // The keys in the order they were first added.
  template <typename Each>
  void ForEach(Each&& each) const {
    for (std::size_t index = 0; index < entries_.size(); ++index) {
      each(At(index));
    }
  }

 private:
  struct Entry {
    std::size_t hash;
    std::size_t at;  // in bytes_
    std::size_t size;
  };

  // The slot that holds `key`, or the empty one where it would go. The
  // table is never full: it grows before it is half full.
  [[nodiscard]] std::size_t SlotOf(std::size_t hash,
                                   std::string_view key) const {
    std::size_t slot = hash & (slots_.size() - 1);
    while (slots_[slot] != 0) {
      const Entry& held = entries_[slots_[slot] - 1];
      if (held.hash == hash && held.size == key.size() &&
          std::string_view(bytes_).substr(held.at, held.size) == key) {
        break;
      }
      slot = (slot + 1) & (slots_.size() - 1);
    }
    return slot;
  }

  void Grow() {
    std::vector<std::uint32_t> slots(slots_.empty() ? 16 : slots_.size() * 2,
                                     0);
    for (std::size_t entry = 0; entry < entries_.size(); ++entry) {
      std::size_t slot = entries_[entry].hash & (slots.size() - 1);
      while (slots[slot] != 0) slot = (slot + 1) & (slots.size() - 1);
      slots[slot] = static_cast<std::uint32_t>(entry + 1);
    }
    slots_ = std::move(slots);
  }

  std::string bytes_;
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> slots_;  // entry + 1; 0 for an empty slot
};

}  // namespace quillery

#endif  // QUILLERY_TEXT_KEY_SET_H_
