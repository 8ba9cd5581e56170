// Decoding a picture held in memory: the format is chosen by the bytes' signature (PNG, JPEG, GIF, BMP)
// and the picture comes out as a 24-bit surface of its own size. Damaged, truncated or oversized
// pictures are refused, never trusted.
#pragma once

#include "platform/emu/Bitmap.h"

#include <cstdint>
#include <optional>
#include <span>

namespace emu {

class ImageDecoder {
public:
    // Nothing when the format is unknown or the picture cannot be decoded.
    static std::optional<Bitmap> decode(std::span<const std::uint8_t> bytes);

    // A picture of this size may be decoded: neither side empty, at most Bitmap::maxPixels in all.
    static bool acceptsSize(std::uint64_t width, std::uint64_t height);
};

}
