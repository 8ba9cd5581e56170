// OidList: binary search over the sorted identifiers, and the copies that add or drop one.
#include "vyx/contacts/OidList.h"

#include "vyx/contacts/CountedList.h"
#include "vyx/contacts/IndexLayout.h"

#include <algorithm>

namespace vyx {

using namespace IndexLayout;

OidList::OidList(MappedStore& store, StoreHeap& heap)
    : m_store(store)
    , m_heap(heap)
{
}

DWORD OidList::Count(DWORD list) const
{
    return CountedList::Count(m_store, list, identifierSize);
}

DWORD OidList::EntryAt(DWORD list, DWORD index) const
{
    return CountedList::KeyAt(m_store, list, identifierSize, index);
}

DWORD OidList::LowerBound(DWORD list, DWORD count, DWORD contact) const
{
    return CountedList::LowerBound(m_store, list, identifierSize, count, contact);
}

bool OidList::Contains(DWORD list, DWORD contact) const
{
    const DWORD count = Count(list);
    const DWORD at = LowerBound(list, count, contact);
    return at < count && EntryAt(list, at) == contact;
}

void OidList::AppendTo(DWORD list, std::vector<DWORD>& contacts) const
{
    const DWORD count = Count(list);
    for (DWORD i = 0; i < count; ++i)
        contacts.push_back(EntryAt(list, i));
}

DWORD OidList::Create(DWORD contact)
{
    const DWORD list = m_heap.Allocate(listEntries + identifierSize);
    if (list) {
        m_store.Write32(list + listCount, 1);
        m_store.Write32(list + listEntries, contact);
    }
    return list;
}

DWORD OidList::Insert(DWORD list, DWORD contact)
{
    const DWORD count = Count(list);
    const DWORD copy = m_heap.Allocate(listEntries + (count + 1) * identifierSize);
    if (!copy)
        return 0;
    const DWORD at = LowerBound(list, count, contact);
    m_store.Write32(copy + listCount, count + 1);
    m_store.Move(copy + listEntries, list + listEntries, at * identifierSize);
    m_store.Write32(copy + listEntries + at * identifierSize, contact);
    m_store.Move(copy + listEntries + (at + 1) * identifierSize, list + listEntries + at * identifierSize,
                 (count - at) * identifierSize);
    m_heap.Free(list);
    return copy;
}

DWORD OidList::Remove(DWORD list, DWORD contact)
{
    const DWORD count = Count(list);
    const DWORD at = LowerBound(list, count, contact);
    if (at >= count || EntryAt(list, at) != contact)
        return list;
    if (count == 1) {
        m_heap.Free(list);
        return 0;
    }
    const DWORD tailBytes = (count - at - 1) * identifierSize;
    const DWORD copy = m_heap.Allocate(listEntries + (count - 1) * identifierSize);
    if (!copy) {
        m_store.Move(list + listEntries + at * identifierSize, list + listEntries + (at + 1) * identifierSize, tailBytes);
        m_store.Write32(list + listCount, count - 1);
        return list;
    }
    m_store.Write32(copy + listCount, count - 1);
    m_store.Move(copy + listEntries, list + listEntries, at * identifierSize);
    m_store.Move(copy + listEntries + at * identifierSize, list + listEntries + (at + 1) * identifierSize, tailBytes);
    m_heap.Free(list);
    return copy;
}

}
