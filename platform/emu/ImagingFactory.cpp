#include "platform/emu/ImagingFactory.h"

#include "platform/api/WinBase.h"
#include "platform/emu/ImageDecoder.h"
#include "platform/emu/Imaging.h"

#include <cstdint>
#include <span>

namespace emu {

ImagingFactory::ImagingFactory(Imaging& owner)
    : ImagingObject(owner)
{
}

HRESULT ImagingFactory::QueryInterface(REFIID interfaceId, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    if (interfaceId != IID_IUnknown && interfaceId != IID_IImagingFactory) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IImagingFactory*>(this);
    AddRef();
    return S_OK;
}

HRESULT ImagingFactory::CreateImageFromBuffer(const void* buffer, UINT size, BufferDisposalFlag disposal, IImage** image)
{
    if (!image)
        return E_POINTER;
    *image = nullptr;
    if ((!buffer && size > 0) || disposal != BufferDisposalFlagNone)
        return E_INVALIDARG;
    std::optional<Bitmap> picture = ImageDecoder::decode(std::span(static_cast<const std::uint8_t*>(buffer), size));
    if (!picture)
        return E_FAIL;
    *image = owner().createImage(std::move(*picture));
    return S_OK;
}

HRESULT ImagingFactory::CreateImageFromFile(LPCWSTR path, IImage** image)
{
    if (!image)
        return E_POINTER;
    *image = nullptr;
    if (!path)
        return E_INVALIDARG;
    std::optional<Bitmap> picture = Imaging::decodeFile(path);
    if (!picture) {
        const DWORD error = GetLastError();
        return error == ERROR_INVALID_DATA ? E_FAIL : HRESULT_FROM_WIN32(error);
    }
    *image = owner().createImage(std::move(*picture));
    return S_OK;
}

}
