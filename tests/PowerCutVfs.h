#pragma once
// A SQLite VFS for tests that simulates a power cut: it remembers every write
// to a database or journal file since that file was last synced, and when the
// power goes it saves the files as the disk would hold them afterwards: each
// write not yet synced is either on the disk, lost, or only partly there (a
// torn write), chosen by a seeded generator. From the cut on, every write,
// sync, truncation and deletion fails, as nothing reaches a dead disk.
// Deleting a file counts as done at once. While it lives it is the default
// VFS, so the program's own connection opens through it.
#include <QString>

#include <cstdint>

class PowerCutVfs {
 public:
  explicit PowerCutVfs(uint32_t seed);
  ~PowerCutVfs();
  // The power goes right after the next `count` writes; the files are then
  // saved under their own names in `imageFolder`. -1: never.
  void CutAfterWrites(long count, const QString& imageFolder);
  bool Cut() const;
  long Writes() const;
  long Syncs() const;
};
