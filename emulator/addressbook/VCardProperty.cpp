// VCardProperty: parameters by name and the value's backslash escapes.
#include "emulator/addressbook/VCardProperty.h"

#include "emulator/addressbook/AsciiText.h"

namespace devemu {

namespace {

// Whether the backslash at `at` starts an escape pair. vCard 2.1 escapes only the separators; 3.0 and
// 4.0 pair a backslash with whatever follows, keeping both when the pair means nothing.
bool startsEscapePair(std::u16string_view text, std::size_t at, VCardVersion version)
{
    if (text[at] != u'\\' || at + 1 >= text.size())
        return false;
    return version != VCardVersion::V21 || text[at + 1] == u';' || text[at + 1] == u',';
}

std::u16string unescape(std::u16string_view text, VCardVersion version)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!startsEscapePair(text, i, version)) {
            out += text[i];
            continue;
        }
        const char16_t escaped = text[++i];
        if (escaped == u'n' || escaped == u'N') {
            out += u'\n';
        } else if (escaped == u'\\' || escaped == u',' || escaped == u';') {
            out += escaped;
        } else {
            out += u'\\';
            out += escaped;
        }
    }
    return out;
}

std::vector<std::u16string> split(std::u16string_view text, char16_t separator, VCardVersion version)
{
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (startsEscapePair(text, i, version)) {
            ++i;
        } else if (text[i] == separator) {
            parts.push_back(unescape(text.substr(start, i - start), version));
            start = i + 1;
        }
    }
    parts.push_back(unescape(text.substr(start), version));
    return parts;
}

}

bool VCardProperty::hasType(std::string_view type) const
{
    for (const VCardParameter& parameter : parameters) {
        if (parameter.name != "TYPE")
            continue;
        for (const std::string& value : parameter.values) {
            if (equalsAsciiIgnoringCase(value, type))
                return true;
        }
    }
    return false;
}

const std::string* VCardProperty::parameter(std::string_view wanted) const
{
    for (const VCardParameter& candidate : parameters) {
        if (candidate.name == wanted && !candidate.values.empty())
            return &candidate.values.front();
    }
    return nullptr;
}

std::u16string VCardProperty::text() const
{
    return unescape(escapedText, version);
}

std::vector<std::u16string> VCardProperty::components() const
{
    return split(escapedText, u';', version);
}

std::vector<std::u16string> VCardProperty::listValues() const
{
    return split(escapedText, u',', version);
}

}
