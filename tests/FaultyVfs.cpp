#include "FaultyVfs.h"

#include <sqlite3.h>

#include <cstring>

namespace {

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
long g_allowed = -1;
long g_writes = 0;
long g_refused = 0;
bool g_failOnce = false;
bool g_readOnly = false;

struct FaultyFile {
  sqlite3_file base;
  sqlite3_file* real;  // follows this struct in the same allocation
};

sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<FaultyFile*>(f)->real; }

int xClose(sqlite3_file* f) {
  const int rc = real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
  return rc;
}
int xRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), b, n, o); }
int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
  ++g_writes;
  // A full disk refuses new blocks; rewriting what a file already has works.
  sqlite3_int64 size = 0;
  real(f)->pMethods->xFileSize(real(f), &size);
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
  return real(f)->pMethods->xWrite(real(f), b, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 s) { return real(f)->pMethods->xTruncate(real(f), s); }

int xSync(sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); }
int xFileSize(sqlite3_file* f, sqlite3_int64* s) { return real(f)->pMethods->xFileSize(real(f), s); }
int xLock(sqlite3_file* f, int l) { return real(f)->pMethods->xLock(real(f), l); }
int xUnlock(sqlite3_file* f, int l) { return real(f)->pMethods->xUnlock(real(f), l); }
int xCheckReservedLock(sqlite3_file* f, int* r) { return real(f)->pMethods->xCheckReservedLock(real(f), r); }
int xFileControl(sqlite3_file* f, int op, void* a) { return real(f)->pMethods->xFileControl(real(f), op, a); }
int xSectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }

const sqlite3_io_methods kMethods = {1,
                                     xClose,
                                     xRead,
                                     xWrite,
                                     xTruncate,
                                     xSync,
                                     xFileSize,
                                     xLock,
                                     xUnlock,
                                     xCheckReservedLock,
                                     xFileControl,
                                     xSectorSize,
                                     xDeviceCharacteristics,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr};

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
  auto* ff = reinterpret_cast<FaultyFile*>(f);
  ff->real = reinterpret_cast<sqlite3_file*>(ff + 1);
  std::memset(ff->real, 0, size_t(g_real->szOsFile));
  if (g_readOnly && (flags & SQLITE_OPEN_MAIN_DB))
    flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
  const int rc = g_real->xOpen(g_real, name, ff->real, flags, outFlags);
  ff->base.pMethods = rc == SQLITE_OK ? &kMethods : nullptr;
  return rc;
}
int xDelete(sqlite3_vfs*, const char* n, int s) { return g_real->xDelete(g_real, n, s); }
int xAccess(sqlite3_vfs*, const char* n, int f, int* r) { return g_real->xAccess(g_real, n, f, r); }
int xFullPathname(sqlite3_vfs*, const char* n, int k, char* o) { return g_real->xFullPathname(g_real, n, k, o); }
int xRandomness(sqlite3_vfs*, int n, char* o) { return g_real->xRandomness(g_real, n, o); }
int xSleep(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int xCurrentTime(sqlite3_vfs*, double* t) { return g_real->xCurrentTime(g_real, t); }
int xGetLastError(sqlite3_vfs*, int n, char* b) { return g_real->xGetLastError(g_real, n, b); }

}  // namespace

FaultyVfs::FaultyVfs() {
  g_real = sqlite3_vfs_find(nullptr);
  std::memset(&g_vfs, 0, sizeof g_vfs);
  g_vfs.iVersion = 1;
  g_vfs.szOsFile = int(sizeof(FaultyFile)) + g_real->szOsFile;
  g_vfs.mxPathname = g_real->mxPathname;
  g_vfs.zName = "faulty";
  g_vfs.xOpen = xOpen;
  g_vfs.xDelete = xDelete;
  g_vfs.xAccess = xAccess;
  g_vfs.xFullPathname = xFullPathname;
  g_vfs.xRandomness = xRandomness;
  g_vfs.xSleep = xSleep;
  g_vfs.xCurrentTime = xCurrentTime;
  g_vfs.xGetLastError = xGetLastError;
  g_allowed = -1;
  g_writes = 0;
  g_refused = 0;
  g_failOnce = false;
  g_readOnly = false;
  sqlite3_vfs_register(&g_vfs, 1);
}

FaultyVfs::~FaultyVfs() {
  sqlite3_vfs_unregister(&g_vfs);
  sqlite3_vfs_register(g_real, 1);
}

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
