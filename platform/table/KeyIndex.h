#pragma once
// A small open-addressing hash map from 64-bit keys to 32-bit values, for
// finding the distinct values of a million-row column in a few milliseconds
// (std::unordered_map allocates per entry and is several times slower).
#include <bit>
#include <cstdint>
#include <vector>

// Spreads a key's bits over the low ones, which pick a slot of a table whose
// size is a power of two.
inline size_t MixKey(uint64_t key) {
  key ^= key >> 33;
  key *= 0xff51afd7ed558ccdULL;
  key ^= key >> 33;
  return size_t(key);
}

class KeyIndex {
 public:
  explicit KeyIndex(size_t expected = 16) {
    size_t cap = 16;
    while (cap < expected * 2) cap <<= 1;
    slots_.assign(cap, Slot());
  }

  // Value stored for the key, inserting `value` when the key is new.
  // `inserted` tells which happened.
  uint32_t FindOrInsert(uint64_t key, uint32_t value, bool& inserted) {
    if ((size_ + 1) * 2 > slots_.size()) Grow();
    size_t i = SlotOf(key);
    while (slots_[i].value != kEmpty) {
      if (slots_[i].key == key) {
        inserted = false;
        return slots_[i].value;
      }
      i = (i + 1) & (slots_.size() - 1);
    }
    slots_[i] = {key, value};
    ++size_;
    inserted = true;
    return value;
  }

  // Value of the key, or kEmpty.
  uint32_t Find(uint64_t key) const {
    size_t i = SlotOf(key);
    while (slots_[i].value != kEmpty) {
      if (slots_[i].key == key) return slots_[i].value;
      i = (i + 1) & (slots_.size() - 1);
    }
    return kEmpty;
  }

  size_t Size() const { return size_; }

  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;

 private:
  // Key and value side by side: a lookup in a large table costs one cache
  // miss, not two.
  struct Slot {
    uint64_t key = 0;
    uint32_t value = kEmpty;
  };
  size_t SlotOf(uint64_t key) const { return MixKey(key) & (slots_.size() - 1); }
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    size_ = 0;
    bool inserted;
    for (const Slot& s : old)
      if (s.value != kEmpty) FindOrInsert(s.key, s.value, inserted);
  }

  std::vector<Slot> slots_;
  size_t size_ = 0;
};

inline uint64_t DoubleKey(double v) {
  if (v == 0) v = 0;  // -0 and 0 are one value
  return std::bit_cast<uint64_t>(v);
}

// Tells whether a value is met for the first time: values that come as a
// small index (hundredths of a length, a day near the first one) by a flag
// each, any other by its 64-bit key in a hash table.
class FirstSeen {
 public:
  explicit FirstSeen(size_t indexes) : flags_(indexes, 0) {}
  size_t Indexes() const { return flags_.size(); }
  bool FirstIndex(size_t index) {
    const bool first = flags_[index] == 0;
    flags_[index] = 1;
    return first;
  }
  bool FirstKey(uint64_t key) {
    bool inserted = false;
    others_.FindOrInsert(key, 0, inserted);
    return inserted;
  }

 private:
  std::vector<char> flags_;
  KeyIndex others_{1024};
};
