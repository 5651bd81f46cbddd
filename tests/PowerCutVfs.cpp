#include "PowerCutVfs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "WrappedVfs.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

// A write the disk may not hold yet: where it went and what was there before.
struct Unsynced {
  sqlite3_int64 offset = 0;
  sqlite3_int64 length = 0;
  sqlite3_int64 oldSize = 0;  // the file's size before the write
  QByteArray oldBytes;        // the bytes it replaced, up to the old size
};

struct Track {
  sqlite3_int64 syncedSize = -1;  // size at the last sync; -1 while nothing is pending
  std::vector<Unsynced> pending;
};

sqlite3_vfs g_vfs;
std::map<std::string, Track> g_tracks;
std::mt19937 g_random;
long g_cutAfter = -1;
long g_writes = 0;
long g_syncs = 0;
bool g_cut = false;
QString g_imageFolder;

struct CutFile {
  WrappedFile wrapped;
  std::string* path;  // null for files that are not tracked
};

CutFile* cut(sqlite3_file* f) { return reinterpret_cast<CutFile*>(f); }
using wrapped::Real;

// The file as the disk holds it after the power cut.
QByteArray survivingImage(const QString& path, const Track& track) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray image = file.readAll();
  if (track.pending.empty()) return image;
  sqlite3_int64 size = track.syncedSize;
  std::uniform_int_distribution<int> fate(0, 4);  // 0-1 on disk, 2-3 lost, 4 torn
  for (auto it = track.pending.rbegin(); it != track.pending.rend(); ++it) {
    const int f = fate(g_random);
    sqlite3_int64 kept = it->length;
    if (f >= 2) kept = f == 4 ? (it->length / 2) / 512 * 512 : 0;
    const sqlite3_int64 from = it->offset + kept, to = std::min<sqlite3_int64>(it->offset + it->length, image.size());
    for (sqlite3_int64 i = from; i < to; ++i) {
      const sqlite3_int64 k = i - it->offset;
      image[qsizetype(i)] = k < it->oldBytes.size() ? it->oldBytes[qsizetype(k)] : '\0';
    }
    if (kept > 0) size = std::max(size, it->offset + kept);
  }
  image.truncate(qsizetype(std::min<sqlite3_int64>(size, image.size())));
  return image;
}

void cutThePower() {
  g_cut = true;
  QDir().mkpath(g_imageFolder);
  for (const auto& [path, track] : g_tracks) {
    const QString name = QString::fromStdString(path);
    if (!QFileInfo::exists(name)) continue;
    QFile out(g_imageFolder + u'/' + QFileInfo(name).fileName());
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(survivingImage(name, track));
  }
}

int xClose(sqlite3_file* f) {
  delete cut(f)->path;
  return Real(f)->pMethods ? Real(f)->pMethods->xClose(Real(f)) : SQLITE_OK;
}

int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
  if (g_cut) return SQLITE_IOERR_WRITE;
  if (cut(f)->path) {
    sqlite3_int64 size = 0;
    Real(f)->pMethods->xFileSize(Real(f), &size);
    Unsynced u{o, n, size, {}};
    if (o < size) {
      u.oldBytes.resize(qsizetype(std::min<sqlite3_int64>(n, size - o)));
      Real(f)->pMethods->xRead(Real(f), u.oldBytes.data(), int(u.oldBytes.size()), o);
    }
    Track& t = g_tracks[*cut(f)->path];
    if (t.syncedSize < 0) t.syncedSize = size;
    t.pending.push_back(std::move(u));
  }
  const int rc = Real(f)->pMethods->xWrite(Real(f), b, n, o);
  if (++g_writes == g_cutAfter) cutThePower();
  return rc;
}

int xTruncate(sqlite3_file* f, sqlite3_int64 s) {
  if (g_cut) return SQLITE_IOERR_TRUNCATE;
  if (cut(f)->path) {  // a truncation is on the disk at once; what it cut off is gone
    Track& t = g_tracks[*cut(f)->path];
    if (t.syncedSize > s) t.syncedSize = s;
    for (Unsynced& u : t.pending) u.length = std::clamp<sqlite3_int64>(s - u.offset, 0, u.length);
  }
  return Real(f)->pMethods->xTruncate(Real(f), s);
}

int xSync(sqlite3_file* f, int flags) {
  if (g_cut) return SQLITE_IOERR_FSYNC;
  ++g_syncs;
  const int rc = Real(f)->pMethods->xSync(Real(f), flags);
  if (rc == SQLITE_OK && cut(f)->path) g_tracks[*cut(f)->path] = Track();  // all on the disk now
  return rc;
}
// No promise of atomic or ordered writes: the engine must rely on syncs alone.
int xDeviceCharacteristics(sqlite3_file*) { return 0; }

const sqlite3_io_methods kMethods = [] {
  sqlite3_io_methods m = wrapped::PassThroughMethods();
  m.xClose = xClose;
  m.xWrite = xWrite;
  m.xTruncate = xTruncate;
  m.xSync = xSync;
  m.xDeviceCharacteristics = xDeviceCharacteristics;
  return m;
}();

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
  auto* cf = cut(f);
  cf->path = nullptr;
  const int rc = wrapped::Open(f, sizeof(CutFile), &kMethods, name, flags, outFlags);
  if (rc == SQLITE_OK && name && (flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL))) {
    cf->path = new std::string(name);
    g_tracks.try_emplace(*cf->path);
  }
  return rc;
}
int xDelete(sqlite3_vfs*, const char* n, int s) {
  if (g_cut) return SQLITE_IOERR_DELETE;
  g_tracks.erase(n);
  return wrapped::RealVfs()->xDelete(wrapped::RealVfs(), n, s);
}

}  // namespace

PowerCutVfs::PowerCutVfs(uint32_t seed) {
  g_tracks.clear();
  g_random.seed(seed);
  g_cutAfter = -1;
  g_writes = 0;
  g_syncs = 0;
  g_cut = false;
  wrapped::Register(g_vfs, "powercut", sizeof(CutFile), xOpen, xDelete);
}

PowerCutVfs::~PowerCutVfs() {
  wrapped::Unregister(g_vfs);
  g_tracks.clear();
}

void PowerCutVfs::CutAfterWrites(long count, const QString& imageFolder) {
  g_cutAfter = count < 0 ? -1 : g_writes + count;
  g_imageFolder = imageFolder;
}
bool PowerCutVfs::Cut() const { return g_cut; }
long PowerCutVfs::Writes() const { return g_writes; }
long PowerCutVfs::Syncs() const { return g_syncs; }
