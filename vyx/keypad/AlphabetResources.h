// Vyx's alphabet resources: data resources of type "ABC" in the program's module, UTF-16 text after
// the byte-order mark 0xFEFF, one for each built-in alphabet.
#pragma once

#include "platform/api/WinTypes.h"

namespace keypad {

inline constexpr const char16_t* alphabetResourceType = u"ABC";

constexpr UINT IDR_ABC_LATIN = 198;
constexpr UINT IDR_ABC_CYRILLIC = 199;
constexpr UINT IDR_ABC_CYRILLIC_AND_LATIN = 215;
constexpr UINT IDR_ABC_GERMAN = 220;
// Carried with the others; no setting selects it.
constexpr UINT IDR_ABC_POLISH = 256;

}
