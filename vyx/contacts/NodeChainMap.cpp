// NodeChainMap: binary search over the pairs and the copies that add or drop one.
#include "vyx/contacts/NodeChainMap.h"

#include "vyx/contacts/CountedList.h"
#include "vyx/contacts/IndexLayout.h"

#include <algorithm>

namespace vyx {

using namespace IndexLayout;

NodeChainMap::NodeChainMap(MappedStore& store, StoreHeap& heap, DWORD field)
    : m_store(store)
    , m_heap(heap)
    , m_field(field)
{
}

DWORD NodeChainMap::Map() const
{
    return m_store.Read32(m_field);
}

DWORD NodeChainMap::Count() const
{
    return CountedList::Count(m_store, Map(), pairSize);
}

DWORD NodeChainMap::ContactAt(DWORD map, DWORD index) const
{
    return CountedList::KeyAt(m_store, map, pairSize, index);
}

DWORD NodeChainMap::LowerBound(DWORD map, DWORD count, DWORD contact) const
{
    return CountedList::LowerBound(m_store, map, pairSize, count, contact);
}

DWORD NodeChainMap::Find(DWORD contact) const
{
    const DWORD map = Map();
    const DWORD count = Count();
    const DWORD at = LowerBound(map, count, contact);
    if (at >= count || ContactAt(map, at) != contact)
        return 0;
    return m_store.Read32(map + listEntries + at * pairSize + pairSecond);
}

bool NodeChainMap::Insert(DWORD contact, DWORD chain)
{
    const DWORD map = Map();
    const DWORD count = Count();
    const DWORD copy = m_heap.Allocate(listEntries + (count + 1) * pairSize);
    if (!copy)
        return false;
    const DWORD at = LowerBound(map, count, contact);
    m_store.Write32(copy + listCount, count + 1);
    m_store.Move(copy + listEntries, map + listEntries, at * pairSize);
    m_store.Write32(copy + listEntries + at * pairSize, contact);
    m_store.Write32(copy + listEntries + at * pairSize + pairSecond, chain);
    m_store.Move(copy + listEntries + (at + 1) * pairSize, map + listEntries + at * pairSize, (count - at) * pairSize);
    if (map)
        m_heap.Free(map);
    m_store.Write32(m_field, copy);
    return true;
}

void NodeChainMap::Remove(DWORD contact)
{
    const DWORD map = Map();
    const DWORD count = Count();
    const DWORD at = LowerBound(map, count, contact);
    if (at >= count || ContactAt(map, at) != contact)
        return;
    const DWORD tailBytes = (count - at - 1) * pairSize;
    const DWORD copy = m_heap.Allocate(listEntries + (count - 1) * pairSize);
    if (!copy) {
        m_store.Move(map + listEntries + at * pairSize, map + listEntries + (at + 1) * pairSize, tailBytes);
        m_store.Write32(map + listCount, count - 1);
        return;
    }
    m_store.Write32(copy + listCount, count - 1);
    m_store.Move(copy + listEntries, map + listEntries, at * pairSize);
    m_store.Move(copy + listEntries + at * pairSize, map + listEntries + (at + 1) * pairSize, tailBytes);
    m_heap.Free(map);
    m_store.Write32(m_field, copy);
}

}
