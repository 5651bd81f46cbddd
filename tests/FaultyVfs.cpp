#include "FaultyVfs.h"

#include "WrappedVfs.h"

namespace {

sqlite3_vfs g_vfs;
long g_allowed = -1;
long g_writes = 0;
long g_refused = 0;
bool g_failOnce = false;
bool g_readOnly = false;

using wrapped::Real;

int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
  ++g_writes;
  // A full disk refuses new blocks; rewriting what a file already has works.
  sqlite3_int64 size = 0;
  Real(f)->pMethods->xFileSize(Real(f), &size);
  if (g_allowed >= 0 && o + n > size) {
    if (g_allowed == 0) {
      ++g_refused;
      if (g_failOnce) {  // space came back at once
        g_failOnce = false;
        g_allowed = -1;
      }
      return SQLITE_FULL;
    }
    --g_allowed;
  }
  return Real(f)->pMethods->xWrite(Real(f), b, n, o);
}

const sqlite3_io_methods kMethods = [] {
  sqlite3_io_methods m = wrapped::PassThroughMethods();
  m.xWrite = xWrite;
  return m;
}();

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
  if (g_readOnly && (flags & SQLITE_OPEN_MAIN_DB))
    flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
  return wrapped::Open(f, sizeof(WrappedFile), &kMethods, name, flags, outFlags);
}
int xDelete(sqlite3_vfs*, const char* n, int s) { return wrapped::RealVfs()->xDelete(wrapped::RealVfs(), n, s); }

}  // namespace

FaultyVfs::FaultyVfs() {
  g_allowed = -1;
  g_writes = 0;
  g_refused = 0;
  g_failOnce = false;
  g_readOnly = false;
  wrapped::Register(g_vfs, "faulty", sizeof(WrappedFile), xOpen, xDelete);
}

FaultyVfs::~FaultyVfs() { wrapped::Unregister(g_vfs); }

void FaultyVfs::FailWritesAfter(long count) {
  g_allowed = count;
  g_failOnce = false;
}
void FaultyVfs::FailOneWriteAfter(long count) {
  g_allowed = count;
  g_failOnce = true;
}
long FaultyVfs::Refused() const { return g_refused; }
long FaultyVfs::Writes() const { return g_writes; }
void FaultyVfs::OpenReadOnly(bool readOnly) { g_readOnly = readOnly; }
