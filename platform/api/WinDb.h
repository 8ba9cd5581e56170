// The object store's database interface: volumes, databases of records with typed properties, sort
// orders, seeks, property reads and writes, and change notifications sent to a window.
#pragma once

#include "platform/api/FileApi.h"
#include "platform/api/WinTypes.h"

// Identifiers of databases and records in a volume; 0 names nothing.
using CEOID = DWORD;
using PCEOID = CEOID*;
// A property identifier: the property number in the high 16 bits, its value type in the low 16 bits.
using CEPROPID = DWORD;

// Identifies a mounted volume. All zero: none.
struct CEGUID {
    DWORD Data1;
    DWORD Data2;
    DWORD Data3;
    DWORD Data4;

    bool operator==(const CEGUID&) const = default;
};
using PCEGUID = CEGUID*;

inline void CREATE_INVALIDGUID(CEGUID* guid) { *guid = CEGUID { 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF }; }
inline bool CHECK_INVALIDGUID(const CEGUID* guid)
{
    return guid->Data1 == 0xFFFFFFFF && guid->Data2 == 0xFFFFFFFF && guid->Data3 == 0xFFFFFFFF && guid->Data4 == 0xFFFFFFFF;
}

// ---- Value types (the low word of a property identifier)
constexpr WORD CEVT_I2 = 2;
constexpr WORD CEVT_I4 = 3;
constexpr WORD CEVT_R8 = 5;
constexpr WORD CEVT_BOOL = 11;
constexpr WORD CEVT_UI2 = 18;
constexpr WORD CEVT_UI4 = 19;
constexpr WORD CEVT_LPWSTR = 31;
constexpr WORD CEVT_FILETIME = 64;
constexpr WORD CEVT_BLOB = 65;
constexpr WORD CEVT_STREAM = 100;
constexpr WORD CEVT_AUTO_I4 = 102;

constexpr WORD TypeFromPropID(CEPROPID id) { return static_cast<WORD>(id & 0xFFFF); }
constexpr WORD PropFromPropID(CEPROPID id) { return static_cast<WORD>(id >> 16); }
constexpr CEPROPID MAKEPROPID(WORD property, WORD type) { return (static_cast<DWORD>(property) << 16) | type; }

struct CEBLOB {
    DWORD dwCount;
    BYTE* lpb;
};

union CEVALUNION {
    short iVal;
    WORD uiVal;
    LONG lVal;
    DWORD ulVal;
    FILETIME filetime;
    LPWSTR lpwstr;
    CEBLOB blob;
    BOOL boolVal;
    double dblVal;
};

// One property of a record. Strings are NUL-terminated; a blob's bytes follow its pointer.
struct CEPROPVAL {
    CEPROPID propid;
    WORD wLenData;
    WORD wFlags;
    CEVALUNION val;
};

// wFlags of a property: the record does not have it (reads), remove it (writes).
constexpr WORD CEDB_PROPNOTFOUND = 0x0100;
constexpr WORD CEDB_PROPDELETE = 0x0200;

// ---- Sort orders
constexpr int CEDB_MAXSORTPROP = 3;
constexpr int CEDB_MAXSORTORDER = 4;
constexpr int CEDB_MAXDBASENAMELEN = 32;

// Per-property sort flags. Records compare property by property: numbers by value (signed or
// unsigned by their type), file times as 64-bit counts, texts by their UTF-16 units (folded to one case
// with CEDB_SORT_CASEINSENSITIVE), blobs byte by byte; DESCENDING reverses present values. A record
// that lacks a property sorts after every present value, or before them with UNKNOWNFIRST. A seek
// value flagged CEDB_PROPNOTFOUND is the lowest of all: before every record's value, equal only to a
// lacking value that sorts first. Records with equal keys come in creation order.
constexpr DWORD CEDB_SORT_DESCENDING = 0x00000001;
constexpr DWORD CEDB_SORT_CASEINSENSITIVE = 0x00000002;
constexpr DWORD CEDB_SORT_UNKNOWNFIRST = 0x00000004;
// Key flags of a whole sort order: kept with the database; the engine answers positions and allows
// equal keys in every order.
constexpr WORD CEDB_SORT_NO_POSITIONAL = 0x0200;
constexpr WORD CEDB_SORT_PRIMARYKEY = 0x1000;

constexpr WORD SORTORDERSPECEX_VERSION = 2;

struct SORTORDERSPECEX {
    WORD wVersion;
    WORD wNumProps;
    WORD wKeyFlags;
    WORD wReserved;
    CEPROPID rgPropID[CEDB_MAXSORTPROP];
    DWORD rgdwFlags[CEDB_MAXSORTPROP];
};

// ---- Databases
constexpr WORD CEDBASEINFOEX_VERSION = 2;
// Which fields of CEDBASEINFOEX are given.
constexpr DWORD CEDB_VALIDNAME = 0x0001;
constexpr DWORD CEDB_VALIDTYPE = 0x0002;
constexpr DWORD CEDB_VALIDSORTSPEC = 0x0004;
constexpr DWORD CEDB_VALIDMODTIME = 0x0008;
constexpr DWORD CEDB_VALIDDBFLAGS = 0x0010;

struct CEDBASEINFOEX {
    WORD wVersion;
    WORD wNumSortOrder;
    DWORD dwFlags;
    WCHAR szDbaseName[CEDB_MAXDBASENAMELEN];
    DWORD dwDbaseType;
    DWORD dwNumRecords;
    DWORD dwSize;
    FILETIME ftLastModified;
    SORTORDERSPECEX rgSortSpecs[CEDB_MAXSORTORDER];
};

struct CERECORDINFO {
    CEOID oidParent;
};

constexpr WORD OBJTYPE_INVALID = 0;
constexpr WORD OBJTYPE_DATABASE = 2;
constexpr WORD OBJTYPE_RECORD = 3;

struct CEOIDINFOEX {
    WORD wVersion;
    WORD wObjType;
    union {
        CEDBASEINFOEX infDatabase;
        CERECORDINFO infRecord;
    };
};
constexpr WORD CEOIDINFOEX_VERSION = 2;

// ---- Change notifications
// Posted to the window of a notification request; lParam points to a CENOTIFICATION that the receiver
// hands back with CeFreeNotification.
constexpr UINT WM_DBNOTIFICATION = 0x03FD;

constexpr UINT DB_CEOID_CREATED = 0x0401;
constexpr UINT DB_CEOID_DATABASE_DELETED = 0x0402;
constexpr UINT DB_CEOID_RECORD_DELETED = 0x0403;
constexpr UINT DB_CEOID_CHANGED = 0x0406;
// The volume as a whole was replaced (restored, or loaded afresh); every record may have changed.
constexpr UINT DB_CEOID_VOLUME_REPLACED = 0x0408;

constexpr DWORD CEDB_EXNOTIFICATION = 0x00000001;

struct CENOTIFYREQUEST {
    DWORD dwSize;
    HWND hwnd;
    DWORD dwFlags;
    HANDLE hHeap;
    DWORD dwParam;
};
using PCENOTIFYREQUEST = CENOTIFYREQUEST*;

struct CENOTIFICATION {
    DWORD dwSize;
    DWORD dwParam;
    UINT uType;
    CEGUID guid;
    CEOID oid;
    CEOID oidParent;
};
using PCENOTIFICATION = CENOTIFICATION*;

// ---- Open flags, seek types and read flags
// Each read moves the handle on to the next record.
constexpr DWORD CEDB_AUTOINCREMENT = 0x00000001;

constexpr DWORD CEDB_SEEK_CEOID = 0x00000001;
constexpr DWORD CEDB_SEEK_BEGINNING = 0x00000002;
constexpr DWORD CEDB_SEEK_END = 0x00000004;
constexpr DWORD CEDB_SEEK_CURRENT = 0x00000008;
constexpr DWORD CEDB_SEEK_VALUESMALLER = 0x00000010;
constexpr DWORD CEDB_SEEK_VALUEFIRSTEQUAL = 0x00000020;
constexpr DWORD CEDB_SEEK_VALUEGREATER = 0x00000040;
constexpr DWORD CEDB_SEEK_VALUENEXTEQUAL = 0x00000080;
constexpr DWORD CEDB_SEEK_VALUEGREATEROREQUAL = 0x00000100;

// The engine allocates (or grows) the read buffer with LocalAlloc; the caller frees it with LocalFree.
constexpr DWORD CEDB_ALLOWREALLOC = 0x00000001;

// ---- Volumes. `flags` is CREATE_NEW, CREATE_ALWAYS, OPEN_EXISTING or OPEN_ALWAYS, as for files. A
// volume keeps its identifier while it is mounted; every mount is taken back with CeUnmountDBVol.
BOOL CeMountDBVol(PCEGUID volume, LPCWSTR volumePath, DWORD flags);
BOOL CeUnmountDBVol(PCEGUID volume);
BOOL CeFlushDBVol(PCEGUID volume);

// ---- Databases. Names have 1 to 31 characters and compare without regard to case.
CEOID CeCreateDatabaseEx2(PCEGUID volume, CEDBASEINFOEX* info);
// The same, declaring the properties the database's records have (CeGetDatabaseProps lists them).
CEOID CeCreateDatabaseWithProps(PCEGUID volume, CEDBASEINFOEX* info, DWORD propCount, CEPROPID* propIds);
// Fails with ERROR_SHARING_VIOLATION while a handle has the database open.
BOOL CeDeleteDatabaseEx(PCEGUID volume, CEOID database);
// Opens a database by `name` (when `*database` is 0) or by identifier, in one of its sort orders
// (the same properties with the same per-property flags; ERROR_INVALID_PARAMETER when it has no such
// order) or, with none, in creation order; `flags` is 0 or CEDB_AUTOINCREMENT. A request (dwSize 20,
// a window, CEDB_EXNOTIFICATION) makes every change of the database's records post WM_DBNOTIFICATION
// to the window until the handle is closed. INVALID_HANDLE_VALUE on failure (ERROR_FILE_NOT_FOUND for
// a database the volume lacks); the database's identifier goes to `*database`.
HANDLE CeOpenDatabaseEx2(PCEGUID volume, PCEOID database, LPCWSTR name, SORTORDERSPECEX* sortOrder, DWORD flags,
                         CENOTIFYREQUEST* request);
BOOL CeOidGetInfoEx2(PCEGUID volume, CEOID object, CEOIDINFOEX* info);

// ---- Records. The database handle is closed with CloseHandle; a new handle is at the first record.
// Moves the handle's current record. `value` is a record identifier (CEOID), an offset from the first
// record (BEGINNING), an offset back from the last one, whichever its sign (END: 0 is the last), a
// signed offset (CURRENT), or a pointer to `valueCount` CEPROPVALs of the first sort properties (the
// VALUE seeks, which need a sort order; "smaller" and "greater" follow the sort order). The record
// reached is returned and its position goes to `*index` when given. When no record is reached the
// current record stays and 0 comes back: ERROR_NO_MORE_ITEMS for a move past either end,
// ERROR_NOT_FOUND for an identifier or value no record has. A CURRENT move forward past the last
// record is the exception: it leaves the handle past the end, with no current record.
CEOID CeSeekDatabaseEx(HANDLE database, DWORD seekType, DWORD_PTR value, WORD valueCount, DWORD* index);
// Reads the listed properties (all when `propIds` is null) of the current record into one buffer:
// CEPROPVALs first, then the strings and blobs they point to. `*propCount` gives how many came back.
// A listed property the record lacks comes back flagged CEDB_PROPNOTFOUND. Without CEDB_ALLOWREALLOC a
// short buffer fails with ERROR_INSUFFICIENT_BUFFER and `*bufferSize` tells the size needed. With it,
// a missing or short buffer is replaced by one from `heap` (LocalAlloc when null). With no current
// record: 0 and ERROR_NO_MORE_ITEMS. The read does not move the current record (see CEDB_AUTOINCREMENT).
CEOID CeReadRecordPropsEx(HANDLE database, DWORD flags, WORD* propCount, CEPROPID* propIds, BYTE** buffer,
                          DWORD* bufferSize, HANDLE heap);
// Writes properties of record `record`, or of a new record when it is 0; returns the record's
// identifier. A value flagged CEDB_PROPDELETE removes the property. A new record gets the next number
// in each CEVT_AUTO_I4 property of the database's sort orders it is not given.
CEOID CeWriteRecordProps(HANDLE database, CEOID record, WORD propCount, CEPROPVAL* values);
BOOL CeDeleteRecord(HANDLE database, CEOID record);
// Gives back a notification received with WM_DBNOTIFICATION; FALSE for one that is not out.
BOOL CeFreeNotification(PCENOTIFYREQUEST request, PCENOTIFICATION notification);
// The properties the database's schema declares: up to `*propCount` identifiers go to `propIds`, and
// `*propCount` becomes the number the schema has (ERROR_INSUFFICIENT_BUFFER when that is more).
BOOL CeGetDatabaseProps(HANDLE database, WORD* propCount, CEPROPID* propIds);
