#pragma once
// A recordset's list of store rows that a copy offered to the clipboard may
// hold on to: the offer takes the list itself, not a copy of ten million
// row numbers. A new filter or a new load replaces the list rather than
// changing it; rows added go after the ones an offer reads (it keeps its
// own count), so what it holds stays as it was offered.
#include <cstdint>
#include <memory>
#include <vector>

class SharedRowList {
 public:
  using Rows = std::vector<uint32_t>;

  SharedRowList& operator=(Rows&& rows) {
    rows_ = std::make_shared<Rows>(std::move(rows));
    return *this;
  }

  const uint32_t* data() const { return rows_ ? rows_->data() : nullptr; }
  size_t size() const { return rows_ ? rows_->size() : 0; }
  uint32_t operator[](size_t i) const { return (*rows_)[i]; }
  const Rows& List() const { return rows_ ? *rows_ : none(); }

  void push_back(uint32_t row) {
    if (!rows_) rows_ = std::make_shared<Rows>();
    rows_->push_back(row);
  }
  void clear() { rows_.reset(); }

  // The list as it is now, for whoever must read it after it changes.
  std::shared_ptr<const Rows> Shared() const { return rows_ ? rows_ : std::make_shared<const Rows>(); }

 private:
  static const Rows& none() {
    static const Rows empty;
    return empty;
  }

  std::shared_ptr<Rows> rows_;
};
