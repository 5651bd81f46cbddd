#pragma once
#include <cstddef>
// How the program's memory goes back to the system. A year of boards is a
// hundred megabytes of columns, rebuilt at every import, and a copy of the
// record grid is another hundred: such blocks must leave the process when
// they are freed, or each import and copy raises what it holds for good.

// Large blocks are mapped on their own and unmapped when freed. (The C
// library otherwise raises its threshold after the first large free, and
// later large blocks stay in the heap after they are freed.)
void ReturnLargeBlocksWhenFreed();

// Gives the free memory at the heap's end back to the system.
void ReleaseFreedMemory();

// Asks the system to back a large block with large pages (2 MB on x86-64)
// where it can: far fewer page faults when the block is first written.
// Only a hint; nothing changes where the system does not take it.
void AskForLargePages(void* block, size_t bytes);
