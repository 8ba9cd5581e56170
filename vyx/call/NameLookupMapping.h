// NameLookupMapping: how the family's programs ask this program for the name of a phone number. The
// asker writes the number into a shared block of 1024 bytes and sends WM_USER+302 to the main window;
// the answer is the name of the number's first contact, written into the same block at byte 512.
#pragma once

#include "platform/api/WinUser.h"

#include <optional>
#include <string>
#include <string_view>

namespace vyx {

class ContactBook;

class NameLookupMapping {
public:
    static constexpr LPCWSTR mappingName = u"17CF3DA3-40D7-4f2a-B9CC-5C6EC942369C";
    static constexpr DWORD mappingSize = 1024;
    static constexpr DWORD nameOffset = 512;
    // Characters of a text the block's half holds, its NUL included.
    static constexpr std::size_t textCapacity = nameOffset / sizeof(WCHAR);

    // Answers the request in the block; nothing is written when the block cannot be had.
    static void Answer(ContactBook&);
    // Asks `window` as a family program does; nullopt when the block cannot be had.
    static std::optional<std::u16string> Ask(HWND window, std::u16string_view number);
};

}
