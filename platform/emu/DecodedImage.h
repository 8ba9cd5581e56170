// An image of the imaging component: a decoded picture that tells its size and draws itself, scaled by
// nearest-pixel sampling, into a rectangle of a device context.
#pragma once

#include "platform/api/Imaging.h"
#include "platform/emu/Bitmap.h"
#include "platform/emu/ImagingObject.h"

namespace emu {

class DecodedImage final : public IImage, public ImagingObject {
public:
    // The density pictures are taken at: it turns a source rectangle in 0.01 mm into pixels.
    static constexpr int dotsPerInch = 96;

    DecodedImage(Imaging&, Bitmap picture);

    HRESULT QueryInterface(REFIID, LPVOID*) override;
    ULONG AddRef() override { return addReference(); }
    ULONG Release() override { return releaseReference(); }

    HRESULT GetImageInfo(ImageInfo* info) override;
    HRESULT Draw(HDC dc, const RECT* destination, const RECT* source) override;

private:
    Bitmap m_picture;
};

}
