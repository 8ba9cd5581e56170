#include "platform/emu/DecodedImage.h"

#include "platform/emu/Device.h"
#include "platform/emu/Gdi.h"

#include <algorithm>
#include <cstdint>

namespace emu {

namespace {
// 0.01 mm at the picture's density, rounded to the nearest pixel.
LONG pixelsOf(LONG hundredthsOfMillimetre)
{
    const std::int64_t scaled = static_cast<std::int64_t>(hundredthsOfMillimetre) * DecodedImage::dotsPerInch;
    return static_cast<LONG>((scaled + (scaled < 0 ? -1270 : 1270)) / 2540);
}

// The source pixel that the destination pixel `offset` of `extent` samples: the one under its centre.
LONG sampled(std::int64_t offset, std::int64_t extent, LONG sourceStart, LONG sourceExtent)
{
    return sourceStart + static_cast<LONG>((2 * offset + 1) * sourceExtent / (2 * extent));
}
}

DecodedImage::DecodedImage(Imaging& owner, Bitmap picture)
    : ImagingObject(owner)
    , m_picture(std::move(picture))
{
}

HRESULT DecodedImage::QueryInterface(REFIID interfaceId, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    if (interfaceId != IID_IUnknown && interfaceId != IID_IImage) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IImage*>(this);
    AddRef();
    return S_OK;
}

HRESULT DecodedImage::GetImageInfo(ImageInfo* info)
{
    if (!info)
        return E_POINTER;
    *info = ImageInfo { static_cast<UINT>(m_picture.width()), static_cast<UINT>(m_picture.height()), dotsPerInch, dotsPerInch };
    return S_OK;
}

HRESULT DecodedImage::Draw(HDC dc, const RECT* destination, const RECT* source)
{
    Gdi& gdi = currentDevice().gdi();
    if (!gdi.context(dc) || !destination || destination->right <= destination->left || destination->bottom <= destination->top)
        return E_INVALIDARG;
    RECT from { 0, 0, m_picture.width(), m_picture.height() };
    if (source) {
        from = RECT { pixelsOf(source->left), pixelsOf(source->top), pixelsOf(source->right), pixelsOf(source->bottom) };
        if (from.left < 0 || from.top < 0 || from.right > m_picture.width() || from.bottom > m_picture.height()
            || from.right <= from.left || from.bottom <= from.top)
            return E_INVALIDARG;
    }
    // The screen's own context has no surface: what is drawn there is not kept.
    const auto target = gdi.target(dc);
    if (!target)
        return S_OK;

    // Taken in 64 bits: the rectangle may span the whole range of coordinates.
    const std::int64_t width = std::int64_t { destination->right } - destination->left;
    const std::int64_t height = std::int64_t { destination->bottom } - destination->top;
    const std::int64_t left = std::int64_t { destination->left } + target->origin.x;
    const std::int64_t top = std::int64_t { destination->top } + target->origin.y;
    const RECT& clip = target->clip;
    const auto firstRow = static_cast<LONG>(std::max<std::int64_t>(top, clip.top));
    const auto endRow = static_cast<LONG>(std::min<std::int64_t>(top + height, clip.bottom));
    const auto firstColumn = static_cast<LONG>(std::max<std::int64_t>(left, clip.left));
    const auto endColumn = static_cast<LONG>(std::min<std::int64_t>(left + width, clip.right));
    for (LONG y = firstRow; y < endRow; ++y) {
        const LONG sourceY = sampled(y - top, height, from.top, from.bottom - from.top);
        for (LONG x = firstColumn; x < endColumn; ++x)
            target->surface.setPixel(x, y, m_picture.pixel(sampled(x - left, width, from.left, from.right - from.left), sourceY));
    }
    return S_OK;
}

}
