#include "vyx/contacts/ContactPicture.h"

#include "platform/api/Imaging.h"
#include "platform/api/WinGdi.h"

#include <algorithm>
#include <limits>

namespace vyx {

namespace {

template <class Interface>
void release(Interface* object)
{
    if (object)
        object->Release();
}

}

ContactPicture::ContactPicture(int width, int height, int bytesPerRow, std::vector<BYTE> rows)
    : m_width(width)
    , m_height(height)
    , m_bytesPerRow(bytesPerRow)
    , m_rows(std::move(rows))
{
}

std::shared_ptr<const ContactPicture> ContactPicture::Decode(std::span<const BYTE> value)
{
    if (std::all_of(value.begin(), value.end(), [](BYTE byte) { return byte == 0; })
        || value.size() > std::numeric_limits<UINT>::max())
        return nullptr;

    const HRESULT started = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IImagingFactory* factory = nullptr;
    IImage* image = nullptr;
    std::shared_ptr<const ContactPicture> picture;
    if (CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory, reinterpret_cast<void**>(&factory)) == S_OK
        && factory
        && factory->CreateImageFromBuffer(value.data(), static_cast<UINT>(value.size()), BufferDisposalFlagNone, &image) == S_OK
        && image) {
        picture = Render(*image);
    }
    release(image);
    release(factory);
    if (SUCCEEDED(started))
        CoUninitialize();
    return picture;
}

std::shared_ptr<const ContactPicture> ContactPicture::Render(IImage& image)
{
    ImageInfo info {};
    constexpr UINT largest = static_cast<UINT>(std::numeric_limits<LONG>::max());
    if (image.GetImageInfo(&info) != S_OK || info.Width == 0 || info.Height == 0 || info.Width > largest || info.Height > largest)
        return nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return nullptr;
    BITMAPINFO format {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = static_cast<LONG>(info.Width);
    format.bmiHeader.biHeight = static_cast<LONG>(info.Height);
    format.bmiHeader.biPlanes = planes;
    format.bmiHeader.biBitCount = bitsPerPixel;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::shared_ptr<const ContactPicture> picture;
    if (bitmap && bits) {
        const HGDIOBJ previous = SelectObject(dc, bitmap);
        const RECT whole { 0, 0, format.bmiHeader.biWidth, format.bmiHeader.biHeight };
        BITMAP drawn {};
        if (previous && image.Draw(dc, &whole, nullptr) == S_OK && GetObject(bitmap, sizeof(drawn), &drawn) == sizeof(drawn)
            && drawn.bmBits) {
            const auto* first = static_cast<const BYTE*>(drawn.bmBits);
            std::vector<BYTE> rows(first, first + static_cast<std::size_t>(drawn.bmWidthBytes) * static_cast<std::size_t>(drawn.bmHeight));
            picture.reset(new ContactPicture(drawn.bmWidth, drawn.bmHeight, drawn.bmWidthBytes, std::move(rows)));
        }
        if (previous)
            SelectObject(dc, previous);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(dc);
    return picture;
}

COLORREF ContactPicture::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    const std::size_t at = static_cast<std::size_t>(m_height - 1 - y) * static_cast<std::size_t>(m_bytesPerRow) + static_cast<std::size_t>(x) * 3;
    return RGB(m_rows[at + 2], m_rows[at + 1], m_rows[at]);
}

}
