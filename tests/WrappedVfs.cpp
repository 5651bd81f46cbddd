#include "WrappedVfs.h"

#include <cstring>

namespace wrapped {

namespace {
sqlite3_vfs* g_real = nullptr;

int xClose(sqlite3_file* f) { return Real(f)->pMethods ? Real(f)->pMethods->xClose(Real(f)) : SQLITE_OK; }
int xRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return Real(f)->pMethods->xRead(Real(f), b, n, o); }
int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
  return Real(f)->pMethods->xWrite(Real(f), b, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 s) { return Real(f)->pMethods->xTruncate(Real(f), s); }
int xSync(sqlite3_file* f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); }
int xFileSize(sqlite3_file* f, sqlite3_int64* s) { return Real(f)->pMethods->xFileSize(Real(f), s); }
int xLock(sqlite3_file* f, int l) { return Real(f)->pMethods->xLock(Real(f), l); }
int xUnlock(sqlite3_file* f, int l) { return Real(f)->pMethods->xUnlock(Real(f), l); }
int xCheckReservedLock(sqlite3_file* f, int* r) { return Real(f)->pMethods->xCheckReservedLock(Real(f), r); }
int xFileControl(sqlite3_file* f, int op, void* a) { return Real(f)->pMethods->xFileControl(Real(f), op, a); }
int xSectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }

int xAccess(sqlite3_vfs*, const char* n, int f, int* r) { return g_real->xAccess(g_real, n, f, r); }
int xFullPathname(sqlite3_vfs*, const char* n, int k, char* o) { return g_real->xFullPathname(g_real, n, k, o); }
int xRandomness(sqlite3_vfs*, int n, char* o) { return g_real->xRandomness(g_real, n, o); }
int xSleep(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int xCurrentTime(sqlite3_vfs*, double* t) { return g_real->xCurrentTime(g_real, t); }
int xGetLastError(sqlite3_vfs*, int n, char* b) { return g_real->xGetLastError(g_real, n, b); }
}  // namespace

sqlite3_vfs* RealVfs() { return g_real; }

int Open(sqlite3_file* f, size_t ownSize, const sqlite3_io_methods* methods, const char* name, int flags,
         int* outFlags) {
  auto* w = reinterpret_cast<WrappedFile*>(f);
  w->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(f) + ownSize);
  std::memset(w->real, 0, size_t(g_real->szOsFile));
  const int rc = g_real->xOpen(g_real, name, w->real, flags, outFlags);
  w->base.pMethods = rc == SQLITE_OK ? methods : nullptr;
  return rc;
}

sqlite3_io_methods PassThroughMethods() {
  // Version 1: no shared memory or memory mapping, as the program uses neither.
  return {1,
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
}

void Register(sqlite3_vfs& vfs, const char* name, size_t fileSize,
              int (*open)(sqlite3_vfs*, const char*, sqlite3_file*, int, int*),
              int (*del)(sqlite3_vfs*, const char*, int)) {
  g_real = sqlite3_vfs_find(nullptr);
  std::memset(&vfs, 0, sizeof vfs);
  vfs.iVersion = 1;
  vfs.szOsFile = int(fileSize) + g_real->szOsFile;
  vfs.mxPathname = g_real->mxPathname;
  vfs.zName = name;
  vfs.xOpen = open;
  vfs.xDelete = del;
  vfs.xAccess = xAccess;
  vfs.xFullPathname = xFullPathname;
  vfs.xRandomness = xRandomness;
  vfs.xSleep = xSleep;
  vfs.xCurrentTime = xCurrentTime;
  vfs.xGetLastError = xGetLastError;
  sqlite3_vfs_register(&vfs, 1);
}

void Unregister(sqlite3_vfs& vfs) {
  sqlite3_vfs_unregister(&vfs);
  sqlite3_vfs_register(g_real, 1);
}

}  // namespace wrapped
