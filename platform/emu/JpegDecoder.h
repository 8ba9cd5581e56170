// JPEG pictures through libjpeg: grey and colour pictures come out as 8-bit RGB. CMYK pictures are
// refused, and so are pictures whose data ends early and progressive pictures of implausibly many scans.
#pragma once

#include "platform/emu/Bitmap.h"

#include <cstdint>
#include <optional>
#include <span>

namespace emu {

class JpegDecoder {
public:
    static std::optional<Bitmap> decode(std::span<const std::uint8_t> bytes);
};

}
