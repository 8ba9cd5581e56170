// The object store functions of the device interface, carried out on the calling emulated thread over
// the device's object store: argument checks, the platform's structures, and errors as last errors.
#include "platform/api/WinDb.h"

#include "platform/api/WinBase.h"
#include "platform/emu/DbError.h"
#include "platform/emu/DbHandle.h"
#include "platform/emu/DbVolume.h"
#include "platform/emu/Device.h"
#include "platform/emu/HeapTable.h"
#include "platform/emu/ObjectStore.h"
#include "platform/emu/PropertyBuffer.h"

#include <algorithm>
#include <new>

using namespace emu;

namespace {

Device& device()
{
    return currentDevice();
}

ObjectStore& store()
{
    return device().objectStore();
}

// Runs an operation; a DbError becomes the last error and the result `failed`. A failure of the
// volume file goes to the transcript too, for the person running the device.
template <class Result, class Operation>
Result guarded(Result failed, Operation operation)
{
    try {
        return operation();
    } catch (const DbError& error) {
        if (error.isStorageFailure())
            device().transcript().event(std::string("object store: ") + error.what());
        SetLastError(error.code());
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return failed;
}

DbVolume& mountedVolume(const CEGUID* guid)
{
    const auto volume = guid ? store().mounted(*guid) : nullptr;
    if (!volume)
        throw DbError(ERROR_INVALID_PARAMETER, "no such volume is mounted");
    return *volume;
}

std::shared_ptr<DbHandle> databaseHandle(HANDLE handle)
{
    auto database = device().handles().getAs<DbHandle>(handle);
    if (!database)
        throw DbError(ERROR_INVALID_HANDLE, "no such database handle");
    return database;
}

// A text given in a fixed array of the platform's structures, up to its NUL.
std::u16string_view nameIn(const WCHAR (&name)[CEDB_MAXDBASENAMELEN])
{
    return std::u16string_view(name, std::find(name, name + CEDB_MAXDBASENAMELEN, u'\0') - name);
}

CEOID createDatabase(PCEGUID volume, CEDBASEINFOEX* info, std::vector<CEPROPID> schema)
{
    DbVolume& mounted = mountedVolume(volume);
    if (mounted.inDriverTransaction())
        throw DbError(ERROR_BUSY, "the volume is being changed by the emulator");
    if (!info || info->wVersion != CEDBASEINFOEX_VERSION || !(info->dwFlags & CEDB_VALIDNAME))
        throw DbError(ERROR_INVALID_PARAMETER, "a database is described by version 2 information with its name");
    const std::u16string_view name = nameIn(info->szDbaseName);
    if (name.size() == CEDB_MAXDBASENAMELEN)
        throw DbError(ERROR_INVALID_PARAMETER, "a database name has at most 31 characters");
    std::vector<SORTORDERSPECEX> sortOrders;
    if (info->dwFlags & CEDB_VALIDSORTSPEC) {
        if (info->wNumSortOrder > CEDB_MAXSORTORDER)
            throw DbError(ERROR_INVALID_PARAMETER, "a database has at most 4 sort orders");
        sortOrders.assign(info->rgSortSpecs, info->rgSortSpecs + info->wNumSortOrder);
    }
    const DWORD type = (info->dwFlags & CEDB_VALIDTYPE) ? info->dwDbaseType : 0;
    return mounted.createDatabase(name, type, std::move(sortOrders), std::move(schema));
}

// The sort order of the database that the one asked for names: the same properties with the same
// flags. Nullopt when none is asked for.
std::optional<std::size_t> sortIndexOf(const DbVolume::Database& database, const SORTORDERSPECEX* asked)
{
    if (!asked)
        return std::nullopt;
    if (asked->wVersion != SORTORDERSPECEX_VERSION)
        throw DbError(ERROR_INVALID_PARAMETER, "a sort order is given as version 2");
    for (std::size_t i = 0; i < database.sortOrders.size(); ++i) {
        const SORTORDERSPECEX& sort = database.sortOrders[i];
        if (sort.wNumProps == asked->wNumProps && std::equal(sort.rgPropID, sort.rgPropID + sort.wNumProps, asked->rgPropID)
            && std::equal(sort.rgdwFlags, sort.rgdwFlags + sort.wNumProps, asked->rgdwFlags))
            return i;
    }
    throw DbError(ERROR_INVALID_PARAMETER, "the database has no such sort order");
}

std::optional<CENOTIFYREQUEST> requestOf(const CENOTIFYREQUEST* request)
{
    if (!request)
        return std::nullopt;
    // Programs give the size the platform's 32-bit structure has, or this one's.
    constexpr DWORD platformRequestSize = 20;
    if ((request->dwSize != platformRequestSize && request->dwSize != sizeof(CENOTIFYREQUEST)) || !request->hwnd
        || !(request->dwFlags & CEDB_EXNOTIFICATION))
        throw DbError(ERROR_INVALID_PARAMETER, "a notification request names a window for extended notifications");
    return *request;
}

void fillDatabaseInfo(DbVolume& volume, const DbVolume::Database& database, CEDBASEINFOEX& info)
{
    info = CEDBASEINFOEX {};
    info.wVersion = CEDBASEINFOEX_VERSION;
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC | CEDB_VALIDMODTIME;
    std::copy(database.name.begin(), database.name.end(), info.szDbaseName);
    info.dwDbaseType = database.type;
    info.dwNumRecords = volume.recordCount(database.oid);
    info.dwSize = volume.dataSize(database.oid);
    const auto modified = static_cast<std::uint64_t>(database.modified);
    info.ftLastModified = FILETIME { static_cast<DWORD>(modified & 0xFFFFFFFF), static_cast<DWORD>(modified >> 32) };
    info.wNumSortOrder = static_cast<WORD>(database.sortOrders.size());
    std::copy(database.sortOrders.begin(), database.sortOrders.end(), info.rgSortSpecs);
}

}

// ---- Volumes

BOOL CeMountDBVol(PCEGUID volume, LPCWSTR volumePath, DWORD flags)
{
    return guarded(FALSE, [&] {
        if (!volume || !volumePath)
            throw DbError(ERROR_INVALID_PARAMETER, "a mount needs the volume's path and a place for its identifier");
        bool existed = false;
        *volume = store().mount(volumePath, flags, existed);
        SetLastError(existed && (flags == OPEN_ALWAYS || flags == CREATE_ALWAYS) ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        return TRUE;
    });
}

BOOL CeUnmountDBVol(PCEGUID volume)
{
    return guarded(FALSE, [&] {
        if (!volume || !store().unmount(*volume))
            throw DbError(ERROR_INVALID_PARAMETER, "no such volume is mounted");
        return TRUE;
    });
}

BOOL CeFlushDBVol(PCEGUID volume)
{
    // Every change is in the file once its call returns; a null volume stands for all of them.
    return guarded(FALSE, [&] {
        if (volume)
            mountedVolume(volume);
        return TRUE;
    });
}

// ---- Databases

CEOID CeCreateDatabaseEx2(PCEGUID volume, CEDBASEINFOEX* info)
{
    return guarded(CEOID { 0 }, [&] { return createDatabase(volume, info, {}); });
}

CEOID CeCreateDatabaseWithProps(PCEGUID volume, CEDBASEINFOEX* info, DWORD propCount, CEPROPID* propIds)
{
    return guarded(CEOID { 0 }, [&] {
        if (propCount > 0 && !propIds)
            throw DbError(ERROR_INVALID_PARAMETER, "the declared properties are missing");
        return createDatabase(volume, info, std::vector<CEPROPID>(propIds, propIds + propCount));
    });
}

BOOL CeDeleteDatabaseEx(PCEGUID volume, CEOID database)
{
    return guarded(FALSE, [&] {
        DbVolume& mounted = mountedVolume(volume);
        if (!mounted.database(database))
            throw DbError(ERROR_NOT_FOUND, "no such database");
        if (mounted.inDriverTransaction())
            throw DbError(ERROR_BUSY, "the volume is being changed by the emulator");
        mounted.deleteDatabase(database);
        return TRUE;
    });
}

HANDLE CeOpenDatabaseEx2(PCEGUID volume, PCEOID database, LPCWSTR name, SORTORDERSPECEX* sortOrder, DWORD flags, CENOTIFYREQUEST* request)
{
    return guarded(INVALID_HANDLE_VALUE, [&] {
        const auto mounted = volume ? store().mounted(*volume) : nullptr;
        if (!mounted || !database || (*database == 0 && !name) || (flags & ~CEDB_AUTOINCREMENT))
            throw DbError(ERROR_INVALID_PARAMETER, "an open names a mounted volume and a database");
        const DbVolume::Database* found = *database ? mounted->database(*database) : mounted->findDatabase(name);
        if (!found)
            throw DbError(ERROR_FILE_NOT_FOUND, "no such database");
        auto handle = std::make_shared<DbHandle>(mounted, found->oid, sortIndexOf(*found, sortOrder), (flags & CEDB_AUTOINCREMENT) != 0,
            requestOf(request));
        mounted->addHandle(handle);
        *database = found->oid;
        SetLastError(ERROR_SUCCESS);
        return device().handles().add(std::move(handle));
    });
}

BOOL CeOidGetInfoEx2(PCEGUID volume, CEOID object, CEOIDINFOEX* info)
{
    return guarded(FALSE, [&] {
        DbVolume& mounted = mountedVolume(volume);
        if (!info)
            throw DbError(ERROR_INVALID_PARAMETER, "no place for the information");
        if (const DbVolume::Database* database = mounted.database(object)) {
            *info = CEOIDINFOEX {};
            info->wVersion = CEOIDINFOEX_VERSION;
            info->wObjType = OBJTYPE_DATABASE;
            fillDatabaseInfo(mounted, *database, info->infDatabase);
            return TRUE;
        }
        const auto parent = object ? mounted.databaseOfRecord(object) : std::nullopt;
        if (!parent)
            throw DbError(ERROR_NOT_FOUND, "no such object");
        *info = CEOIDINFOEX {};
        info->wVersion = CEOIDINFOEX_VERSION;
        info->wObjType = OBJTYPE_RECORD;
        info->infRecord.oidParent = *parent;
        return TRUE;
    });
}

BOOL CeGetDatabaseProps(HANDLE database, WORD* propCount, CEPROPID* propIds)
{
    return guarded(FALSE, [&] {
        const auto handle = databaseHandle(database);
        if (!propCount)
            throw DbError(ERROR_INVALID_PARAMETER, "no place for the count");
        const DbVolume::Database* info = handle->volume().database(handle->database());
        if (!info)
            throw DbError(ERROR_NOT_FOUND, "the database is gone");
        const std::vector<CEPROPID>& schema = info->schema;
        const bool fits = propIds && *propCount >= schema.size();
        if (fits)
            std::copy(schema.begin(), schema.end(), propIds);
        *propCount = static_cast<WORD>(schema.size());
        if (!fits && !schema.empty())
            throw DbError(ERROR_INSUFFICIENT_BUFFER, "the schema has more properties than the buffer");
        return TRUE;
    });
}

// ---- Records

CEOID CeSeekDatabaseEx(HANDLE database, DWORD seekType, DWORD_PTR value, WORD valueCount, DWORD* index)
{
    return guarded(CEOID { 0 }, [&] { return databaseHandle(database)->seek(seekType, value, valueCount, index); });
}

CEOID CeReadRecordPropsEx(HANDLE database, DWORD flags, WORD* propCount, CEPROPID* propIds, BYTE** buffer, DWORD* bufferSize, HANDLE heap)
{
    return guarded(CEOID { 0 }, [&] {
        const auto handle = databaseHandle(database);
        if (!propCount || !buffer || !bufferSize || (propIds && *propCount == 0))
            throw DbError(ERROR_INVALID_PARAMETER, "a read needs its count, buffer and size");
        MemoryHeap* allocator = nullptr;
        if (flags & CEDB_ALLOWREALLOC) {
            allocator = heap ? device().heaps().find(heap) : &device().heaps().localHeap();
            if (!allocator)
                throw DbError(ERROR_INVALID_HANDLE, "no such heap");
        }
        const auto record = handle->currentRecord();
        if (!record)
            throw DbError(ERROR_NO_MORE_ITEMS, "no current record");
        const std::vector<StoredProperty> properties = handle->volume().readRecord(*record);
        std::vector<PropertyBuffer::Slot> slots;
        if (!propIds) {
            for (const StoredProperty& property : properties)
                slots.push_back(PropertyBuffer::Slot { property.id, &property });
        } else {
            for (WORD i = 0; i < *propCount; ++i) {
                const auto found = std::find_if(properties.begin(), properties.end(), [&](const StoredProperty& p) { return p.id == propIds[i]; });
                slots.push_back(PropertyBuffer::Slot { propIds[i], found == properties.end() ? nullptr : &*found });
            }
        }
        if (slots.size() > 0xFFFF)
            throw DbError(ERROR_INVALID_PARAMETER, "the record has more properties than a read returns");
        const PropertyBuffer layout(std::move(slots));
        if (!layout.placeIn(*buffer, *bufferSize, allocator))
            throw DbError(ERROR_INSUFFICIENT_BUFFER, "the buffer is too small for the record");
        *propCount = layout.count();
        if (handle->autoIncrement())
            handle->advance();
        SetLastError(ERROR_SUCCESS);
        return *record;
    });
}

CEOID CeWriteRecordProps(HANDLE database, CEOID record, WORD propCount, CEPROPVAL* values)
{
    return guarded(CEOID { 0 }, [&] {
        const auto handle = databaseHandle(database);
        if (propCount > 0 && !values)
            throw DbError(ERROR_INVALID_PARAMETER, "the values are missing");
        if (handle->volume().inDriverTransaction())
            throw DbError(ERROR_BUSY, "the volume is being changed by the emulator");
        std::vector<StoredProperty> set;
        std::vector<CEPROPID> remove;
        for (WORD i = 0; i < propCount; ++i) {
            if (values[i].wFlags & CEDB_PROPDELETE) {
                remove.push_back(values[i].propid);
                continue;
            }
            auto property = propertyOfPropVal(values[i]);
            if (!property)
                throw DbError(ERROR_INVALID_PARAMETER, "a value has an unknown type or no data");
            set.push_back(std::move(*property));
        }
        return handle->volume().writeRecord(handle->database(), record, set, remove);
    });
}

BOOL CeDeleteRecord(HANDLE database, CEOID record)
{
    return guarded(FALSE, [&] {
        const auto handle = databaseHandle(database);
        if (handle->volume().inDriverTransaction())
            throw DbError(ERROR_BUSY, "the volume is being changed by the emulator");
        handle->volume().deleteRecord(handle->database(), record);
        return TRUE;
    });
}

BOOL CeFreeNotification(PCENOTIFYREQUEST, PCENOTIFICATION notification)
{
    return guarded(FALSE, [&] {
        if (!notification || !store().freeNotification(notification))
            throw DbError(ERROR_INVALID_PARAMETER, "no such notification is out");
        return TRUE;
    });
}
