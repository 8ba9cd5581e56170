// PNG pictures through libpng: palette, grey and 16-bit pictures come out as 8-bit RGB; transparent and
// translucent pixels are blended with white by their stored values. 16-bit samples without colour-space
// information are taken as sRGB.
#pragma once

#include "platform/emu/Bitmap.h"

#include <cstdint>
#include <optional>
#include <span>

namespace emu {

class PngDecoder {
public:
    static std::optional<Bitmap> decode(std::span<const std::uint8_t> bytes);
};

}
