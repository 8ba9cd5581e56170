// UncompressedPng: the PNG chunks with their CRCs, and a zlib stream of stored blocks with its Adler-32.
#include "emulator/addressbook/UncompressedPng.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace devemu {

namespace {

constexpr std::array<std::uint32_t, 256> crcTable = [] {
    std::array<std::uint32_t, 256> table {};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (const int shift : { 24, 16, 8, 0 })
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendChunk(std::vector<std::uint8_t>& out, std::string_view type, const std::vector<std::uint8_t>& data)
{
    appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = typeAt; i < out.size(); ++i)
        crc = crcTable[(crc ^ out[i]) & 0xFF] ^ (crc >> 8);
    appendBigEndian(out, crc ^ 0xFFFFFFFFu);
}

std::vector<std::uint8_t> zlibStored(const std::vector<std::uint8_t>& raw)
{
    constexpr std::size_t maxBlock = 65535;
    std::vector<std::uint8_t> out { 0x78, 0x01 };
    std::size_t at = 0;
    do {
        const std::size_t length = std::min(maxBlock, raw.size() - at);
        const bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(length));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(~length));
        out.push_back(static_cast<std::uint8_t>(~length >> 8));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    } while (at < raw.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    appendBigEndian(out, (b << 16) | a);
    return out;
}

}

std::vector<std::uint8_t> encodeUncompressedPng(const emu::Bitmap& bitmap)
{
    const auto width = static_cast<std::size_t>(bitmap.width());
    const auto height = static_cast<std::size_t>(bitmap.height());
    std::vector<std::uint8_t> header;
    appendBigEndian(header, static_cast<std::uint32_t>(width));
    appendBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), { 8, 2, 0, 0, 0 });
    std::vector<std::uint8_t> rows;
    rows.reserve(height * (1 + width * 3));
    for (std::size_t y = 0; y < height; ++y) {
        rows.push_back(0);
        const auto row = bitmap.rgb().begin() + static_cast<std::ptrdiff_t>(y * width * 3);
        rows.insert(rows.end(), row, row + static_cast<std::ptrdiff_t>(width * 3));
    }
    std::vector<std::uint8_t> png { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", zlibStored(rows));
    appendChunk(png, "IEND", {});
    return png;
}

}
