// GIF pictures through giflib: the first frame, placed on the picture's logical screen. Transparent
// pixels, and the screen the frame leaves uncovered, come out white.
#pragma once

#include "platform/emu/Bitmap.h"

#include <cstdint>
#include <optional>
#include <span>

namespace emu {

class GifDecoder {
public:
    static std::optional<Bitmap> decode(std::span<const std::uint8_t> bytes);
};

}
