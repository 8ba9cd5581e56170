// NumberParts: a number or a number template cut for formatting into text, opening, core, closing and
// trailing text: "tel. +(495) 123-45-67 home" gives "tel. ", "+(", "495) 123-45-67", "" and " home".
// Each part is held in a working buffer of its own.
#pragma once

#include "vyx/contacts/FormatBuffer.h"

#include <string_view>

namespace vyx {

class NumberParts {
public:
    // The characters that make up the core of a number, and of a template.
    static constexpr std::u16string_view numberCoreSet = u"0123456789";
    static constexpr std::u16string_view templateCoreSet = u"#1234567890";

    // The core runs from the first to the last character of `coreSet` (the whole text without one);
    // what comes before it is split into text and opening, what comes after it into closing and
    // trailing text.
    static NumberParts Split(std::u16string_view text, std::u16string_view coreSet);

    // False when a part did not fit its buffer.
    bool Fits() const;

    FormatBuffer text;
    FormatBuffer opening;
    FormatBuffer core;
    FormatBuffer closing;
    FormatBuffer trailing;
};

}
