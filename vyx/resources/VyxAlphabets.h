// Vyx's alphabet resources: the "ABC" data resources of its module, one per built-in keypad alphabet,
// each UTF-16 text (little-endian) after the byte-order mark.
#pragma once

#include "platform/api/ModuleResources.h"

#include <cstddef>

namespace vyx {

inline constexpr std::size_t vyxAlphabetCount = 5;
extern const platform::DataResource vyxAlphabets[vyxAlphabetCount];

}
