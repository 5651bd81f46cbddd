#include "sqlite/RowBatch.h"

#include <sqlite3.h>

void RowBatch::Append(const RowBatch& other) {
  const size_t base = size_;
  if (other.size_) std::memcpy(room(other.size_), other.bytes_.data(), other.size_);
  for (size_t s : other.starts_) starts_.push_back(base + s);
}

int RowBatch::Bind(sqlite3_stmt* statement, int r, int& param) const {
  const size_t end = size_t(r) + 1 < starts_.size() ? starts_[size_t(r) + 1] : size_;
  const char* p = bytes_.data() + starts_[size_t(r)];
  const char* const stop = bytes_.data() + end;
  int result = SQLITE_OK;
  for (; p < stop; ++param) {
    int rc;
    switch (*p++) {
      case kNull: rc = sqlite3_bind_null(statement, param); break;
      case kNumber: {
        double v;
        std::memcpy(&v, p, sizeof v);
        p += sizeof v;
        rc = sqlite3_bind_double(statement, param, v);
        break;
      }
      default: {
        uint32_t size;
        std::memcpy(&size, p, sizeof size);
        p += sizeof size;
        rc = sqlite3_bind_text(statement, param, p, int(size), SQLITE_STATIC);  // the batch outlives the step
        p += size;
        break;
      }
    }
    if (result == SQLITE_OK) result = rc;
  }
  return result;
}
