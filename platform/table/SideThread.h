#pragma once
// Two jobs at once: one on a thread of its own, the other on the calling
// thread; returns when both are done, with the first error either raised.
// For passes over millions of rows whose cache misses two cores overlap.
#include <exception>
#include <thread>

template <typename Side, typename Here>
void RunBeside(Side&& side, Here&& here) {
  std::exception_ptr sideError;
  std::thread worker([&] {
    try {
      side();
    } catch (...) {
      sideError = std::current_exception();
    }
  });
  try {
    here();
  } catch (...) {
    worker.join();
    throw;
  }
  worker.join();
  if (sideError) std::rethrow_exception(sideError);
}

// Whether a second thread can pay: a second core, and rows enough.
inline bool WorthASecondThread(size_t rows) {
  constexpr size_t kFewestRows = 1 << 15;
  return rows >= kFewestRows && std::thread::hardware_concurrency() >= 2;
}
