// VCardWriter: writes vCard 3.0 text: CRLF line ends, lines folded at 75 octets without splitting a
// UTF-8 character, and text values escaped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace devemu {

class VCardWriter {
public:
    explicit VCardWriter(std::string& out)
        : m_out(out)
    {
    }

    void begin();
    void end();
    // `head` is the name with its parameters ("TEL;TYPE=CELL"); the value is escaped here.
    void text(std::string_view head, std::string_view value);
    // A structured value (N, ADR, ORG): the parts escaped and joined with ';'.
    void parts(std::string_view head, const std::vector<std::string>& values);
    // A value written as it is: base64, or a list already in vCard syntax.
    void raw(std::string_view head, std::string_view value);

    // Backslashes, ',' ';' and line breaks as "\\" "\," "\;" "\n".
    static std::string escaped(std::string_view);

private:
    std::string& m_out;
};

}
