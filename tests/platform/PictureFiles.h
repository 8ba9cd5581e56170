// Small pictures made in memory for the imaging tests: PNG through libpng, JPEG through libjpeg, GIF
// through giflib, and BMP written byte by byte.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

// The colour of the pixel (x, y) of a test pattern.
using Pattern = std::function<COLORREF(int x, int y)>;

// ---- PNG

struct PngPicture {
    int width;
    int height;
    int colourType; // PNG_COLOR_TYPE_...
    int bitDepth;
    // Rows of samples as the file stores them, top row first.
    std::vector<Bytes> rows;
    std::vector<png_color> palette;
    // Alpha of the palette entries, or the one transparent grey or RGB sample value.
    Bytes paletteAlpha;
    std::optional<png_color_16> transparentSample;
};

inline Bytes encodePng(const PngPicture& picture)
{
    Bytes out;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(writer);
    png_set_write_fn(
        writer, &out,
        [](png_structp png, png_bytep data, size_t length) {
            auto& bytes = *static_cast<Bytes*>(png_get_io_ptr(png));
            bytes.insert(bytes.end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(writer, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), picture.bitDepth,
                 picture.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty())
        png_set_PLTE(writer, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    if (!picture.paletteAlpha.empty())
        png_set_tRNS(writer, info, picture.paletteAlpha.data(), static_cast<int>(picture.paletteAlpha.size()), nullptr);
    if (picture.transparentSample) {
        png_color_16 sample = *picture.transparentSample;
        png_set_tRNS(writer, info, nullptr, 0, &sample);
    }
    png_write_info(writer, info);
    for (const Bytes& row : picture.rows)
        png_write_row(writer, row.data());
    png_write_end(writer, info);
    png_destroy_write_struct(&writer, &info);
    return out;
}

// An 8-bit RGB PNG of the pattern.
inline Bytes rgbPng(int width, int height, const Pattern& pattern)
{
    PngPicture picture { width, height, PNG_COLOR_TYPE_RGB, 8, {}, {}, {}, {} };
    for (int y = 0; y < height; ++y) {
        Bytes row;
        for (int x = 0; x < width; ++x) {
            const COLORREF colour = pattern(x, y);
            row.insert(row.end(), { GetRValue(colour), GetGValue(colour), GetBValue(colour) });
        }
        picture.rows.push_back(row);
    }
    return encodePng(picture);
}

// ---- JPEG

// A JPEG of `components` 1 (grey), 3 (RGB) or 4 (CMYK) channels, every pixel `sample`.
inline Bytes solidJpeg(int width, int height, int components, J_COLOR_SPACE space, std::vector<JSAMPLE> sample, bool progressive = false)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row;
    for (int x = 0; x < width; ++x)
        row.insert(row.end(), sample.begin(), sample.end());
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[] = { row.data() };
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

// ---- GIF

struct GifPicture {
    int screenWidth;
    int screenHeight;
    int left;
    int top;
    int width;
    int height;
    std::vector<GifColorType> colours; // a power of two entries
    // Colour indexes, top row first.
    std::vector<Bytes> rows;
    int transparentIndex { NO_TRANSPARENT_COLOR };
    bool interlaced { false };
};

inline Bytes encodeGif(const GifPicture& picture)
{
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out,
        [](GifFileType* file, const GifByteType* data, int length) {
            auto& bytes = *static_cast<Bytes*>(file->UserData);
            bytes.insert(bytes.end(), data, data + length);
            return length;
        },
        &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(picture.colours.size()), picture.colours.data());
    EGifPutScreenDesc(gif, picture.screenWidth, picture.screenHeight, 8, 0, map);
    if (picture.transparentIndex != NO_TRANSPARENT_COLOR) {
        GraphicsControlBlock control {};
        control.TransparentColor = picture.transparentIndex;
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension);
    }
    EGifPutImageDesc(gif, picture.left, picture.top, picture.width, picture.height, picture.interlaced, nullptr);
    // An interlaced frame stores its rows pass by pass.
    std::vector<int> order;
    if (picture.interlaced) {
        for (const auto& [start, step] : { std::pair { 0, 8 }, std::pair { 4, 8 }, std::pair { 2, 4 }, std::pair { 1, 2 } }) {
            for (int y = start; y < picture.height; y += step)
                order.push_back(y);
        }
    } else {
        for (int y = 0; y < picture.height; ++y)
            order.push_back(y);
    }
    for (const int y : order) {
        Bytes row = picture.rows[static_cast<std::size_t>(y)];
        EGifPutLine(gif, row.data(), picture.width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

// ---- BMP

struct BmpPicture {
    std::int32_t width;
    std::int32_t height; // negative for rows stored top-down
    std::uint16_t bitsPerPixel;
    std::uint32_t compression { 0 };
    std::vector<COLORREF> palette;
    std::vector<std::uint32_t> masks; // red, green, blue after the header, for BI_BITFIELDS
    // Rows as stored, unpadded: they are padded to four bytes here.
    std::vector<Bytes> rows;
};

inline void put16(Bytes& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void put32(Bytes& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

inline Bytes encodeBmp(const BmpPicture& picture)
{
    Bytes header;
    put32(header, 40);
    put32(header, static_cast<std::uint32_t>(picture.width));
    put32(header, static_cast<std::uint32_t>(picture.height));
    put16(header, 1);
    put16(header, picture.bitsPerPixel);
    put32(header, picture.compression);
    put32(header, 0);
    put32(header, 2835);
    put32(header, 2835);
    put32(header, static_cast<std::uint32_t>(picture.palette.size()));
    put32(header, 0);
    for (const std::uint32_t mask : picture.masks)
        put32(header, mask);
    for (const COLORREF colour : picture.palette)
        header.insert(header.end(), { GetBValue(colour), GetGValue(colour), GetRValue(colour), 0 });

    Bytes out { 'B', 'M' };
    Bytes pixels;
    for (Bytes row : picture.rows) {
        row.resize((row.size() + 3) / 4 * 4);
        pixels.insert(pixels.end(), row.begin(), row.end());
    }
    put32(out, static_cast<std::uint32_t>(14 + header.size() + pixels.size()));
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(14 + header.size()));
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

}
