// SortTextReader: where the index's display orders get the text a contact sorts by, read from the
// contact's record in the contacts database. Order 0 sorts by "last first" name (or what stands in for
// it), order 1 by the record's file-as text.
#pragma once

#include "platform/api/WinTypes.h"

#include <optional>
#include <string>

namespace vyx {

class SortTextReader {
public:
    virtual ~SortTextReader() = default;

    // The contact's sort text for display order `order`; nullopt when its record can no longer be read.
    virtual std::optional<std::u16string> SortText(DWORD contact, int order) = 0;
};

}
