// A contact's stored picture: empty and all-zero values and pictures the imaging component refuses give
// none; a picture comes out at its size as the rows of a bottom-up 24-bit device-independent bitmap.
#include "tests/support/DeviceFixture.h"

#include "emulator/addressbook/UncompressedPng.h"
#include "platform/api/Imaging.h"
#include "platform/emu/Imaging.h"
#include "vyx/contacts/ContactPicture.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

namespace {

using vyx::ContactPicture;

std::vector<BYTE> samplePhoto(const char* name)
{
    const auto path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "emulator" / "samples" / "photos" / name;
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

// A 3 x 2 picture, every pixel its own colour.
COLORREF patternColour(int x, int y)
{
    return RGB(static_cast<BYTE>(50 + 60 * x), static_cast<BYTE>(30 + 100 * y), static_cast<BYTE>(200 - 40 * x));
}

std::vector<BYTE> patternPng()
{
    emu::Bitmap pattern(3, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            pattern.setPixel(x, y, patternColour(x, y));
    }
    return devemu::encodeUncompressedPng(pattern);
}

class ContactPictureTest : public testing_support::DeviceFixture {
protected:
    // Decodes the value in a device program; the program's component library must be left as found.
    std::shared_ptr<const ContactPicture> decode(const std::vector<BYTE>& value)
    {
        std::shared_ptr<const ContactPicture> picture;
        runProgram([&] {
            picture = ContactPicture::Decode(value);
            LPVOID factory = nullptr;
            EXPECT_EQ(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory, &factory), CO_E_NOTINITIALIZED);
            return 0;
        });
        EXPECT_EQ(device->imaging().liveObjects(), 0u);
        return picture;
    }
};

struct ValueCase {
    const char* name;
    std::vector<BYTE> value;
    // The picture's size, or none when the value gives no picture.
    std::optional<std::pair<int, int>> size;

    friend void PrintTo(const ValueCase& c, std::ostream* out) { *out << c.name; }
};

class ContactPictureValueTest : public ContactPictureTest, public ::testing::WithParamInterface<ValueCase> { };

TEST_P(ContactPictureValueTest, ValueGivesAPictureOfItsSizeOrNone)
{
    const ValueCase& c = GetParam();
    const auto picture = decode(c.value);
    if (!c.size) {
        EXPECT_EQ(picture, nullptr);
        return;
    }
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), c.size->first);
    EXPECT_EQ(picture->Height(), c.size->second);
    EXPECT_EQ(picture->BytesPerRow(), (c.size->first * 3 + 3) / 4 * 4);
    EXPECT_EQ(picture->Rows().size(), static_cast<std::size_t>(picture->BytesPerRow() * picture->Height()));
}

INSTANTIATE_TEST_SUITE_P(Values, ContactPictureValueTest, ::testing::Values(
    ValueCase { "empty", {}, std::nullopt },
    ValueCase { "zero_bytes_only", std::vector<BYTE>(300, 0), std::nullopt },
    ValueCase { "garbage", { 'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e' }, std::nullopt },
    ValueCase { "png_cut_short", [] {
                   std::vector<BYTE> png = patternPng();
                   png.resize(png.size() / 2);
                   return png;
               }(), std::nullopt },
    ValueCase { "png", patternPng(), std::pair { 3, 2 } },
    ValueCase { "jpeg_photo", samplePhoto("petrov.jpg"), std::pair { 120, 120 } },
    ValueCase { "png_photo", samplePhoto("ivanov.png"), std::pair { 96, 96 } }),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST_F(ContactPictureTest, RowsHoldThePictureBottomRowFirstInBlueGreenRed)
{
    const auto picture = decode(patternPng());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->planes, 1);
    EXPECT_EQ(picture->bitsPerPixel, 24);
    const std::vector<BYTE>& rows = picture->Rows();
    for (int x = 0; x < 3; ++x) {
        const COLORREF bottom = patternColour(x, 1);
        EXPECT_EQ(rows[static_cast<std::size_t>(x) * 3], GetBValue(bottom));
        EXPECT_EQ(rows[static_cast<std::size_t>(x) * 3 + 1], GetGValue(bottom));
        EXPECT_EQ(rows[static_cast<std::size_t>(x) * 3 + 2], GetRValue(bottom));
        for (int y = 0; y < 2; ++y)
            EXPECT_EQ(picture->Pixel(x, y), patternColour(x, y)) << x << ", " << y;
    }
}

}
