// VCardReader: physical lines, their unfolding into property lines, the syntax of a property line, the
// BEGIN / END frame of cards, and the decoding of values (quoted-printable, base64, data: URIs,
// charsets).
#include "emulator/addressbook/VCardReader.h"

#include "emulator/addressbook/AsciiText.h"
#include "emulator/addressbook/Base64.h"
#include "emulator/addressbook/CharsetDecoder.h"
#include "emulator/addressbook/HexEscapes.h"

#include <algorithm>

namespace devemu {

namespace {

std::vector<std::string_view> physicalLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool isBlank(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::string_view withoutLeadingBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

void dropTrailingBlanks(std::string& text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
}

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool isBase64Line(std::string_view line)
{
    return !isBlank(line) && std::all_of(line.begin(), line.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=' || c == ' ' || c == '\t';
    });
}

// Hands out the file's property lines: a line and its folded continuations (lines that begin with a
// blank or a tab), with the line number of the first.
class LineSource {
public:
    explicit LineSource(std::string_view text)
        : m_lines(physicalLines(text))
    {
    }

    bool next(std::string& line, int& number)
    {
        while (m_next < m_lines.size() && isBlank(m_lines[m_next]))
            ++m_next;
        if (m_next == m_lines.size())
            return false;
        number = static_cast<int>(m_next) + 1;
        // Trailing blanks stay: a line may be folded right after one.
        line.assign(withoutLeadingBlanks(m_lines[m_next++]));
        while (m_next < m_lines.size() && !m_lines[m_next].empty() && (m_lines[m_next][0] == ' ' || m_lines[m_next][0] == '\t'))
            line.append(m_lines[m_next++].substr(1));
        return true;
    }

    // Quoted-printable soft line breaks: while the value ends with '=', the next line goes on with it.
    // Blanks at the end of a quoted-printable line are padding (a meant blank is "=20").
    void joinSoftBreaks(std::string& value)
    {
        dropTrailingBlanks(value);
        while (!value.empty() && value.back() == '=' && m_next < m_lines.size()) {
            value.pop_back();
            value.append(m_lines[m_next++]);
            dropTrailingBlanks(value);
        }
    }

    // Writers of vCard 2.1 may break a base64 value into lines without indenting them; such lines
    // have no ':' and only base64 characters, so they cannot be properties of their own.
    void joinBase64Lines(std::string& value)
    {
        while (m_next < m_lines.size() && isBase64Line(m_lines[m_next]))
            value.append(m_lines[m_next++]);
    }

private:
    std::vector<std::string_view> m_lines;
    std::size_t m_next { 0 };
};

// A property line as written, its value still in the file's bytes.
struct RawProperty {
    int line { 0 };
    std::string group;
    std::string name;
    std::vector<VCardParameter> parameters;
    std::string value;

    const std::string* parameter(std::string_view wanted) const
    {
        for (const VCardParameter& candidate : parameters) {
            if (candidate.name == wanted && !candidate.values.empty())
                return &candidate.values.front();
        }
        return nullptr;
    }
};

// Splits at `separator` where it is not between double quotes.
std::vector<std::string_view> splitOutsideQuotes(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        } else if (text[i] == separator && !quoted) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string withoutQuotes(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c != '"')
            out += c;
    }
    return out;
}

bool isNameCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

void addParameter(std::vector<VCardParameter>& parameters, std::string name, std::vector<std::string> values)
{
    for (VCardParameter& existing : parameters) {
        if (existing.name == name) {
            existing.values.insert(existing.values.end(), values.begin(), values.end());
            return;
        }
    }
    parameters.push_back({ std::move(name), std::move(values) });
}

void parseParameter(std::string_view text, std::vector<VCardParameter>& parameters)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        // vCard 2.1's bare words: encodings, or else types.
        std::string word = upperAscii(text);
        const bool encoding = word == "QUOTED-PRINTABLE" || word == "BASE64" || word == "8BIT" || word == "7BIT";
        addParameter(parameters, encoding ? "ENCODING" : "TYPE", { std::move(word) });
        return;
    }
    std::string name = upperAscii(trimmed(text.substr(0, equals)));
    const std::string_view value = text.substr(equals + 1);
    std::vector<std::string> values;
    // TYPE="work,voice" is a list even between quotes.
    const std::string typeList = name == "TYPE" ? withoutQuotes(value) : std::string();
    for (const std::string_view part : name == "TYPE" ? splitOutsideQuotes(typeList, ',') : splitOutsideQuotes(value, ',')) {
        std::string item = withoutQuotes(trimmed(part));
        if (!item.empty())
            values.push_back(std::move(item));
    }
    addParameter(parameters, std::move(name), std::move(values));
}

bool parsePropertyLine(const std::string& line, int number, RawProperty& property, VCardError& error)
{
    std::size_t colon = std::string::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size() && colon == std::string::npos; ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            colon = i;
    }
    if (colon == std::string::npos) {
        error = { number, "a property line without ':'" };
        return false;
    }
    const std::string_view head = std::string_view(line).substr(0, colon);
    const std::vector<std::string_view> segments = splitOutsideQuotes(head, ';');
    const std::string_view fullName = trimmed(segments.front());
    const std::size_t dot = fullName.rfind('.');
    const std::string_view name = dot == std::string_view::npos ? fullName : fullName.substr(dot + 1);
    if (name.empty()) {
        error = { number, "a property line without a name before ':'" };
        return false;
    }
    if (!std::all_of(name.begin(), name.end(), isNameCharacter)) {
        error = { number, "a property name with characters other than letters, digits and '-'" };
        return false;
    }
    property.line = number;
    property.group = dot == std::string_view::npos ? std::string() : std::string(fullName.substr(0, dot));
    property.name = upperAscii(name);
    for (std::size_t i = 1; i < segments.size(); ++i) {
        const std::string_view segment = trimmed(segments[i]);
        if (!segment.empty())
            parseParameter(segment, property.parameters);
    }
    property.value = line.substr(colon + 1);
    return true;
}

// "data:image/png;base64,iVBOR..." or "data:,text%20here".
bool decodeDataUri(std::string_view uri, std::vector<std::uint8_t>& data, std::string& error)
{
    const std::size_t comma = uri.find(',');
    if (comma == std::string_view::npos) {
        error = "a data: URI without ','";
        return false;
    }
    const std::string_view metadata = uri.substr(0, comma);
    const std::string_view payload = uri.substr(comma + 1);
    const std::string_view base64Suffix = ";base64";
    if (metadata.size() >= base64Suffix.size() && equalsAsciiIgnoringCase(metadata.substr(metadata.size() - base64Suffix.size()), base64Suffix)) {
        auto bytes = decodeBase64(payload, error);
        if (!bytes)
            return false;
        data = std::move(*bytes);
        return true;
    }
    const auto bytes = decodeHexEscapes(payload, '%');
    if (!bytes) {
        error = "a data: URI with a '%' not followed by two hexadecimal digits";
        return false;
    }
    data.assign(bytes->begin(), bytes->end());
    return true;
}

bool isMediaProperty(std::string_view name)
{
    return name == "PHOTO" || name == "LOGO" || name == "SOUND" || name == "KEY";
}

// Undoes the transfer encoding and the charset of a property's value.
bool decodeValue(const RawProperty& raw, VCardVersion version, VCardProperty& property, VCardError& error)
{
    property.line = raw.line;
    property.group = raw.group;
    property.name = raw.name;
    property.parameters = raw.parameters;
    property.version = version;
    std::string reason;
    std::string bytes = raw.value;
    const std::string encoding = raw.parameter("ENCODING") ? upperAscii(*raw.parameter("ENCODING")) : std::string();
    if (encoding == "QUOTED-PRINTABLE") {
        auto decoded = decodeHexEscapes(bytes, '=');
        if (!decoded) {
            error = { raw.line, "bad quoted-printable: '=' not followed by two hexadecimal digits" };
            return false;
        }
        bytes = std::move(*decoded);
    } else if (encoding == "BASE64" || encoding == "B") {
        property.data = decodeBase64(bytes, reason);
        if (!property.data) {
            error = { raw.line, reason };
            return false;
        }
        return true;
    } else if (!encoding.empty() && encoding != "8BIT" && encoding != "7BIT") {
        error = { raw.line, "unknown ENCODING " + encoding };
        return false;
    }
    if (isMediaProperty(raw.name) && startsWithAsciiIgnoringCase(bytes, "data:")) {
        property.data.emplace();
        if (!decodeDataUri(std::string_view(bytes).substr(5), *property.data, reason)) {
            error = { raw.line, reason };
            return false;
        }
        return true;
    }
    const std::string* charset = raw.parameter("CHARSET");
    auto text = decodeCharset(bytes, charset ? *charset : "UTF-8", reason);
    if (!text) {
        error = { raw.line, reason };
        return false;
    }
    // The device keeps texts NUL-terminated: a NUL would cut them short without a word.
    if (text->find(u'\0') != std::u16string::npos) {
        error = { raw.line, "a NUL character in the text" };
        return false;
    }
    property.escapedText = std::move(*text);
    return true;
}

std::optional<VCardVersion> versionNamed(std::string_view text)
{
    if (text == "2.1")
        return VCardVersion::V21;
    if (text == "3.0")
        return VCardVersion::V30;
    if (text == "4.0")
        return VCardVersion::V40;
    return std::nullopt;
}

// A card between its BEGIN and END lines.
struct OpenCard {
    int line { 0 };
    std::optional<VCardVersion> version;
    std::vector<RawProperty> properties;
};

bool closeCard(OpenCard& open, std::vector<VCard>& cards, VCardError& error)
{
    if (!open.version) {
        error = { open.line, "a card without VERSION" };
        return false;
    }
    VCard card;
    card.line = open.line;
    card.version = *open.version;
    card.properties.resize(open.properties.size());
    for (std::size_t i = 0; i < open.properties.size(); ++i) {
        if (!decodeValue(open.properties[i], card.version, card.properties[i], error))
            return false;
    }
    cards.push_back(std::move(card));
    return true;
}

}

std::optional<std::vector<VCard>> VCardReader::read(std::string_view text, std::span<const std::string_view> wanted, VCardError& error)
{
    const std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(byteOrderMark))
        text.remove_prefix(byteOrderMark.size());
    LineSource source(text);
    std::vector<VCard> cards;
    std::optional<OpenCard> open;
    std::string line;
    int number = 0;
    while (source.next(line, number)) {
        RawProperty property;
        if (!parsePropertyLine(line, number, property, error))
            return std::nullopt;
        const std::string_view value = trimmed(property.value);
        if (property.name == "BEGIN") {
            if (open) {
                error = { number, "BEGIN inside a card (the card of line " + std::to_string(open->line) + " has no END:VCARD)" };
                return std::nullopt;
            }
            if (!equalsAsciiIgnoringCase(value, "VCARD")) {
                error = { number, "BEGIN:" + std::string(value) + " is not a vCard" };
                return std::nullopt;
            }
            open.emplace().line = number;
        } else if (property.name == "END") {
            if (!open) {
                error = { number, "END without BEGIN" };
                return std::nullopt;
            }
            if (!equalsAsciiIgnoringCase(value, "VCARD")) {
                error = { number, "END:" + std::string(value) + " inside a vCard" };
                return std::nullopt;
            }
            if (!closeCard(*open, cards, error))
                return std::nullopt;
            open.reset();
        } else if (!open) {
            error = { number, "a property outside a card (no BEGIN:VCARD before it)" };
            return std::nullopt;
        } else if (property.name == "VERSION") {
            if (open->version) {
                error = { number, "a second VERSION in the card" };
                return std::nullopt;
            }
            open->version = versionNamed(value);
            if (!open->version) {
                error = { number, "unsupported VERSION " + std::string(value) + " (2.1, 3.0 and 4.0 are read)" };
                return std::nullopt;
            }
        } else {
            // The lines a value goes on over belong to it whether the property is wanted or not.
            const std::string* encoding = property.parameter("ENCODING");
            if (encoding && equalsAsciiIgnoringCase(*encoding, "QUOTED-PRINTABLE"))
                source.joinSoftBreaks(property.value);
            else if (encoding && (equalsAsciiIgnoringCase(*encoding, "BASE64") || equalsAsciiIgnoringCase(*encoding, "B")))
                source.joinBase64Lines(property.value);
            if (std::find(wanted.begin(), wanted.end(), property.name) != wanted.end())
                open->properties.push_back(std::move(property));
        }
    }
    if (open) {
        error = { open->line, "a card without END:VCARD at the end of the file" };
        return std::nullopt;
    }
    return cards;
}

}
