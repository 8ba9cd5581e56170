// CountedList: the shape the index's lists share in the store: a count, then that many fixed-size
// entries whose first word is their key (OidList, NodeChainMap, OrderList). Reads are clamped to what
// the data holds, so a lying count never reads past it.
#pragma once

#include "vyx/contacts/MappedStore.h"

namespace vyx {

class CountedList {
public:
    // The entries of the list at `list`; 0 when no list can lie there.
    static DWORD Count(const MappedStore&, DWORD list, DWORD entrySize);
    static DWORD KeyAt(const MappedStore& store, DWORD list, DWORD entrySize, DWORD index);
    // The first of the `count` entries whose key is not below `key` (entries ascend by key).
    static DWORD LowerBound(const MappedStore&, DWORD list, DWORD entrySize, DWORD count, DWORD key);
};

}
