#include "platform/emu/PngDecoder.h"

#include "platform/emu/ImageDecoder.h"

#include <png.h>

#include <vector>

namespace emu {

namespace {
// Frees libpng's state of the image on every way out.
class ImageReader {
public:
    ImageReader() { m_image.version = PNG_IMAGE_VERSION; }
    ~ImageReader() { png_image_free(&m_image); }
    ImageReader(const ImageReader&) = delete;
    ImageReader& operator=(const ImageReader&) = delete;

    png_image& image() { return m_image; }

private:
    png_image m_image {};
};
}

std::optional<Bitmap> PngDecoder::decode(std::span<const std::uint8_t> bytes)
{
    ImageReader reader;
    png_image& image = reader.image();
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return std::nullopt;
    if (!ImageDecoder::acceptsSize(image.width, image.height))
        return std::nullopt;
    image.format = PNG_FORMAT_RGBA;
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return std::nullopt;
    // Each stored colour is blended with white by its opacity, as the device's drawing blends.
    Bitmap picture(static_cast<int>(image.width), static_cast<int>(image.height));
    const png_byte* from = pixels.data();
    for (int y = 0; y < picture.height(); ++y) {
        std::uint8_t* to = picture.row(y);
        for (int x = 0; x < picture.width(); ++x, from += 4, to += 3) {
            const unsigned opacity = from[3];
            for (int channel = 0; channel < 3; ++channel)
                to[channel] = static_cast<std::uint8_t>((from[channel] * opacity + 255 * (255 - opacity) + 127) / 255);
        }
    }
    return picture;
}

}
