// The imaging component: an image factory that makes images from pictures held in memory or in files
// (BMP, JPEG, PNG, GIF), and images that tell their size and draw themselves into a device context.
#pragma once

#include "platform/api/ObjBase.h"
#include "platform/api/WinGdi.h"

inline constexpr CLSID CLSID_ImagingFactory { 0x327ABDA8, 0x072B, 0x11D3, { 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E } };
inline constexpr IID IID_IImagingFactory { 0x327ABDA7, 0x072B, 0x11D3, { 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E } };
inline constexpr IID IID_IImage { 0x327ABDA9, 0x072B, 0x11D3, { 0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E } };

// What becomes of a buffer handed to CreateImageFromBuffer: with BufferDisposalFlagNone the caller
// keeps it.
enum BufferDisposalFlag {
    BufferDisposalFlagNone = 0,
};

struct ImageInfo {
    UINT Width;
    UINT Height;
    // Dots per inch of the picture; a source rectangle of Draw is measured in 0.01 mm at this density.
    double Xdpi;
    double Ydpi;
};

struct IImage : IUnknown {
    virtual HRESULT GetImageInfo(ImageInfo* info) = 0;
    // Draws the part `source` of the picture (in 0.01 mm; the whole picture when null) scaled into
    // `destination` (logical coordinates of the context).
    virtual HRESULT Draw(HDC dc, const RECT* destination, const RECT* source) = 0;

protected:
    ~IImage() = default;
};

struct IImagingFactory : IUnknown {
    // An image of the picture in `size` bytes at `buffer`; a picture the component cannot decode is
    // refused with E_FAIL.
    virtual HRESULT CreateImageFromBuffer(const void* buffer, UINT size, BufferDisposalFlag disposal, IImage** image) = 0;
    // An image of the picture file; a missing file fails with the file error's result.
    virtual HRESULT CreateImageFromFile(LPCWSTR path, IImage** image) = 0;

protected:
    ~IImagingFactory() = default;
};
