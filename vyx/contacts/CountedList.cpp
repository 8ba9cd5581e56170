#include "vyx/contacts/CountedList.h"

#include "vyx/contacts/IndexLayout.h"

#include <algorithm>

namespace vyx {

using namespace IndexLayout;

DWORD CountedList::Count(const MappedStore& store, DWORD list, DWORD entrySize)
{
    if (list < firstPayload || !store.Holds(list, listEntries))
        return 0;
    return std::min(store.Read32(list + listCount), (store.Length() - list - listEntries) / entrySize);
}

DWORD CountedList::KeyAt(const MappedStore& store, DWORD list, DWORD entrySize, DWORD index)
{
    return store.Read32(list + listEntries + index * entrySize);
}

DWORD CountedList::LowerBound(const MappedStore& store, DWORD list, DWORD entrySize, DWORD count, DWORD key)
{
    DWORD low = 0;
    DWORD high = count;
    while (low < high) {
        const DWORD middle = low + (high - low) / 2;
        if (KeyAt(store, list, entrySize, middle) < key)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

}
