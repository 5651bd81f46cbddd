#pragma once
// Rows of an INSERT statement's parameters, kept as plain bytes so that
// another thread can bind and write them without touching the recordset
// that made them.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

struct sqlite3_stmt;

class RowBatch {
 public:
  void BeginRow() { starts_.push_back(size_); }
  void AddNull() { *room(1) = kNull; }
  void AddNumber(double value) {
    char* p = room(1 + sizeof value);
    *p = kNumber;
    std::memcpy(p + 1, &value, sizeof value);
  }
  void AddText(const char* utf8, uint32_t size) {
    char* p = room(1 + sizeof size + size);
    *p = kText;
    std::memcpy(p + 1, &size, sizeof size);
    if (size) std::memcpy(p + 1 + sizeof size, utf8, size);
  }

  // A text whose bytes are followed by at least kPad readable ones: a short
  // one is copied as one fixed-size move instead of a call to memcpy.
  static constexpr uint32_t kPad = 16;
  void AddPaddedText(const char* utf8, uint32_t size) {
    if (size > kPad) return AddText(utf8, size);
    char* p = room(1 + sizeof size + kPad);
    size_ -= kPad - size;  // only the text's own bytes are written
    *p = kText;
    std::memcpy(p + 1, &size, sizeof size);
    std::memcpy(p + 1 + sizeof size, utf8, kPad);
  }
  // Room for a text of `size` bytes, which the caller then writes.
  char* AddTextRoom(uint32_t size) {
    char* p = room(1 + sizeof size + size);
    *p = kText;
    std::memcpy(p + 1, &size, sizeof size);
    return p + 1 + sizeof size;
  }

  int Rows() const { return int(starts_.size()); }
  bool Empty() const { return starts_.empty(); }
  // Keeps the memory for the next rows.
  void Clear() {
    size_ = 0;
    starts_.clear();
  }
  // Takes the last row back out.
  void DropLastRow() {
    size_ = starts_.back();
    starts_.pop_back();
  }
  // Appends the rows of another batch after these.
  void Append(const RowBatch& other);
  // Binds row r's values to the statement's parameters from `param` on and
  // moves `param` past them; returns the engine's code of the first value
  // that could not be bound (too long), SQLITE_OK when all were.
  int Bind(sqlite3_stmt* statement, int r, int& param) const;
  int Bind(sqlite3_stmt* statement, int r) const {
    int param = 1;
    return Bind(statement, r, param);
  }

 private:
  static constexpr char kNull = 0, kNumber = 1, kText = 2;
  // Space for the next `size` bytes, which then count as written.
  char* room(size_t size) {
    if (size_ + size > bytes_.size()) bytes_.resize(std::max(bytes_.size() * 2, size_ + size + 4096));
    char* p = bytes_.data() + size_;
    size_ += size;
    return p;
  }
  std::vector<char> bytes_;  // grown, never shrunk; the first size_ bytes are rows
  size_t size_ = 0;
  std::vector<size_t> starts_;  // offset of each row in bytes_
};
