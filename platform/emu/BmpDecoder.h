// BMP pictures by our own reader: 1, 4 and 8 bits a pixel through a colour table, 16 and 32 bits
// (BI_RGB or BI_BITFIELDS masks) and 24 bits, stored bottom-up or top-down, with any of the usual info
// headers. Run-length and embedded JPEG or PNG data are refused, and so is data that ends before the
// last row.
#pragma once

#include "platform/emu/Bitmap.h"

#include <cstdint>
#include <optional>
#include <span>

namespace emu {

class BmpDecoder {
public:
    static std::optional<Bitmap> decode(std::span<const std::uint8_t> bytes);
};

}
