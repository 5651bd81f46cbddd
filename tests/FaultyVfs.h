#pragma once
// A SQLite VFS for tests that wraps the real one and makes writes fail on
// demand: after a number of page writes (a disk filling up), or all of them.
// While it lives it is the default VFS, so the program's own connection
// opens through it.
class FaultyVfs {
 public:
  FaultyVfs();
  ~FaultyVfs();
  // After the next `count` writes that grow a file, such writes fail with
  // SQLITE_FULL (rewriting existing bytes still works); -1: never.
  void FailWritesAfter(long count);
  // The same for one write only: the one after the next `count` fails.
  void FailOneWriteAfter(long count);
  // Writes refused so far.
  long Refused() const;
  // Database files opened from now on open read-only, as a write-protected
  // file would (root can write to any file, so tests cannot protect one).
  void OpenReadOnly(bool readOnly);
  long Writes() const;
};
