// MappedStore: the named region, the file form with its size check, checked access to the data and
// the background save.
#include "vyx/contacts/MappedStore.h"

#include "common/ErrorLog.h"
#include "common/SettingsStore.h"
#include "platform/api/FileApi.h"
#include "platform/api/WinNls.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace vyx {

namespace {

void writeLittle32(BYTE* at, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<BYTE>(value >> (8 * i));
}

}

MappedStore::MappedStore(std::u16string_view path)
    : m_path(path)
{
    for (const char16_t character : m_path) {
        if (character != u'\\')
            m_regionName += character;
    }
    // Lower case is this family's fold of the region name.
    CharLowerBuff(m_regionName.data(), static_cast<DWORD>(m_regionName.size()));
}

MappedStore::~MappedStore()
{
    Close();
}

bool MappedStore::MapRegion()
{
    if (m_path.empty() || m_path.size() >= MAX_PATH)
        return false;
    m_mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, regionSize, m_regionName.c_str());
    if (!m_mapping)
        return false;
    m_attached = GetLastError() == ERROR_ALREADY_EXISTS;
    m_view = static_cast<BYTE*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!m_view) {
        CloseHandle(m_mapping);
        m_mapping = nullptr;
        return false;
    }
    return true;
}

void MappedStore::UnmapRegion()
{
    if (m_view)
        UnmapViewOfFile(m_view);
    if (m_mapping)
        CloseHandle(m_mapping);
    m_view = nullptr;
    m_mapping = nullptr;
}

void MappedStore::MarkUntrusted()
{
    if (!m_untrusted)
        SettingsStore::SetFileFlag(m_path.c_str());
    m_untrusted = true;
}

bool MappedStore::Create(DWORD dataLength)
{
    if (dataLength < 4 || dataLength > maxDataLength)
        return false;
    Close();
    if (!MapRegion())
        return false;
    std::memset(m_view, 0, dataOffset + dataLength + 4);
    writeLittle32(m_view, dataLength);
    return true;
}

bool MappedStore::Open()
{
    Close();
    if (!MapRegion())
        return false;
    // A region another program holds is used as it is, unless its length could not be true.
    const bool usable = m_attached ? ReadLittle32(m_view) <= maxDataLength : LoadFile();
    if (!usable)
        UnmapRegion();
    return usable;
}

bool MappedStore::LoadFile()
{
    const HANDLE file = CreateFile(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD sizeHigh = 0;
    const DWORD size = GetFileSize(file, &sizeHigh);
    // The size check needs the eight bytes before the end; the data must fit the region.
    bool valid = size != INVALID_FILE_SIZE && sizeHigh == 0 && size >= 8 && size <= regionSize - dataOffset;
    DWORD loaded = 0;
    while (valid && loaded < size) {
        DWORD read = 0;
        if (!ReadFile(file, m_view + dataOffset + loaded, size - loaded, &read, nullptr) || read == 0)
            valid = false;
        loaded += read;
    }
    CloseHandle(file);
    if (!valid || ReadLittle32(m_view + dataOffset + size - 8) != size)
        return false;
    writeLittle32(m_view, size - 4);
    return true;
}

void MappedStore::Close()
{
    if (m_saveRunning) {
        SetThreadPriority(m_saveThread, THREAD_PRIORITY_ABOVE_NORMAL);
        m_hurry = true;
    }
    WaitForSave();
    UnmapRegion();
    m_attached = false;
    m_untrusted = false;
}

bool MappedStore::Grow(DWORD newLength)
{
    if (!m_view || newLength > maxDataLength)
        return false;
    if (newLength > Length())
        writeLittle32(m_view, newLength);
    return true;
}

void MappedStore::Write8(DWORD offset, BYTE value)
{
    if (Holds(offset, 1))
        *At(offset) = value;
}

void MappedStore::Write16(DWORD offset, WORD value)
{
    if (!Holds(offset, 2))
        return;
    BYTE* at = At(offset);
    at[0] = static_cast<BYTE>(value);
    at[1] = static_cast<BYTE>(value >> 8);
}

void MappedStore::Write32(DWORD offset, DWORD value)
{
    if (Holds(offset, 4))
        writeLittle32(At(offset), value);
}

void MappedStore::Move(DWORD to, DWORD from, DWORD size)
{
    if (size != 0 && Holds(to, size) && Holds(from, size))
        std::memmove(At(to), At(from), size);
}

void MappedStore::Zero(DWORD offset, DWORD size)
{
    if (size != 0 && Holds(offset, size))
        std::memset(At(offset), 0, size);
}

void MappedStore::StartSave()
{
    if (!m_view)
        return;
    CancelSave();
    m_stop = false;
    m_hurry = false;
    m_saveRunning = true;
    m_saveThread = CreateThread(nullptr, 0, SaveThreadMain, this, 0, nullptr);
    if (!m_saveThread) {
        m_saveRunning = false;
        return;
    }
    SetThreadPriority(m_saveThread, THREAD_PRIORITY_IDLE);
}

void MappedStore::CancelSave()
{
    if (m_saveRunning)
        m_stop = true;
    WaitForSave();
}

void MappedStore::WaitForSave()
{
    while (m_saveRunning)
        Sleep(savePollMs);
    if (m_saveThread) {
        CloseHandle(m_saveThread);
        m_saveThread = nullptr;
    }
}

DWORD MappedStore::SaveThreadMain(LPVOID store)
{
    auto* self = static_cast<MappedStore*>(store);
    self->WriteFile();
    // The store may be gone once this is seen: nothing of it is touched after.
    self->m_saveRunning = false;
    return 0;
}

void MappedStore::WriteFile()
{
    const std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[saveChunk]);
    if (!buffer) {
        ErrorLog::Write(u"Memory not allocated!!!", u"MappedStore", __LINE__);
        return;
    }
    if (m_preSave)
        m_preSave();
    const HANDLE file = CreateFile(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const DWORD length = Length();
    const DWORD size = length + 4;
    DWORD written = 0;
    if (length >= 4) {
        // The file's size in the last four bytes of the data: the mark of a complete file.
        writeLittle32(m_view + length, size);
        while (written < size) {
            const DWORD chunk = std::min(saveChunk, size - written);
            std::memcpy(buffer.get(), m_view + dataOffset + written, chunk);
            DWORD done = 0;
            if (!::WriteFile(file, buffer.get(), chunk, &done, nullptr) || done != chunk)
                break;
            written += chunk;
            if (written < size && m_stop)
                break;
            if (!m_hurry)
                Sleep(0);
        }
    }
    CloseHandle(file);
    if (length >= 4 && written == size && !m_untrusted)
        SettingsStore::ClearFileFlag(m_path.c_str());
}

}
