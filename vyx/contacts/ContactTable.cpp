// ContactTable: appending by copy, removal by linear search, and the map in step with both.
#include "vyx/contacts/ContactTable.h"

#include "vyx/contacts/IndexLayout.h"

#include <algorithm>

namespace vyx {

using namespace IndexLayout;

ContactTable::ContactTable(MappedStore& store, StoreHeap& heap, DWORD field)
    : m_store(store)
    , m_heap(heap)
    , m_field(field)
{
}

void ContactTable::Load()
{
    m_propsOffsets.clear();
    for (const auto& [contact, propsOffset] : Entries())
        m_propsOffsets.emplace(contact, propsOffset);
}

std::optional<DWORD> ContactTable::PropsOffsetOf(DWORD contact) const
{
    const auto found = m_propsOffsets.find(contact);
    if (found == m_propsOffsets.end())
        return std::nullopt;
    return found->second;
}

DWORD ContactTable::Count() const
{
    const DWORD table = Table();
    if (table < firstPayload || !m_store.Holds(table, listEntries))
        return 0;
    return std::min(m_store.Read32(table + listCount), (m_store.Length() - table - listEntries) / pairSize);
}

std::vector<std::pair<DWORD, DWORD>> ContactTable::Entries() const
{
    const DWORD table = Table();
    const DWORD count = Count();
    std::vector<std::pair<DWORD, DWORD>> entries;
    entries.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        const DWORD at = table + listEntries + i * pairSize;
        entries.emplace_back(m_store.Read32(at), m_store.Read32(at + pairSecond));
    }
    return entries;
}

bool ContactTable::Append(DWORD contact, DWORD propsOffset)
{
    const DWORD table = Table();
    const DWORD count = Count();
    const DWORD copy = m_heap.Allocate(listEntries + (count + 1) * pairSize);
    if (!copy)
        return false;
    m_store.Write32(copy + listCount, count + 1);
    m_store.Move(copy + listEntries, table + listEntries, count * pairSize);
    m_store.Write32(copy + listEntries + count * pairSize, contact);
    m_store.Write32(copy + listEntries + count * pairSize + pairSecond, propsOffset);
    if (table)
        m_heap.Free(table);
    m_store.Write32(m_field, copy);
    m_propsOffsets[contact] = propsOffset;
    return true;
}

void ContactTable::Remove(DWORD contact)
{
    m_propsOffsets.erase(contact);
    const DWORD table = Table();
    const DWORD count = Count();
    for (DWORD i = 0; i < count; ++i) {
        const DWORD at = table + listEntries + i * pairSize;
        if (m_store.Read32(at) != contact)
            continue;
        if (count == 1) {
            m_heap.Free(table);
            m_store.Write32(m_field, 0);
            return;
        }
        m_store.Move(at, at + pairSize, (count - i - 1) * pairSize);
        m_store.Write32(table + listCount, count - 1);
        return;
    }
}

}
