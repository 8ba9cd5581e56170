// The device's imaging: each picture format decodes to its size and colours, damaged and oversized
// pictures are refused, the imaging component's images draw scaled into memory contexts, and the
// shell loads picture files as device bitmaps.
#include "tests/platform/PictureFiles.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/Imaging.h"
#include "platform/api/ShellApi.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinGdi.h"
#include "platform/emu/Bitmap.h"
#include "platform/emu/ImageDecoder.h"
#include "platform/emu/Imaging.h"

#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr COLORREF red = RGB(255, 0, 0);
constexpr COLORREF green = RGB(0, 255, 0);
constexpr COLORREF blue = RGB(0, 0, 255);
constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF black = RGB(0, 0, 0);

// Every pixel a different colour, so that a picture read upside down or shifted shows.
COLORREF distinct(int x, int y)
{
    return RGB(static_cast<BYTE>(40 * x + 10), static_cast<BYTE>(60 * y + 20), static_cast<BYTE>(200 - 30 * x - 20 * y));
}

bool near(COLORREF actual, COLORREF expected, int tolerance)
{
    const auto close = [&](BYTE one, BYTE other) { return std::abs(int { one } - int { other }) <= tolerance; };
    return close(GetRValue(actual), GetRValue(expected)) && close(GetGValue(actual), GetGValue(expected))
        && close(GetBValue(actual), GetBValue(expected));
}

std::string describe(COLORREF colour)
{
    return "(" + std::to_string(GetRValue(colour)) + ", " + std::to_string(GetGValue(colour)) + ", " + std::to_string(GetBValue(colour)) + ")";
}

Bytes sampleFile(const char* name)
{
    const fs::path path = fs::path(__FILE__).parent_path().parent_path().parent_path() / "emulator" / "samples" / "photos" / name;
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// ---- Decoding each format

struct Probe {
    int x;
    int y;
    COLORREF colour;
};

struct DecodeCase {
    const char* name;
    std::function<Bytes()> picture;
    int width;
    int height;
    std::vector<Probe> probes;
    // How far each channel may stray: lossy formats and colour conversions round.
    int tolerance { 0 };

    friend void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> { };

TEST_P(DecodeTest, PictureComesOutAtItsSizeWithItsColours)
{
    const DecodeCase& c = GetParam();
    const Bytes bytes = c.picture();
    const std::optional<emu::Bitmap> picture = emu::ImageDecoder::decode(bytes);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), c.width);
    EXPECT_EQ(picture->height(), c.height);
    for (const Probe& probe : c.probes) {
        const COLORREF actual = picture->pixel(probe.x, probe.y);
        EXPECT_TRUE(near(actual, probe.colour, c.tolerance))
            << "at (" << probe.x << ", " << probe.y << "): " << describe(actual) << ", expected " << describe(probe.colour);
    }
}

std::vector<Probe> distinctProbes(int width, int height)
{
    std::vector<Probe> probes;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            probes.push_back({ x, y, distinct(x, y) });
    }
    return probes;
}

PngPicture pngOf(int width, int height, int colourType, int bitDepth, std::vector<Bytes> rows)
{
    return PngPicture { width, height, colourType, bitDepth, std::move(rows), {}, {}, {} };
}

// A BMP of the distinct pattern at 24 bits, in either row order.
Bytes distinctBmp24(int width, int height, bool topDown)
{
    BmpPicture picture { width, topDown ? -height : height, 24, 0, {}, {}, {} };
    for (int stored = 0; stored < height; ++stored) {
        const int y = topDown ? stored : height - 1 - stored;
        Bytes row;
        for (int x = 0; x < width; ++x)
            row.insert(row.end(), { GetBValue(distinct(x, y)), GetGValue(distinct(x, y)), GetRValue(distinct(x, y)) });
        picture.rows.push_back(row);
    }
    return encodeBmp(picture);
}

INSTANTIATE_TEST_SUITE_P(Formats, DecodeTest, ::testing::Values(
    DecodeCase { "png_rgb", [] { return rgbPng(4, 3, distinct); }, 4, 3, distinctProbes(4, 3) },
    DecodeCase { "png_palette_with_transparent_entry", [] {
                    PngPicture picture = pngOf(3, 1, PNG_COLOR_TYPE_PALETTE, 2, { { 0b00011000 } });
                    picture.palette = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 } };
                    picture.paletteAlpha = { 255, 0, 255 };
                    return encodePng(picture);
                }, 3, 1, { { 0, 0, red }, { 1, 0, white }, { 2, 0, blue } } },
    DecodeCase { "png_grey_8_bit", [] { return encodePng(pngOf(2, 1, PNG_COLOR_TYPE_GRAY, 8, { { 100, 230 } })); }, 2, 1,
                 { { 0, 0, RGB(100, 100, 100) }, { 1, 0, RGB(230, 230, 230) } } },
    DecodeCase { "png_grey_1_bit", [] { return encodePng(pngOf(9, 1, PNG_COLOR_TYPE_GRAY, 1, { { 0b10000000, 0b10000000 } })); }, 9, 1,
                 { { 0, 0, white }, { 1, 0, black }, { 7, 0, black }, { 8, 0, white } } },
    DecodeCase { "png_rgb_16_bit_taken_as_srgb", [] {
                    return encodePng(pngOf(1, 1, PNG_COLOR_TYPE_RGB, 16, { { 0x80, 0x80, 0x20, 0x20, 0xF0, 0xF0 } }));
                }, 1, 1, { { 0, 0, RGB(0x80, 0x20, 0xF0) } }, 1 },
    DecodeCase { "png_rgba_composited_on_white", [] {
                    return encodePng(pngOf(3, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8,
                                           { { 255, 0, 0, 255, 0, 0, 255, 0, 255, 0, 0, 128 } }));
                }, 3, 1, { { 0, 0, red }, { 1, 0, white }, { 2, 0, RGB(255, 127, 127) } }, 4 },
    DecodeCase { "png_grey_with_transparent_sample", [] {
                    PngPicture picture = pngOf(2, 1, PNG_COLOR_TYPE_GRAY, 8, { { 50, 60 } });
                    picture.transparentSample = png_color_16 { 0, 0, 0, 0, 60 };
                    return encodePng(picture);
                }, 2, 1, { { 0, 0, RGB(50, 50, 50) }, { 1, 0, white } } },
    DecodeCase { "jpeg_colour", [] { return solidJpeg(17, 9, 3, JCS_RGB, { 200, 40, 90 }); }, 17, 9,
                 { { 0, 0, RGB(200, 40, 90) }, { 16, 8, RGB(200, 40, 90) } }, 6 },
    DecodeCase { "jpeg_grey", [] { return solidJpeg(8, 8, 1, JCS_GRAYSCALE, { 77 }); }, 8, 8, { { 3, 5, RGB(77, 77, 77) } }, 2 },
    DecodeCase { "jpeg_progressive", [] { return solidJpeg(20, 20, 3, JCS_RGB, { 30, 160, 220 }, true); }, 20, 20,
                 { { 19, 19, RGB(30, 160, 220) } }, 6 },
    DecodeCase { "jpeg_sample_photo", [] { return sampleFile("petrov.jpg"); }, 120, 120, {} },
    DecodeCase { "gif_frame_on_screen_with_transparency", [] {
                    GifPicture picture { 4, 3, 1, 1, 2, 2, { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 0, 0, 0 } },
                                         { { 0, 1 }, { 2, 3 } }, 3 };
                    return encodeGif(picture);
                }, 4, 3, { { 0, 0, white }, { 1, 1, red }, { 2, 1, green }, { 1, 2, blue }, { 2, 2, white }, { 3, 2, white } } },
    DecodeCase { "gif_interlaced", [] {
                    GifPicture picture { 1, 10, 0, 0, 1, 10, { { 0, 0, 0 }, { 255, 255, 255 } }, {} };
                    picture.interlaced = true;
                    // Rows 3 and 6 white: they arrive in different passes.
                    for (int y = 0; y < 10; ++y)
                        picture.rows.push_back({ static_cast<std::uint8_t>(y == 3 || y == 6) });
                    return encodeGif(picture);
                }, 1, 10, { { 0, 0, black }, { 0, 3, white }, { 0, 4, black }, { 0, 6, white }, { 0, 9, black } } },
    DecodeCase { "bmp_24_bit_bottom_up", [] { return distinctBmp24(3, 2, false); }, 3, 2, distinctProbes(3, 2) },
    DecodeCase { "bmp_24_bit_top_down", [] { return distinctBmp24(3, 2, true); }, 3, 2, distinctProbes(3, 2) },
    DecodeCase { "bmp_1_bit", [] {
                    return encodeBmp({ 10, 2, 1, 0, { black, green }, {}, { { 0b10000000, 0b01000000 }, { 0b01000000, 0 } } });
                }, 10, 2, { { 0, 1, green }, { 1, 1, black }, { 9, 1, green }, { 1, 0, green }, { 0, 0, black } } },
    DecodeCase { "bmp_4_bit", [] { return encodeBmp({ 3, 1, 4, 0, { black, red, green, blue }, {}, { { 0x32, 0x10 } } }); }, 3, 1,
                 { { 0, 0, blue }, { 1, 0, green }, { 2, 0, red } } },
    DecodeCase { "bmp_8_bit_index_past_table_is_black", [] { return encodeBmp({ 3, 1, 8, 0, { red, blue }, {}, { { 1, 0, 200 } } }); }, 3, 1,
                 { { 0, 0, blue }, { 1, 0, red }, { 2, 0, black } } },
    DecodeCase { "bmp_32_bit_rgb", [] { return encodeBmp({ 2, 1, 32, 0, {}, {}, { { 10, 20, 30, 0, 40, 50, 60, 255 } } }); }, 2, 1,
                 { { 0, 0, RGB(30, 20, 10) }, { 1, 0, RGB(60, 50, 40) } } },
    DecodeCase { "bmp_32_bit_bitfields", [] {
                    return encodeBmp({ 1, 1, 32, 3, {}, { 0x000000FF, 0x0000FF00, 0x00FF0000 }, { { 10, 20, 30, 0 } } });
                }, 1, 1, { { 0, 0, RGB(10, 20, 30) } } },
    DecodeCase { "bmp_16_bit_565", [] {
                    // Red full, green half (32 of 63), blue none.
                    const std::uint16_t pixel = (31 << 11) | (32 << 5);
                    return encodeBmp({ 1, 1, 16, 3, {}, { 0xF800, 0x07E0, 0x001F },
                                       { { static_cast<std::uint8_t>(pixel), static_cast<std::uint8_t>(pixel >> 8) } } });
                }, 1, 1, { { 0, 0, RGB(255, 129, 0) } } },
    DecodeCase { "bmp_16_bit_555", [] {
                    const std::uint16_t pixel = (31 << 10) | 31;
                    return encodeBmp({ 1, 1, 16, 0, {}, {}, { { static_cast<std::uint8_t>(pixel), static_cast<std::uint8_t>(pixel >> 8) } } });
                }, 1, 1, { { 0, 0, RGB(255, 0, 255) } } },
    DecodeCase { "bmp_at_the_pixel_limit", [] {
                    BmpPicture picture { 4096, 4096, 1, 0, { black, white }, {}, {} };
                    picture.rows.assign(4096, Bytes(512, 0xFF));
                    return encodeBmp(picture);
                }, 4096, 4096, { { 4095, 4095, white } } }),
    [](const auto& tested) { return std::string(tested.param.name); });

// ---- Refused pictures

struct RefuseCase {
    const char* name;
    std::function<Bytes()> bytes;

    friend void PrintTo(const RefuseCase& c, std::ostream* out) { *out << c.name; }
};

class RefuseTest : public ::testing::TestWithParam<RefuseCase> { };

TEST_P(RefuseTest, PictureIsRefused)
{
    EXPECT_FALSE(emu::ImageDecoder::decode(GetParam().bytes()));
}

Bytes truncated(Bytes bytes, std::size_t keep)
{
    bytes.resize(keep);
    return bytes;
}

// A PNG holding only a header of that size, its check sum right.
Bytes pngHeaderOnly(std::uint32_t width, std::uint32_t height)
{
    Bytes out { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13 };
    Bytes chunk { 'I', 'H', 'D', 'R' };
    for (const std::uint32_t value : { width, height })
        chunk.insert(chunk.end(), { static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                                    static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value) });
    chunk.insert(chunk.end(), { 8, 2, 0, 0, 0 });
    const uLong sum = crc32(0, chunk.data(), static_cast<uInt>(chunk.size()));
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), { static_cast<std::uint8_t>(sum >> 24), static_cast<std::uint8_t>(sum >> 16), static_cast<std::uint8_t>(sum >> 8),
                            static_cast<std::uint8_t>(sum) });
    return out;
}

// The JPEG with the size in its frame header replaced.
Bytes jpegClaiming(Bytes bytes, std::uint16_t width, std::uint16_t height)
{
    for (std::size_t at = 2; at + 9 < bytes.size(); ++at) {
        if (bytes[at] == 0xFF && bytes[at + 1] == 0xC0) {
            bytes[at + 5] = static_cast<std::uint8_t>(height >> 8);
            bytes[at + 6] = static_cast<std::uint8_t>(height);
            bytes[at + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[at + 8] = static_cast<std::uint8_t>(width);
            break;
        }
    }
    return bytes;
}

Bytes smallGif()
{
    GifPicture picture { 8, 8, 0, 0, 8, 8, { { 0, 0, 0 }, { 255, 255, 255 } }, {} };
    for (int y = 0; y < 8; ++y)
        picture.rows.push_back(Bytes { 0, 1, 0, 1, 1, 0, 1, 0 });
    return encodeGif(picture);
}

INSTANTIATE_TEST_SUITE_P(Damaged, RefuseTest, ::testing::Values(
    RefuseCase { "empty", [] { return Bytes {}; } },
    RefuseCase { "unknown_format", [] { return Bytes { 'h', 'e', 'l', 'l', 'o', 0, 1, 2, 3 }; } },
    RefuseCase { "png_signature_then_garbage", [] {
                    Bytes bytes { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
                    bytes.resize(64, 0x5A);
                    return bytes;
                } },
    RefuseCase { "png_truncated_in_its_data", [] {
                    const Bytes whole = rgbPng(16, 16, distinct);
                    return truncated(whole, whole.size() - 20);
                } },
    RefuseCase { "png_over_the_pixel_limit", [] { return pngHeaderOnly(100000, 100000); } },
    RefuseCase { "jpeg_truncated", [] {
                    const Bytes whole = solidJpeg(64, 64, 3, JCS_RGB, { 1, 2, 3 });
                    return truncated(whole, whole.size() / 2);
                } },
    RefuseCase { "jpeg_header_only", [] { return truncated(solidJpeg(8, 8, 3, JCS_RGB, { 1, 2, 3 }), 20); } },
    RefuseCase { "jpeg_cmyk", [] { return solidJpeg(8, 8, 4, JCS_CMYK, { 0, 255, 0, 0 }); } },
    RefuseCase { "jpeg_over_the_pixel_limit", [] { return jpegClaiming(solidJpeg(8, 8, 3, JCS_RGB, { 1, 2, 3 }), 60000, 60000); } },
    RefuseCase { "gif_truncated", [] {
                    const Bytes whole = smallGif();
                    return truncated(whole, whole.size() - 6);
                } },
    RefuseCase { "gif_without_a_frame", [] { return truncated(smallGif(), 13 + 6); } },
    RefuseCase { "gif_screen_over_the_pixel_limit", [] {
                    Bytes bytes = smallGif();
                    bytes[6] = bytes[7] = bytes[8] = bytes[9] = 0xFF;
                    return bytes;
                } },
    RefuseCase { "bmp_missing_its_last_row", [] {
                    const Bytes whole = distinctBmp24(3, 3, false);
                    return truncated(whole, whole.size() - 4);
                } },
    RefuseCase { "bmp_run_length_encoded", [] { return encodeBmp({ 2, 1, 8, 1, { red }, {}, { { 2, 0, 0, 1 } } }); } },
    RefuseCase { "bmp_header_cut_short", [] { return truncated(distinctBmp24(3, 3, false), 30); } },
    RefuseCase { "bmp_pixel_data_past_the_end", [] {
                    Bytes bytes = distinctBmp24(3, 3, false);
                    bytes[10] = 0xF0;
                    bytes[11] = 0xFF;
                    return bytes;
                } },
    RefuseCase { "bmp_colour_table_past_the_end", [] {
                    Bytes bytes = encodeBmp({ 1, 1, 8, 0, { red }, {}, { { 0 } } });
                    bytes[46] = 0xFF; // 255 colours said to follow
                    return truncated(bytes, 58);
                } },
    RefuseCase { "bmp_most_negative_height", [] {
                    Bytes bytes = distinctBmp24(3, 3, false);
                    bytes[22] = bytes[23] = bytes[24] = 0;
                    bytes[25] = 0x80;
                    return bytes;
                } },
    RefuseCase { "bmp_over_the_pixel_limit_though_whole", [] {
                    BmpPicture picture { 4100, 4100, 1, 0, { black, white }, {}, {} };
                    picture.rows.assign(4100, Bytes(516, 0));
                    return encodeBmp(picture);
                } }),
    [](const auto& tested) { return std::string(tested.param.name); });

// ---- The imaging component and the shell's loader on the device

class ImagingTest : public DeviceFixture {
protected:
    void writeDeviceFile(const char* name, const Bytes& bytes)
    {
        std::ofstream out(folder() / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

// A 24-bit DIB section of the size, bottom-up, selected into a new memory context.
struct DibCanvas {
    HDC dc { CreateCompatibleDC(nullptr) };
    void* bits { nullptr };
    HBITMAP bitmap;
    HGDIOBJ previous;

    DibCanvas(int width, int height)
    {
        BITMAPINFO format {};
        format.bmiHeader = BITMAPINFOHEADER { sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
        bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous = SelectObject(dc, bitmap);
    }
    ~DibCanvas()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;
};

IImagingFactory* createFactory()
{
    IImagingFactory* factory = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory, reinterpret_cast<LPVOID*>(&factory)), S_OK);
    return factory;
}

TEST_F(ImagingTest, ImageFromMemoryDrawsAtItsSizeIntoADibSectionBottomRowFirst)
{
    const Bytes png = rgbPng(3, 2, distinct);
    runProgram([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IImagingFactory* factory = createFactory();
        IImage* image = nullptr;
        EXPECT_EQ(factory->CreateImageFromBuffer(png.data(), static_cast<UINT>(png.size()), BufferDisposalFlagNone, &image), S_OK);
        ImageInfo info {};
        EXPECT_EQ(image->GetImageInfo(&info), S_OK);
        EXPECT_EQ(info.Width, 3u);
        EXPECT_EQ(info.Height, 2u);
        {
            DibCanvas canvas(3, 2);
            const RECT whole { 0, 0, 3, 2 };
            EXPECT_EQ(image->Draw(canvas.dc, &whole, nullptr), S_OK);
            BITMAP described {};
            EXPECT_EQ(GetObject(canvas.bitmap, sizeof(described), &described), static_cast<int>(sizeof(described)));
            EXPECT_EQ(described.bmWidthBytes, 12); // 9 bytes padded to 12
            EXPECT_EQ(described.bmBits, canvas.bits);
            const auto* rows = static_cast<const BYTE*>(canvas.bits);
            // The bottom row (y = 1) comes first, in blue, green, red.
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(RGB(rows[x * 3 + 2], rows[x * 3 + 1], rows[x * 3]), distinct(x, 1)) << x;
                EXPECT_EQ(RGB(rows[12 + x * 3 + 2], rows[12 + x * 3 + 1], rows[12 + x * 3]), distinct(x, 0)) << x;
            }
        }
        image->Release();
        factory->Release();
        CoUninitialize();
        return 0;
    });
    EXPECT_EQ(device->imaging().liveObjects(), 0u);
}

TEST_F(ImagingTest, DrawScalesIntoTheRectangleAndClipsToTheBitmap)
{
    // A 2 x 2 picture: red, green over blue, white.
    const Bytes png = rgbPng(2, 2, [](int x, int y) { return y == 0 ? (x == 0 ? red : green) : (x == 0 ? blue : white); });
    runProgram([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IImagingFactory* factory = createFactory();
        IImage* image = nullptr;
        factory->CreateImageFromBuffer(png.data(), static_cast<UINT>(png.size()), BufferDisposalFlagNone, &image);
        {
            DibCanvas canvas(7, 7);
            const RECT all { 0, 0, 7, 7 };
            const HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
            FillRect(canvas.dc, &all, grey);
            DeleteObject(grey);
            // Doubled at (1, 1); then the white quarter alone (source in 0.01 mm at 96 dpi: 1 pixel is
            // 26.46), stretched over a rectangle that runs past the bitmap's right and bottom edges.
            const RECT doubled { 1, 1, 5, 5 };
            EXPECT_EQ(image->Draw(canvas.dc, &doubled, nullptr), S_OK);
            EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(128, 128, 128));
            EXPECT_EQ(GetPixel(canvas.dc, 1, 1), red);
            EXPECT_EQ(GetPixel(canvas.dc, 2, 2), red);
            EXPECT_EQ(GetPixel(canvas.dc, 3, 1), green);
            EXPECT_EQ(GetPixel(canvas.dc, 4, 2), green);
            EXPECT_EQ(GetPixel(canvas.dc, 1, 4), blue);
            EXPECT_EQ(GetPixel(canvas.dc, 4, 4), white);
            EXPECT_EQ(GetPixel(canvas.dc, 5, 5), RGB(128, 128, 128));

            const RECT quarter { 26, 26, 53, 53 };
            const RECT pastTheEdges { 5, 5, 100, 100 };
            EXPECT_EQ(image->Draw(canvas.dc, &pastTheEdges, &quarter), S_OK);
            EXPECT_EQ(GetPixel(canvas.dc, 5, 5), white);
            EXPECT_EQ(GetPixel(canvas.dc, 6, 6), white);
            EXPECT_EQ(GetPixel(canvas.dc, 5, 4), RGB(128, 128, 128)); // above the rectangle, left alone

            const RECT empty { 3, 3, 3, 6 };
            const RECT outsidePicture { 0, 0, 80, 26 };
            EXPECT_EQ(image->Draw(canvas.dc, &empty, nullptr), E_INVALIDARG);
            EXPECT_EQ(image->Draw(canvas.dc, &doubled, &outsidePicture), E_INVALIDARG);
            EXPECT_EQ(image->Draw(nullptr, &doubled, nullptr), E_INVALIDARG);
        }
        image->Release();
        factory->Release();
        CoUninitialize();
        return 0;
    });
}

TEST_F(ImagingTest, FactoryRefusesWhatItCannotDecodeAndNamesAMissingFile)
{
    writeDeviceFile("photo.png", rgbPng(5, 4, distinct));
    const Bytes garbage { 'G', 'I', 'F', '8', '9', 'a', 1, 2, 3 };
    runProgram([&] {
        IImagingFactory* factory = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory, reinterpret_cast<LPVOID*>(&factory)),
                  CO_E_NOTINITIALIZED);
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        factory = createFactory();
        IImage* image = reinterpret_cast<IImage*>(1);
        EXPECT_EQ(factory->CreateImageFromBuffer(garbage.data(), static_cast<UINT>(garbage.size()), BufferDisposalFlagNone, &image), E_FAIL);
        EXPECT_EQ(image, nullptr);
        EXPECT_EQ(factory->CreateImageFromFile(u"\\missing.png", &image), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(image, nullptr);
        EXPECT_EQ(factory->CreateImageFromFile(u"\\photo.png", &image), S_OK);
        ImageInfo info {};
        image->GetImageInfo(&info);
        EXPECT_EQ(info.Width, 5u);
        EXPECT_EQ(info.Height, 4u);
        image->Release();
        factory->Release();
        CoUninitialize();
        return 0;
    });
    EXPECT_EQ(device->imaging().liveObjects(), 0u);
}

TEST_F(ImagingTest, ShellLoadsPictureFilesAsDeviceBitmapsOfTheirSize)
{
    writeDeviceFile("petrov.jpg", sampleFile("petrov.jpg"));
    writeDeviceFile("ivanov.png", sampleFile("ivanov.png"));
    writeDeviceFile("mark.bmp", distinctBmp24(3, 2, false));
    writeDeviceFile("broken.png", truncated(rgbPng(16, 16, distinct), 40));
    const std::optional<emu::Bitmap> ivanov = emu::ImageDecoder::decode(sampleFile("ivanov.png"));
    ASSERT_TRUE(ivanov);
    runProgram([&] {
        for (const auto& [path, width, height] : { std::tuple { u"\\petrov.jpg", 120, 120 }, std::tuple { u"\\ivanov.png", 96, 96 },
                                                   std::tuple { u"\\mark.bmp", 3, 2 } }) {
            const HBITMAP bitmap = SHLoadImageFile(path);
            EXPECT_NE(bitmap, nullptr);
            BITMAP described {};
            EXPECT_EQ(GetObject(bitmap, sizeof(described), &described), static_cast<int>(sizeof(described)));
            EXPECT_EQ(described.bmWidth, width);
            EXPECT_EQ(described.bmHeight, height);
            EXPECT_EQ(described.bmBitsPixel, 24);
            EXPECT_EQ(described.bmBits, nullptr);
            EXPECT_TRUE(DeleteObject(bitmap));
        }

        // The bitmap's pixels are the picture's.
        const HBITMAP photo = SHLoadImageFile(u"\\ivanov.png");
        const HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ previous = SelectObject(dc, photo);
        for (const auto& [x, y] : { std::pair { 0, 0 }, std::pair { 48, 30 }, std::pair { 95, 95 } })
            EXPECT_EQ(GetPixel(dc, x, y), ivanov->pixel(x, y));
        SelectObject(dc, previous);
        DeleteObject(photo);
        DeleteDC(dc);

        SetLastError(0);
        EXPECT_EQ(SHLoadImageFile(u"\\absent.jpg"), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(SHLoadImageFile(u"\\broken.png"), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
        return 0;
    });
}

TEST_F(ImagingTest, MemoryContextDrawsIntoTheSelectedDibSectionAndSeesTheProgramsWrites)
{
    runProgram([] {
        {
            DibCanvas canvas(2, 2);
            const RECT top { 0, 0, 2, 1 };
            const HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
            FillRect(canvas.dc, &top, brush);
            DeleteObject(brush);
            auto* rows = static_cast<BYTE*>(canvas.bits);
            // The top row is stored second, after the bottom row's 8 bytes.
            EXPECT_EQ(rows[8], 30);
            EXPECT_EQ(rows[9], 20);
            EXPECT_EQ(rows[10], 10);
            EXPECT_EQ(rows[0], 0);
            rows[3] = 200; // bottom row, second pixel's blue
            EXPECT_EQ(GetPixel(canvas.dc, 1, 1), RGB(0, 0, 200));

            // A bitmap lives in one context at a time, and is not deleted while selected.
            const HDC other = CreateCompatibleDC(nullptr);
            EXPECT_EQ(SelectObject(other, canvas.bitmap), nullptr);
            EXPECT_FALSE(DeleteObject(canvas.bitmap));
            DeleteDC(other);
        }

        BITMAPINFO format {};
        format.bmiHeader = BITMAPINFOHEADER { sizeof(BITMAPINFOHEADER), 5000, -5000, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
        void* bits = reinterpret_cast<void*>(1);
        const HDC dc = CreateCompatibleDC(nullptr);
        EXPECT_EQ(CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
        EXPECT_EQ(bits, nullptr);
        format.bmiHeader.biHeight = -2;
        format.bmiHeader.biBitCount = 8;
        EXPECT_EQ(CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
        DeleteDC(dc);
        return 0;
    });
}

}
