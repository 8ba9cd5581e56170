// A PNG file of a picture whose image data is stored without compression. Unlike zlib's compressed
// output, which may differ between zlib builds, the bytes depend on the picture alone, so the
// generator's address books come out the same on every machine.
#pragma once

#include "platform/emu/Bitmap.h"

#include <cstdint>
#include <vector>

namespace devemu {

// 8-bit RGB, no interlace, filter "none" on every row; the image data in stored deflate blocks.
std::vector<std::uint8_t> encodeUncompressedPng(const emu::Bitmap&);

}
