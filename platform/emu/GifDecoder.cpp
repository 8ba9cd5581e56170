#include "platform/emu/GifDecoder.h"

#include "platform/emu/ImageDecoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace emu {

namespace {
constexpr COLORREF uncovered = RGB(255, 255, 255);

// The bytes giflib reads from, and how far it has read.
struct Source {
    std::span<const std::uint8_t> bytes;
    std::size_t at;
};

int readSource(GifFileType* gif, GifByteType* into, int count)
{
    Source& source = *static_cast<Source*>(gif->UserData);
    const std::size_t taken = std::min(static_cast<std::size_t>(std::max(count, 0)), source.bytes.size() - source.at);
    std::memcpy(into, source.bytes.data() + source.at, taken);
    source.at += taken;
    return static_cast<int>(taken);
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

// Reads the extensions before the first frame, keeping the transparent colour of its graphic control;
// false when the file ends or breaks before a frame.
bool skipToFrame(GifFileType& gif, int& transparentIndex)
{
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(&gif, &type) == GIF_ERROR)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return true;
        if (type != EXTENSION_RECORD_TYPE)
            return false;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(&gif, &code, &block) == GIF_ERROR)
            return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block) {
            GraphicsControlBlock control {};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparentIndex = control.TransparentColor;
        }
        while (block) {
            if (DGifGetExtensionNext(&gif, &block) == GIF_ERROR)
                return false;
        }
    }
}

// The picture row that the `line`-th stored line of a frame `height` rows high fills: interlaced frames
// store every eighth row from 0, every eighth from 4, every fourth from 2, then the odd rows.
int rowOfLine(int line, int height, bool interlaced)
{
    if (!interlaced)
        return line;
    constexpr std::array<int, 4> starts { 0, 4, 2, 1 };
    constexpr std::array<int, 4> steps { 8, 8, 4, 2 };
    for (std::size_t pass = 0; pass < starts.size(); ++pass) {
        const int rows = height > starts[pass] ? (height - starts[pass] + steps[pass] - 1) / steps[pass] : 0;
        if (line < rows)
            return starts[pass] + line * steps[pass];
        line -= rows;
    }
    return height;
}
}

std::optional<Bitmap> GifDecoder::decode(std::span<const std::uint8_t> bytes)
{
    Source source { bytes, 0 };
    int error = 0;
    const GifFile gif(DGifOpen(&source, readSource, &error));
    if (!gif)
        return std::nullopt;
    int transparentIndex = NO_TRANSPARENT_COLOR;
    if (!skipToFrame(*gif, transparentIndex) || DGifGetImageDesc(gif.get()) == GIF_ERROR)
        return std::nullopt;

    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colours || !colours->Colors || !ImageDecoder::acceptsSize(frame.Width, frame.Height))
        return std::nullopt;
    // Some writers leave the screen empty: the frame then gives the picture's size.
    const int width = gif->SWidth > 0 ? gif->SWidth : frame.Left + frame.Width;
    const int height = gif->SHeight > 0 ? gif->SHeight : frame.Top + frame.Height;
    if (!ImageDecoder::acceptsSize(width, height))
        return std::nullopt;

    Bitmap picture(width, height, uncovered);
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    for (int stored = 0; stored < frame.Height; ++stored) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
            return std::nullopt;
        const int y = frame.Top + rowOfLine(stored, frame.Height, frame.Interlace);
        for (int column = 0; column < frame.Width; ++column) {
            const int index = line[static_cast<std::size_t>(column)];
            if (index == transparentIndex)
                continue;
            // An index past the colour table shows black.
            const GifColorType colour = index < colours->ColorCount ? colours->Colors[index] : GifColorType { 0, 0, 0 };
            picture.setPixel(frame.Left + column, y, RGB(colour.Red, colour.Green, colour.Blue));
        }
    }
    return picture;
}

}
