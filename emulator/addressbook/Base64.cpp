// Base64: the standard alphabet, padding written and accepted, white space ignored on reading.
#include "emulator/addressbook/Base64.h"

namespace devemu {

namespace {

constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextetOf(char c)
{
    const std::size_t at = alphabet.find(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}

std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text, std::string& error)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int pending = 0;
    int padding = 0;
    for (const char c : text) {
        if (isWhiteSpace(c))
            continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int sextet = sextetOf(c);
        if (sextet < 0) {
            error = std::string("bad base64: the character '") + c + "'";
            return std::nullopt;
        }
        if (padding > 0) {
            error = "bad base64: text after the padding";
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(sextet);
        if (++pending == 4) {
            bytes.push_back(static_cast<std::uint8_t>(bits >> 16));
            bytes.push_back(static_cast<std::uint8_t>(bits >> 8));
            bytes.push_back(static_cast<std::uint8_t>(bits));
            bits = 0;
            pending = 0;
        }
    }
    if (pending == 1 || padding > 2 || (padding > 0 && pending + padding != 4)) {
        error = "bad base64: the text ends in the middle of a byte";
        return std::nullopt;
    }
    if (pending == 2) {
        bytes.push_back(static_cast<std::uint8_t>(bits >> 4));
    } else if (pending == 3) {
        bytes.push_back(static_cast<std::uint8_t>(bits >> 10));
        bytes.push_back(static_cast<std::uint8_t>(bits >> 2));
    }
    return bytes;
}

std::string encodeBase64(const std::vector<std::uint8_t>& bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t bits = (std::uint32_t { bytes[i] } << 16) | (std::uint32_t { bytes[i + 1] } << 8) | bytes[i + 2];
        for (const int shift : { 18, 12, 6, 0 })
            out += alphabet[(bits >> shift) & 0x3F];
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        const std::uint32_t bits = (std::uint32_t { bytes[i] } << 16) | (left == 2 ? std::uint32_t { bytes[i + 1] } << 8 : 0);
        out += alphabet[(bits >> 18) & 0x3F];
        out += alphabet[(bits >> 12) & 0x3F];
        out += left == 2 ? alphabet[(bits >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

}
