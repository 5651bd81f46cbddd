#pragma once
// Whether the workbook's parts are packed at zlib's fastest level: true when
// the dynamic linker bound the zip library's call to this program's (see
// WorkbookPacking.cpp); else they are packed at the library's default level,
// slower but alike.
bool WorkbookPackingIsFast();
