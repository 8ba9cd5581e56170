// ContactKeySearch: what the number lookup asks of the contact index: a word search with a number key
// as the prefix.
#pragma once

#include "platform/api/WinTypes.h"

#include <string_view>
#include <vector>

namespace vyx {

class ContactKeySearch {
public:
    virtual ~ContactKeySearch() = default;

    // The contacts with an index word beginning with `key`, in display order 0; empty when nothing is
    // found or there is no index.
    virtual std::vector<DWORD> SearchPrefix(std::u16string_view key) = 0;
};

}
