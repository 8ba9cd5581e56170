#include "platform/emu/Imaging.h"

#include "platform/api/FileApi.h"
#include "platform/emu/DecodedImage.h"
#include "platform/emu/DeviceFile.h"
#include "platform/emu/ImageDecoder.h"
#include "platform/emu/ImagingFactory.h"

#include <algorithm>
#include <cstdint>

namespace emu {

Imaging::Imaging() = default;
Imaging::~Imaging() = default;

IImagingFactory* Imaging::createFactory()
{
    auto factory = std::make_unique<ImagingFactory>(*this);
    IImagingFactory* reference = factory.get();
    m_objects.push_back(std::move(factory));
    return reference;
}

IImage* Imaging::createImage(Bitmap picture)
{
    auto image = std::make_unique<DecodedImage>(*this, std::move(picture));
    IImage* reference = image.get();
    m_objects.push_back(std::move(image));
    return reference;
}

void Imaging::destroy(const ImagingObject& object)
{
    std::erase_if(m_objects, [&](const auto& owned) { return owned.get() == &object; });
}

std::optional<Bitmap> Imaging::decodeFile(LPCWSTR path)
{
    const auto bytes = readDeviceFile(path, maxFileBytes);
    if (!bytes)
        return std::nullopt;
    std::optional<Bitmap> picture = ImageDecoder::decode(*bytes);
    if (!picture)
        SetLastError(ERROR_INVALID_DATA);
    return picture;
}

}
