// Feeds arbitrary bytes to the picture decoder: a picture comes out within the size limit, or the bytes
// are refused. The first byte may put a format's signature in front of the rest, so that every decoder
// gets its share of the inputs.
#include "platform/emu/ImageDecoder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

const std::array<std::vector<std::uint8_t>, 5> signatures { {
    {},
    { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A },
    { 0xFF, 0xD8, 0xFF },
    { 'G', 'I', 'F', '8', '9', 'a' },
    { 'B', 'M' },
} };

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::vector<std::uint8_t> bytes = signatures[data[0] % signatures.size()];
    bytes.insert(bytes.end(), data + 1, data + size);
    if (const auto picture = emu::ImageDecoder::decode(bytes)) {
        const auto width = static_cast<std::uint64_t>(picture->width());
        const auto height = static_cast<std::uint64_t>(picture->height());
        check(width > 0 && height > 0 && width * height <= emu::Bitmap::maxPixels);
        check(picture->rgb().size() == width * height * 3);
    }
    return 0;
}
