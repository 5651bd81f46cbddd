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
    keys_.resize(cap);
    values_.assign(cap, kEmpty);
  }

  // Value stored for the key, inserting `value` when the key is new.
  // `inserted` tells which happened.
  uint32_t FindOrInsert(uint64_t key, uint32_t value, bool& inserted) {
    if ((size_ + 1) * 2 > keys_.size()) Grow();
    size_t i = Slot(key);
    while (values_[i] != kEmpty) {
      if (keys_[i] == key) {
        inserted = false;
        return values_[i];
      }
      i = (i + 1) & (keys_.size() - 1);
    }
    keys_[i] = key;
    values_[i] = value;
    ++size_;
    inserted = true;
    return value;
  }

  // Value of the key, or kEmpty.
  uint32_t Find(uint64_t key) const {
    size_t i = Slot(key);
    while (values_[i] != kEmpty) {
      if (keys_[i] == key) return values_[i];
      i = (i + 1) & (keys_.size() - 1);
    }
    return kEmpty;
  }

  size_t Size() const { return size_; }

  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;

 private:
  size_t Slot(uint64_t key) const { return MixKey(key) & (keys_.size() - 1); }
  void Grow() {
    std::vector<uint64_t> oldKeys = std::move(keys_);
    std::vector<uint32_t> oldValues = std::move(values_);
    keys_.assign(oldKeys.size() * 2, 0);
    values_.assign(oldKeys.size() * 2, kEmpty);
    size_ = 0;
    bool inserted;
    for (size_t i = 0; i < oldKeys.size(); ++i)
      if (oldValues[i] != kEmpty) FindOrInsert(oldKeys[i], oldValues[i], inserted);
  }

  std::vector<uint64_t> keys_;
  std::vector<uint32_t> values_;
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
