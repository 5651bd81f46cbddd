// How hard the workbook's parts are packed. libxlsxwriter (1.1.4, Debian 12)
// asks its zip library for zlib's default level and offers no option; on a
// million records that packing is over half of the export. Level 1 packs the
// same parts in about half the time for a file about a third larger, which a
// spreadsheet opens alike. The program defines the zip call the library
// makes, so the dynamic linker binds the library's call here; this passes it
// on to the zip library with the faster level. Nothing else in the program
// packs zip files.
#include "WorkbookPacking.h"

#include <xlsxwriter/third_party/zip.h>

#include <dlfcn.h>

namespace {

constexpr int kWorkbookPackingLevel = Z_BEST_SPEED;

using OpenInZip = int (*)(zipFile, const char*, const zip_fileinfo*, const void*, uInt, const void*, uInt, const char*,
                          int, int, int, int, int, int, const char*, uLong, uLong, uLong, int);

OpenInZip zipLibrarysOpen() {
  static const OpenInZip open = reinterpret_cast<OpenInZip>(dlsym(RTLD_NEXT, "zipOpenNewFileInZip4_64"));
  return open;
}

}  // namespace

extern "C" int zipOpenNewFileInZip4_64(zipFile file, const char* filename, const zip_fileinfo* zipfi,
                                       const void* extrafield_local, uInt size_extrafield_local,
                                       const void* extrafield_global, uInt size_extrafield_global, const char* comment,
                                       int method, int level, int raw, int windowBits, int memLevel, int strategy,
                                       const char* password, uLong crcForCrypting, uLong versionMadeBy, uLong flagBase,
                                       int zip64) {
  const OpenInZip open = zipLibrarysOpen();
  // Without the zip library the library's own call could not be here either;
  // answered as its failure, which the workbook reports as a write error.
  if (!open) return ZIP_INTERNALERROR;
  if (method == Z_DEFLATED && level == Z_DEFAULT_COMPRESSION) level = kWorkbookPackingLevel;
  return open(file, filename, zipfi, extrafield_local, size_extrafield_local, extrafield_global, size_extrafield_global,
              comment, method, level, raw, windowBits, memLevel, strategy, password, crcForCrypting, versionMadeBy,
              flagBase, zip64);
}

bool WorkbookPackingIsFast() {
  using Self = int (*)(zipFile, const char*, const zip_fileinfo*, const void*, uInt, const void*, uInt, const char*,
                       int, int, int, int, int, int, const char*, uLong, uLong, uLong, int);
  const Self self = &zipOpenNewFileInZip4_64;
  return zipLibrarysOpen() && reinterpret_cast<void*>(self) == dlsym(RTLD_DEFAULT, "zipOpenNewFileInZip4_64");
}
