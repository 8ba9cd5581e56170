// The imaging component's factory: makes images from pictures in memory and in device files. The
// pictures are decoded when the image is made, so a picture the device cannot decode is refused there.
#pragma once

#include "platform/api/Imaging.h"
#include "platform/emu/ImagingObject.h"

namespace emu {

class ImagingFactory final : public IImagingFactory, public ImagingObject {
public:
    explicit ImagingFactory(Imaging&);

    HRESULT QueryInterface(REFIID, LPVOID*) override;
    ULONG AddRef() override { return addReference(); }
    ULONG Release() override { return releaseReference(); }

    HRESULT CreateImageFromBuffer(const void* buffer, UINT size, BufferDisposalFlag, IImage** image) override;
    HRESULT CreateImageFromFile(LPCWSTR path, IImage** image) override;
};

}
