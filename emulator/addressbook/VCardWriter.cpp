// VCardWriter: escaping and folding.
#include "emulator/addressbook/VCardWriter.h"

namespace devemu {

namespace {

constexpr std::size_t maxLineOctets = 75;

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}

void VCardWriter::begin()
{
    raw("BEGIN", "VCARD");
    raw("VERSION", "3.0");
}

void VCardWriter::end()
{
    raw("END", "VCARD");
}

void VCardWriter::text(std::string_view head, std::string_view value)
{
    raw(head, escaped(value));
}

void VCardWriter::parts(std::string_view head, const std::vector<std::string>& values)
{
    std::string value;
    for (std::size_t i = 0; i < values.size(); ++i)
        value += (i > 0 ? ";" : "") + escaped(values[i]);
    raw(head, value);
}

void VCardWriter::raw(std::string_view head, std::string_view value)
{
    std::string line(head);
    line += ':';
    line += value;
    // Every physical line holds at most 75 octets, the blank that starts a continuation included.
    std::size_t at = 0;
    std::size_t room = maxLineOctets;
    while (line.size() - at > room) {
        std::size_t cut = at + room;
        while (isContinuationByte(line[cut]))
            --cut;
        m_out.append(line, at, cut - at);
        m_out += "\r\n ";
        at = cut;
        room = maxLineOctets - 1;
    }
    m_out.append(line, at, std::string::npos);
    m_out += "\r\n";
}

std::string VCardWriter::escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\\' || c == ',' || c == ';')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

}
