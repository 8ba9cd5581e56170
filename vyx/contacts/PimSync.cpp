// PimSync: the roster region and its lock, and the hand-overs of mastership between the programs.
#include "vyx/contacts/PimSync.h"

#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace vyx {

namespace {

using RosterEntries = std::array<DWORD, PimSync::capacity>;

// Window handles are 32-bit on the device; the roster keeps them as such.
HWND windowAt(DWORD entry)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(entry));
}

// The entry of a window; nullopt for no window and for a handle that 32 bits cannot hold.
std::optional<DWORD> entryOf(HWND window)
{
    const auto value = reinterpret_cast<std::uintptr_t>(window);
    if (value == 0 || value != static_cast<DWORD>(value))
        return std::nullopt;
    return static_cast<DWORD>(value);
}

// The entries whose window exists, each once, packed at the front in their order.
RosterEntries livingWindows(const RosterEntries& roster)
{
    RosterEntries living {};
    std::size_t count = 0;
    for (const DWORD entry : roster) {
        if (entry == 0 || !IsWindow(windowAt(entry)))
            continue;
        if (std::find(living.begin(), living.begin() + count, entry) != living.begin() + count)
            continue;
        living[count++] = entry;
    }
    return living;
}

// The used entries after the first, in roster order.
std::vector<HWND> slavesOf(const RosterEntries& roster)
{
    std::vector<HWND> slaves;
    for (std::size_t i = 1; i < roster.size(); ++i) {
        if (roster[i] != 0)
            slaves.push_back(windowAt(roster[i]));
    }
    return slaves;
}

}

PimSync::PimSync(const PimSyncMessages& messages)
    : m_messages(messages)
{
}

PimSync::~PimSync()
{
    Close();
}

bool PimSync::Open()
{
    if (IsOpen())
        return true;
    m_lock = CreateMutex(nullptr, FALSE, lockName);
    if (m_lock)
        m_mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, rosterBytes, rosterName);
    // Exactly the roster's bytes: a smaller region of that name fails here rather than being read past its end.
    if (m_mapping)
        m_view = static_cast<BYTE*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, rosterBytes));
    if (!m_view) {
        Close();
        return false;
    }
    return true;
}

void PimSync::Close()
{
    if (m_view)
        UnmapViewOfFile(m_view);
    if (m_mapping)
        CloseHandle(m_mapping);
    if (m_lock)
        CloseHandle(m_lock);
    m_view = nullptr;
    m_mapping = nullptr;
    m_lock = nullptr;
    m_master = false;
}

bool PimSync::Lock() const
{
    if (!m_view)
        return false;
    // A program that ended while holding the lock leaves it abandoned; the wait still takes it.
    const DWORD result = WaitForSingleObject(m_lock, INFINITE);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void PimSync::Unlock() const
{
    ReleaseMutex(m_lock);
}

bool PimSync::Update(const std::function<void(Entries&)>& change)
{
    if (!Lock())
        return false;
    Entries roster;
    std::memcpy(roster.data(), m_view, rosterBytes);
    const Entries before = roster;
    change(roster);
    if (roster != before)
        std::memcpy(m_view, roster.data(), rosterBytes);
    Unlock();
    return true;
}

PimSync::Entries PimSync::Snapshot() const
{
    Entries roster {};
    if (!Lock())
        return roster;
    std::memcpy(roster.data(), m_view, rosterBytes);
    Unlock();
    return roster;
}

void PimSync::HandOver(const Entries& roster) const
{
    const std::vector<HWND> slaves = slavesOf(roster);
    for (const HWND slave : slaves)
        SendMessage(slave, m_messages.slaveStop, 0, 0);
    SendMessage(windowAt(roster[0]), m_messages.changeToMaster, 0, 0);
    for (const HWND slave : slaves)
        PostMessage(slave, m_messages.slaveReload, 0, 0);
}

void PimSync::Cleanup()
{
    bool firstChanged = false;
    Entries after {};
    Update([&](Entries& roster) {
        const DWORD first = roster[0];
        roster = livingWindows(roster);
        firstChanged = roster[0] != first;
        after = roster;
    });
    if (firstChanged && after[0] != 0)
        HandOver(after);
}

bool PimSync::Register(HWND window)
{
    const std::optional<DWORD> entry = entryOf(window);
    // A handle that is no window would be cleaned away by the next program while this one believed
    // itself master.
    if (!entry || !IsWindow(window))
        return false;
    Cleanup();
    std::optional<std::size_t> taken;
    Update([&](Entries& roster) {
        auto at = std::find(roster.begin(), roster.end(), *entry);
        if (at == roster.end())
            at = std::find(roster.begin(), roster.end(), DWORD { 0 });
        if (at == roster.end())
            return;
        *at = *entry;
        taken = static_cast<std::size_t>(at - roster.begin());
    });
    m_master = taken == std::size_t { 0 };
    return taken.has_value();
}

void PimSync::Unregister(HWND window)
{
    Cleanup();
    const std::optional<DWORD> entry = entryOf(window);
    bool wasMaster = false;
    Entries after {};
    if (entry) {
        Update([&](Entries& roster) {
            const auto at = std::find(roster.begin(), roster.end(), *entry);
            if (at == roster.end())
                return;
            wasMaster = at == roster.begin();
            std::move(at + 1, roster.end(), at);
            roster.back() = 0;
            after = roster;
        });
    }
    m_master = false;
    if (wasMaster && after[0] != 0)
        HandOver(after);
}

void PimSync::MakeMaster(HWND window)
{
    const std::optional<DWORD> entry = entryOf(window);
    if (m_master || !entry)
        return;
    bool listed = false;
    DWORD oldMaster = 0;
    Entries after {};
    Update([&](Entries& roster) {
        const auto at = std::find(roster.begin(), roster.end(), *entry);
        if (at == roster.end())
            return;
        listed = true;
        oldMaster = roster[0];
        std::swap(*at, roster[0]);
        after = roster;
    });
    // A window the roster refused cannot lead it.
    if (!listed)
        return;
    m_master = true;
    if (oldMaster == *entry)
        return;
    if (oldMaster != 0)
        SendMessage(windowAt(oldMaster), m_messages.changeToSlave, 0, 0);
    HandOver(after);
}

void PimSync::StopSlaves()
{
    for (const HWND slave : slavesOf(Snapshot()))
        SendMessage(slave, m_messages.slaveStop, 0, 0);
}

void PimSync::ReloadSlaves()
{
    for (const HWND slave : slavesOf(Snapshot()))
        PostMessage(slave, m_messages.slaveReload, 0, 0);
}

void PimSync::ForwardLinkType(DWORD contact, LONG value)
{
    const DWORD master = Snapshot()[0];
    if (master != 0)
        SendMessage(windowAt(master), m_messages.updateLinkType, static_cast<WPARAM>(contact), static_cast<LPARAM>(value));
}

std::vector<HWND> PimSync::Windows() const
{
    std::vector<HWND> windows;
    for (const DWORD entry : Snapshot()) {
        if (entry != 0)
            windows.push_back(windowAt(entry));
    }
    return windows;
}

}
