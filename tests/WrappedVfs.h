#pragma once
// The plumbing shared by the tests' VFSes: each wraps the real VFS, changes a
// few calls and passes the rest straight through. A wrapped file starts with
// WrappedFile; the real file follows the wrapper's own struct in the same
// allocation.
#include <sqlite3.h>

#include <cstddef>

struct WrappedFile {
  sqlite3_file base;
  sqlite3_file* real;
};

namespace wrapped {

inline sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<WrappedFile*>(f)->real; }

// The real VFS, found when the wrapper was registered.
sqlite3_vfs* RealVfs();

// Opens the real file behind a wrapped one whose own struct is `ownSize`
// bytes; on success the wrapped file gets `methods`.
int Open(sqlite3_file* f, size_t ownSize, const sqlite3_io_methods* methods, const char* name, int flags,
         int* outFlags);

// Io methods with every call passed through; a wrapper replaces the ones it changes.
sqlite3_io_methods PassThroughMethods();

// Registers `vfs` as the default VFS: every call passed through but xOpen and
// xDelete, which the wrapper gives; files are `fileSize` bytes of its own
// struct plus the real file.
void Register(sqlite3_vfs& vfs, const char* name, size_t fileSize,
              int (*xOpen)(sqlite3_vfs*, const char*, sqlite3_file*, int, int*),
              int (*xDelete)(sqlite3_vfs*, const char*, int));
// Puts the real VFS back as the default.
void Unregister(sqlite3_vfs& vfs);

}  // namespace wrapped
