#include "vyx/contacts/PimDatabase.h"

#include "platform/api/FileApi.h"
#include "platform/api/WinBase.h"

#include <algorithm>

namespace vyx {

namespace {

constexpr LPCWSTR volumePath = u"\\pim.vol";

bool isZero(const CEGUID& guid)
{
    return guid.Data1 == 0 && guid.Data2 == 0 && guid.Data3 == 0 && guid.Data4 == 0;
}

}

PimDatabase::~PimDatabase()
{
    Close();
}

bool PimDatabase::Open(LPCWSTR name, std::span<const CEPROPID> sortProperties, WORD keyFlags, HWND notifyWindow)
{
    Close();
    if (!CeMountDBVol(&m_volume, volumePath, OPEN_EXISTING)) {
        m_volume = {};
        return false;
    }

    SORTORDERSPECEX sortOrder {};
    sortOrder.wVersion = SORTORDERSPECEX_VERSION;
    sortOrder.wNumProps = static_cast<WORD>(std::min<std::size_t>(sortProperties.size(), CEDB_MAXSORTPROP));
    sortOrder.wKeyFlags = keyFlags;
    std::copy_n(sortProperties.begin(), sortOrder.wNumProps, sortOrder.rgPropID);

    m_request = CENOTIFYREQUEST {};
    m_request.dwSize = sizeof m_request;
    m_request.hwnd = notifyWindow;
    m_request.dwFlags = CEDB_EXNOTIFICATION;

    m_identifier = 0;
    m_handle = CeOpenDatabaseEx2(&m_volume, &m_identifier, name, sortProperties.empty() ? nullptr : &sortOrder, 0,
        notifyWindow ? &m_request : nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        Close();
        return false;
    }
    m_atEnd = false;
    return true;
}

void PimDatabase::Close()
{
    if (m_handle != INVALID_HANDLE_VALUE) {
        CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
    if (!isZero(m_volume))
        CeUnmountDBVol(&m_volume);
    m_volume = {};
    m_identifier = 0;
    if (m_readBuffer) {
        LocalFree(m_readBuffer);
        m_readBuffer = nullptr;
        m_readBufferSize = 0;
    }
}

void PimDatabase::FreeNotification(CENOTIFICATION* notification)
{
    if (notification)
        CeFreeNotification(&m_request, notification);
}

bool PimDatabase::Moved(CEOID reached)
{
    if (reached == 0)
        return false;
    m_atEnd = false;
    return true;
}

bool PimDatabase::SeekFirst(DWORD offset)
{
    DWORD index = 0;
    return Moved(CeSeekDatabaseEx(m_handle, CEDB_SEEK_BEGINNING, offset, 0, &index));
}

bool PimDatabase::SeekLast(DWORD offset)
{
    DWORD index = 0;
    return Moved(CeSeekDatabaseEx(m_handle, CEDB_SEEK_END, static_cast<DWORD>(-static_cast<LONG>(offset)), 0, &index));
}

bool PimDatabase::SeekIdentifier(CEOID record)
{
    DWORD index = 0;
    return Moved(CeSeekDatabaseEx(m_handle, CEDB_SEEK_CEOID, record, 0, &index));
}

bool PimDatabase::SeekNext()
{
    DWORD index = 0;
    if (CeSeekDatabaseEx(m_handle, CEDB_SEEK_CURRENT, 1, 0, &index) != 0)
        return true;
    m_atEnd = true;
    return false;
}

bool PimDatabase::SeekEqual(const PropertyValue& value)
{
    CEPROPVAL raw = value.ToRaw();
    DWORD index = 0;
    return Moved(CeSeekDatabaseEx(m_handle, CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(&raw), 1, &index));
}

bool PimDatabase::SeekAfter(std::span<const PropertyValue> values)
{
    std::vector<CEPROPVAL> raw;
    raw.reserve(values.size());
    for (const PropertyValue& value : values)
        raw.push_back(value.ToRaw());
    DWORD index = 0;
    return Moved(CeSeekDatabaseEx(m_handle, CEDB_SEEK_VALUEGREATER, reinterpret_cast<DWORD_PTR>(raw.data()),
        static_cast<WORD>(raw.size()), &index));
}

bool PimDatabase::ReadProps(const std::vector<CEPROPID>* properties, CEOID& record, std::vector<PropertyValue>& values)
{
    values.clear();
    record = 0;
    if (m_autoAdvance && m_atEnd) {
        SetLastError(ERROR_HANDLE_EOF);
        return false;
    }
    std::vector<CEPROPID> listed;
    if (properties)
        listed = *properties;
    WORD count = static_cast<WORD>(listed.size());
    record = CeReadRecordPropsEx(m_handle, CEDB_ALLOWREALLOC, &count, properties ? listed.data() : nullptr,
        &m_readBuffer, &m_readBufferSize, nullptr);
    if (record == 0)
        return false;
    const auto* raw = reinterpret_cast<const CEPROPVAL*>(m_readBuffer);
    values.reserve(count);
    for (WORD i = 0; i < count; ++i)
        values.push_back(PropertyValue::FromRaw(raw[i]));
    if (m_autoAdvance)
        SeekNext();
    return true;
}

CEOID PimDatabase::WriteProps(CEOID record, std::span<const PropertyValue> values, WriteMode mode)
{
    if (values.empty()) {
        SetLastError(ERROR_NO_DATA);
        return 0;
    }
    const WORD flags = mode == WriteMode::Delete ? CEDB_PROPDELETE : 0;
    std::vector<CEPROPVAL> raw;
    raw.reserve(values.size());
    for (const PropertyValue& value : values)
        raw.push_back(value.ToRaw(flags));
    return CeWriteRecordProps(m_handle, record, static_cast<WORD>(raw.size()), raw.data());
}

bool PimDatabase::HasProperty(CEPROPID property) const
{
    WORD count = 0;
    CeGetDatabaseProps(m_handle, &count, nullptr);
    std::vector<CEPROPID> declared(count);
    if (!CeGetDatabaseProps(m_handle, &count, declared.data()))
        return false;
    declared.resize(count);
    return std::find(declared.begin(), declared.end(), property) != declared.end();
}

std::optional<DWORD> PimDatabase::Information() const
{
    CEOIDINFOEX info {};
    info.wVersion = CEOIDINFOEX_VERSION;
    CEGUID volume = m_volume;
    if (!CeOidGetInfoEx2(&volume, m_identifier, &info) || info.wObjType != OBJTYPE_DATABASE)
        return std::nullopt;
    return info.infDatabase.dwNumRecords;
}

FILETIME VolumeState::LastWriteTime(bool flush)
{
    if (flush) {
        CEGUID volume {};
        if (CeMountDBVol(&volume, volumePath, OPEN_EXISTING))
            CeUnmountDBVol(&volume);
    }
    FILETIME time {};
    WIN32_FIND_DATA found {};
    const HANDLE search = FindFirstFile(volumePath, &found);
    if (search != INVALID_HANDLE_VALUE) {
        time = found.ftLastWriteTime;
        FindClose(search);
    } else {
        SYSTEMTIME now {};
        GetSystemTime(&now);
        SystemTimeToFileTime(&now, &time);
    }
    return time;
}

VolumeState VolumeState::Of(const PimDatabase& contacts)
{
    return VolumeState { LastWriteTime(false), contacts.Information().value_or(0) };
}

}
