// ASCII case changes that leave every other byte alone.
#include "emulator/addressbook/AsciiText.h"

namespace devemu {

namespace {

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}

std::string upperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = upper(c);
    return out;
}

bool equalsAsciiIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i]))
            return false;
    }
    return true;
}

bool startsWithAsciiIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsAsciiIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}
