#include "platform/emu/BmpDecoder.h"

#include "platform/emu/ImageDecoder.h"

#include <array>
#include <bit>
#include <vector>

namespace emu {

namespace {
constexpr std::size_t fileHeaderSize = 14;
constexpr std::uint32_t coreHeaderSize = 12;
constexpr std::uint32_t infoHeaderSize = 40;
constexpr std::uint32_t compressionRgb = 0;
constexpr std::uint32_t compressionBitfields = 3;
constexpr std::uint32_t compressionAlphaBitfields = 6;

std::uint32_t read16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8);
}

std::uint32_t read32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return read16(bytes, at) | (read16(bytes, at + 2) << 16);
}

// One channel of a packed pixel: its mask's bits, scaled to 0..255.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : m_mask(mask)
        , m_shift(mask ? std::countr_zero(mask) : 0)
        , m_maximum(mask >> m_shift)
    {
    }

    BYTE of(std::uint32_t pixel) const
    {
        return m_maximum ? static_cast<BYTE>(std::uint64_t { (pixel & m_mask) >> m_shift } * 255 / m_maximum) : 0;
    }

private:
    std::uint32_t m_mask;
    int m_shift;
    std::uint32_t m_maximum;
};

struct Layout {
    std::int64_t width;
    std::int64_t height; // negative when the rows are stored top-down
    unsigned bitsPerPixel;
    std::uint32_t compression;
    std::uint32_t coloursUsed;
    std::size_t headerEnd; // where the masks or the colour table begin
    bool core;
};

std::optional<Layout> readLayout(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < fileHeaderSize + 4)
        return std::nullopt;
    const std::uint32_t headerSize = read32(bytes, fileHeaderSize);
    if (headerSize < coreHeaderSize || bytes.size() - fileHeaderSize < headerSize)
        return std::nullopt;
    Layout layout {};
    layout.headerEnd = fileHeaderSize + headerSize;
    if (headerSize == coreHeaderSize) {
        layout.core = true;
        layout.width = read16(bytes, fileHeaderSize + 4);
        layout.height = read16(bytes, fileHeaderSize + 6);
        if (read16(bytes, fileHeaderSize + 8) != 1)
            return std::nullopt;
        layout.bitsPerPixel = read16(bytes, fileHeaderSize + 10);
        return layout;
    }
    if (headerSize < infoHeaderSize)
        return std::nullopt;
    layout.width = static_cast<std::int32_t>(read32(bytes, fileHeaderSize + 4));
    layout.height = static_cast<std::int32_t>(read32(bytes, fileHeaderSize + 8));
    if (read16(bytes, fileHeaderSize + 12) != 1)
        return std::nullopt;
    layout.bitsPerPixel = read16(bytes, fileHeaderSize + 14);
    layout.compression = read32(bytes, fileHeaderSize + 16);
    layout.coloursUsed = read32(bytes, fileHeaderSize + 32);
    return layout;
}

// The red, green, blue masks of packed pixels: from the header or after it for BI_BITFIELDS, otherwise
// 5-5-5 for 16 bits and 8-8-8 for 32.
std::optional<std::array<Channel, 3>> readMasks(std::span<const std::uint8_t> bytes, Layout& layout)
{
    if (layout.compression == compressionRgb) {
        if (layout.bitsPerPixel == 16)
            return std::array { Channel(0x7C00), Channel(0x03E0), Channel(0x001F) };
        return std::array { Channel(0xFF0000), Channel(0x00FF00), Channel(0x0000FF) };
    }
    // A plain info header is followed by the masks; longer headers hold them.
    const bool followHeader = layout.headerEnd == fileHeaderSize + infoHeaderSize;
    const std::size_t masks = fileHeaderSize + infoHeaderSize;
    const std::size_t maskBytes = layout.compression == compressionAlphaBitfields ? 16 : 12;
    if (bytes.size() < masks + 12 || (followHeader && bytes.size() < masks + maskBytes))
        return std::nullopt;
    if (followHeader)
        layout.headerEnd += maskBytes;
    return std::array { Channel(read32(bytes, masks)), Channel(read32(bytes, masks + 4)), Channel(read32(bytes, masks + 8)) };
}

// The colour table of 1, 4 and 8-bit pictures: entries of four bytes (three after a core header) in the
// order blue, green, red.
std::optional<std::vector<COLORREF>> readColourTable(std::span<const std::uint8_t> bytes, const Layout& layout)
{
    const std::size_t most = std::size_t { 1 } << layout.bitsPerPixel;
    const std::size_t count = layout.coloursUsed == 0 || layout.coloursUsed > most ? most : layout.coloursUsed;
    const std::size_t entrySize = layout.core ? 3 : 4;
    if ((bytes.size() - layout.headerEnd) / entrySize < count)
        return std::nullopt;
    std::vector<COLORREF> colours(count);
    for (std::size_t index = 0; index < count; ++index) {
        const std::size_t at = layout.headerEnd + index * entrySize;
        colours[index] = RGB(bytes[at + 2], bytes[at + 1], bytes[at]);
    }
    return colours;
}
}

std::optional<Bitmap> BmpDecoder::decode(std::span<const std::uint8_t> bytes)
{
    std::optional<Layout> layout = readLayout(bytes);
    if (!layout)
        return std::nullopt;
    const std::int64_t height = layout->height < 0 ? -layout->height : layout->height;
    const unsigned bits = layout->bitsPerPixel;
    const bool indexed = bits == 1 || bits == 4 || bits == 8;
    const bool packed = bits == 16 || bits == 32;
    const bool supportedCompression = layout->compression == compressionRgb
        || (packed && (layout->compression == compressionBitfields || layout->compression == compressionAlphaBitfields));
    if (layout->width <= 0 || !ImageDecoder::acceptsSize(static_cast<std::uint64_t>(layout->width), static_cast<std::uint64_t>(height))
        || !(indexed || packed || bits == 24) || !supportedCompression)
        return std::nullopt;

    std::optional<std::array<Channel, 3>> masks;
    std::vector<COLORREF> colours;
    if (packed && !(masks = readMasks(bytes, *layout)))
        return std::nullopt;
    if (indexed) {
        auto table = readColourTable(bytes, *layout);
        if (!table)
            return std::nullopt;
        colours = std::move(*table);
    }

    // Rows are padded to four bytes; all of them must be there.
    const std::uint64_t stride = (static_cast<std::uint64_t>(layout->width) * bits + 31) / 32 * 4;
    const std::uint64_t pixelsAt = read32(bytes, 10);
    if (pixelsAt > bytes.size() || (bytes.size() - pixelsAt) / stride < static_cast<std::uint64_t>(height))
        return std::nullopt;

    const int width = static_cast<int>(layout->width);
    Bitmap picture(width, static_cast<int>(height));
    for (std::int64_t stored = 0; stored < height; ++stored) {
        const auto y = static_cast<int>(layout->height < 0 ? stored : height - 1 - stored);
        const std::span<const std::uint8_t> row = bytes.subspan(static_cast<std::size_t>(pixelsAt + stored * stride), stride);
        for (int x = 0; x < width; ++x) {
            COLORREF colour = 0;
            if (indexed) {
                const std::size_t bit = static_cast<std::size_t>(x) * bits;
                const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1U << bits) - 1);
                // An index past the colour table shows black.
                colour = index < colours.size() ? colours[index] : 0;
            } else if (bits == 24) {
                const std::size_t at = static_cast<std::size_t>(x) * 3;
                colour = RGB(row[at + 2], row[at + 1], row[at]);
            } else {
                const std::size_t at = static_cast<std::size_t>(x) * (bits / 8);
                const std::uint32_t pixel = bits == 16 ? read16(row, at) : read32(row, at);
                colour = RGB((*masks)[0].of(pixel), (*masks)[1].of(pixel), (*masks)[2].of(pixel));
            }
            picture.setPixel(x, y, colour);
        }
    }
    return picture;
}

}
