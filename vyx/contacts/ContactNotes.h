// ContactNotes: a contact's notes as stored (text in the device's code page, UTF-16, or a Pocket Word
// document) and the PIM information block inside them, between the lines "== start pim information =="
// and "== end pim information ==". The block becomes the contact's extras; the rest is what the user
// sees of the notes.
#pragma once

#include "platform/api/WinTypes.h"
#include "vyx/contacts/ContactExtras.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vyx {

class ContactNotes {
public:
    static constexpr std::u16string_view startMarker = u"== start pim information ==";
    static constexpr std::u16string_view endMarker = u"== end pim information ==";

    struct Parsed {
        std::u16string visibleText;
        ContactExtras extras;
    };

    // The notes as text: the text records of a Pocket Word document separated by blanks; after the
    // bytes FE FF, UTF-16 units as stored (low byte first); otherwise text in the device's code page.
    static std::u16string Text(std::span<const BYTE> notes);

    // The notes' text without the block, and the block's extras. Text after the end marker is joined
    // to the text before the block with one blank. A block that ends inside an entry, or holds a broken
    // section name, leaves both the text and the extras empty.
    static Parsed ParseNotes(std::span<const BYTE> notes);

    // The notes without the block, in their own encoding. Text notes lose the block with both markers,
    // but only when the end marker is there. A Pocket Word document loses the block's characters and
    // is kept only when it holds more than text; otherwise there are no visible notes.
    static std::vector<BYTE> VisibleNotes(std::span<const BYTE> notes);

private:
    static bool IsUtf16(std::span<const BYTE> notes);
    static std::u16string Utf16Text(std::span<const BYTE> notes);
    static std::u16string CodePageText(std::span<const BYTE> notes);
    static std::vector<BYTE> VisiblePocketWord(std::span<const BYTE> notes);
    static std::vector<BYTE> VisibleUtf16(std::span<const BYTE> notes);
    static std::vector<BYTE> VisibleCodePageText(std::span<const BYTE> notes);
};

}
