#include "platform/emu/ImageDecoder.h"

#include "platform/emu/BmpDecoder.h"
#include "platform/emu/GifDecoder.h"
#include "platform/emu/JpegDecoder.h"
#include "platform/emu/PngDecoder.h"

#include <algorithm>
#include <array>

namespace emu {

namespace {
bool startsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> signature)
{
    return bytes.size() >= signature.size() && std::equal(signature.begin(), signature.end(), bytes.begin());
}

constexpr std::array<std::uint8_t, 8> pngSignature { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
constexpr std::array<std::uint8_t, 3> jpegSignature { 0xFF, 0xD8, 0xFF };
constexpr std::array<std::uint8_t, 6> gif87Signature { 'G', 'I', 'F', '8', '7', 'a' };
constexpr std::array<std::uint8_t, 6> gif89Signature { 'G', 'I', 'F', '8', '9', 'a' };
constexpr std::array<std::uint8_t, 2> bmpSignature { 'B', 'M' };
}

std::optional<Bitmap> ImageDecoder::decode(std::span<const std::uint8_t> bytes)
{
    if (startsWith(bytes, pngSignature))
        return PngDecoder::decode(bytes);
    if (startsWith(bytes, jpegSignature))
        return JpegDecoder::decode(bytes);
    if (startsWith(bytes, gif87Signature) || startsWith(bytes, gif89Signature))
        return GifDecoder::decode(bytes);
    if (startsWith(bytes, bmpSignature))
        return BmpDecoder::decode(bytes);
    return std::nullopt;
}

bool ImageDecoder::acceptsSize(std::uint64_t width, std::uint64_t height)
{
    return width > 0 && height > 0 && width <= Bitmap::maxPixels && height <= Bitmap::maxPixels / width;
}

}
