// VyxAlphabetLoader: Vyx's keypad alphabet, with the captions of its keys. The user-defined text of
// the settings, or the program module's "ABC" resource of the chosen alphabet; the Latin resource
// when neither gives an entry.
#pragma once

#include "vyx/keypad/KeypadAlphabet.h"

#include <optional>
#include <string_view>

namespace keypad {

class VyxAlphabetLoader {
public:
    // The normalised alphabet; never empty while the program's module carries the Latin resource.
    static KeypadAlphabet Load();

    // The entries of an alphabet text: "CAPTION[^SECOND]/LETTERS" separated by spaces, a backslash
    // serving as the "/". An entry needs a caption and letters; separator characters among the
    // letters are left out. The text ends at its first NUL. Nullopt when no entry is found. The
    // groups come as written, not normalised.
    static std::optional<KeypadAlphabet> Parse(std::u16string_view text);

private:
    // The text of the program's "ABC" resource `id` after its byte-order mark; nullopt when the
    // resource is missing, holds 3 bytes or fewer, or lacks the mark.
    static std::optional<std::u16string> ResourceText(UINT id);
};

}
