// The resources a program module carries (its string table and data resources such as "INI" and
// "ABC"), described as plain data; the device hands them out through LoadString and FindResource.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace platform {

struct StringResource {
    UINT id;
    std::u16string_view text;
};

// A data resource is named by its type ("INI", "ABC") and either a number or a name.
struct DataResource {
    std::u16string_view type;
    UINT id;                 // 0 when the resource is named
    std::u16string_view name; // empty when the resource is numbered
    std::span<const std::byte> bytes;
};

struct ModuleResources {
    std::span<const StringResource> strings;
    std::span<const DataResource> data;
};

}
