#pragma once
// Error numbers this program raises itself. The run-time numbers are the ones
// users of such tools know (9 subscript out of range, 13 type mismatch...);
// the database layer's numbers follow the usual data-access numbering.
#include <QtGlobal>

// Program run-time errors.
inline constexpr qint32 kErrBadCall = 5;  // invalid procedure call or argument
inline constexpr qint32 kErrOverflow = 6;
inline constexpr qint32 kErrOutOfMemory = 7;
inline constexpr qint32 kErrSubscript = 9;
inline constexpr qint32 kErrDivisionByZero = 11;
inline constexpr qint32 kErrTypeMismatch = 13;
inline constexpr qint32 kErrInternal = 51;
inline constexpr qint32 kErrFileNotFound = 53;
inline constexpr qint32 kErrFileIo = 57;
inline constexpr qint32 kErrPermissionDenied = 70;
inline constexpr qint32 kErrPathFileAccess = 75;
inline constexpr qint32 kErrPathNotFound = 76;

// Database access layer errors.
inline constexpr qint32 kErrBadArguments = 3001;     // bad filter, bad argument
inline constexpr qint32 kErrNoCurrentRecord = 3021;  // BOF or EOF
inline constexpr qint32 kErrNotInCollection = 3265;  // unknown field name
inline constexpr qint32 kErrNotAllowed = 3219;       // operation not allowed now
inline constexpr qint32 kErrNotUpdatable = 3251;     // recordset cannot add rows
inline constexpr qint32 kErrObjectClosed = 3704;     // connection/recordset not open
inline constexpr qint32 kErrProviderNotFound = 3706;
inline constexpr qint32 kErrCannotConvert = -2147217913;  // value refused by its column
