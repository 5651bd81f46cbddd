#include "common/MemoryPolicy.h"

#include <cstdlib>  // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <cstdint>
#include <new>

void ReturnLargeBlocksWhenFreed() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 1 << 20);  // a fixed threshold stays where it is set
#endif
}

void ReleaseFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

void AskForLargePages(void* block, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Only whole large pages inside the block can be backed so.
  constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
  const uintptr_t from = (reinterpret_cast<uintptr_t>(block) + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kLargePage - 1);
  // A refusal (no such pages on this system) leaves the block as it was.
  if (to > from) (void)madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)block;
  (void)bytes;
#endif
}

// The columns, row lists and filters of ten million records are blocks of
// tens of megabytes, made anew at each import, Filter and breakdown. Filled
// 4 KB page by page they cost a fault each: where faults are dear (a
// virtual machine's, 10 us each), a 40 MB block took 0.1 s to fill and
// 4 ms in large pages. So every block new asks for from 2 MB up is offered
// large pages before it is first written. Blocks still come from malloc
// and go back through the library's delete, which frees them. The
// sanitizers keep their own new and delete, which must stay paired.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define CORVANE_SANITIZED_NEW 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CORVANE_SANITIZED_NEW 1
#endif

#if !defined(CORVANE_SANITIZED_NEW) && defined(__GLIBC__)
void* operator new(std::size_t bytes) {
  constexpr std::size_t kLargeBlock = std::size_t(2) << 20;
  for (;;) {
    if (void* block = std::malloc(bytes ? bytes : 1)) {
      if (bytes >= kLargeBlock) AskForLargePages(block, bytes);
      return block;
    }
    const std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}
#endif
