// MappedStore: a store file held in an 8 MB page-file-backed region that every program of the family
// maps by one name, so one copy in memory serves them all. Region offset 0 holds the used length L;
// the data follows from offset 4. The file is the L + 4 bytes from offset 4: before a save the file's
// size is written into the last four bytes of the data, which tells a complete file from one an
// interrupted save left behind. Every access to the data is checked against L, so a short or lying
// file never makes the store read or write outside its region. Saves run on a lowest-priority thread.
#pragma once

#include "platform/api/WinBase.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <string_view>

namespace vyx {

class MappedStore {
public:
    static constexpr DWORD regionSize = 8388608;
    static constexpr DWORD dataOffset = 4;
    // The data and the four bytes the file carries after it fill the region at most.
    static constexpr DWORD maxDataLength = regionSize - dataOffset - 4;
    static constexpr DWORD saveChunk = 4096;
    static constexpr DWORD savePollMs = 10;

    explicit MappedStore(std::u16string_view path);
    ~MappedStore();
    MappedStore(const MappedStore&) = delete;
    MappedStore& operator=(const MappedStore&) = delete;

    const std::u16string& Path() const { return m_path; }
    // The region's name: the path without its backslashes, in lower case (every program folds it the
    // same way, so they all find one region).
    const std::u16string& RegionName() const { return m_regionName; }
    bool IsOpen() const { return m_view != nullptr; }
    // Whether the last open found the region held by another program and took its content as it was.
    bool AttachedToExisting() const { return m_attached; }
    // Notes that the data lacks what it should hold, here and in the settings value named after the
    // file, so that the next start rebuilds it; saves then leave that value set. Create and Open forget it.
    void MarkUntrusted();
    bool IsUntrusted() const { return m_untrusted; }

    // A new store of `dataLength` zero bytes, replacing whatever the region held.
    bool Create(DWORD dataLength);
    // Maps the region; when no other program holds it, loads the file into it. An absent, unreadable
    // or invalid file fails the open and closes the region.
    bool Open();
    // Lets a running save finish (hurried), then unmaps and closes the region.
    void Close();

    // The used length L, 0 while closed.
    DWORD Length() const { return m_view ? std::min(ReadLittle32(m_view), maxDataLength) : 0; }
    // Raises L; false, and nothing changed, when the data would pass the region.
    bool Grow(DWORD newLength);

    // ---- The data, at data offsets. Reads outside [0, L) give 0; writes outside it are dropped.
    bool Holds(DWORD offset, DWORD size) const
    {
        const DWORD length = Length();
        return offset <= length && size <= length - offset;
    }
    // The bytes [offset, offset + size) in place, for reading several fields after one check; null when
    // they are not all inside the data.
    const BYTE* View(DWORD offset, DWORD size) const { return Holds(offset, size) ? At(offset) : nullptr; }
    static DWORD ReadLittle32(const BYTE* at)
    {
        return static_cast<DWORD>(at[0]) | static_cast<DWORD>(at[1]) << 8 | static_cast<DWORD>(at[2]) << 16
            | static_cast<DWORD>(at[3]) << 24;
    }
    static WORD ReadLittle16(const BYTE* at) { return static_cast<WORD>(at[0] | at[1] << 8); }
    BYTE Read8(DWORD offset) const { return Holds(offset, 1) ? *At(offset) : 0; }
    WORD Read16(DWORD offset) const { return Holds(offset, 2) ? ReadLittle16(At(offset)) : 0; }
    DWORD Read32(DWORD offset) const { return Holds(offset, 4) ? ReadLittle32(At(offset)) : 0; }
    void Write8(DWORD offset, BYTE value);
    void Write16(DWORD offset, WORD value);
    void Write32(DWORD offset, DWORD value);
    // Copies `size` bytes within the data; the ranges may overlap.
    void Move(DWORD to, DWORD from, DWORD size);
    void Zero(DWORD offset, DWORD size);

    // ---- Saving
    // Runs on the save thread before the file is written.
    void SetPreSaveAction(std::function<void()> action) { m_preSave = std::move(action); }
    // Stops a running save, then writes the file on a new thread of the lowest priority.
    void StartSave();
    // Stops a running save and waits for its thread; the file it leaves is incomplete.
    void CancelSave();
    bool IsSaving() const { return m_saveRunning; }

private:
    bool MapRegion();
    void UnmapRegion();
    bool LoadFile();
    // Polls until the save thread has ended, then closes its handle.
    void WaitForSave();
    static DWORD SaveThreadMain(LPVOID store);
    void WriteFile();
    BYTE* At(DWORD offset) const { return m_view + dataOffset + offset; }

    std::u16string m_path;
    std::u16string m_regionName;
    HANDLE m_mapping { nullptr };
    BYTE* m_view { nullptr };
    bool m_attached { false };
    std::atomic<bool> m_untrusted { false };
    HANDLE m_saveThread { nullptr };
    std::atomic<bool> m_saveRunning { false };
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_hurry { false };
    std::function<void()> m_preSave;
};

}
