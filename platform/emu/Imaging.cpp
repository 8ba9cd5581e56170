#include "platform/emu/Imaging.h"

#include "platform/api/FileApi.h"
#include "platform/emu/DecodedImage.h"
#include "platform/emu/ImageDecoder.h"
#include "platform/emu/ImagingFactory.h"

#include <algorithm>
#include <cstdint>

namespace emu {

namespace {
std::optional<std::vector<std::uint8_t>> readFile(LPCWSTR path)
{
    const HANDLE file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const DWORD size = GetFileSize(file, nullptr);
    if (size > Imaging::maxFileBytes) {
        CloseHandle(file);
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(size);
    DWORD read = 0;
    const BOOL readable = ReadFile(file, bytes.data(), size, &read, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!readable) {
        SetLastError(error);
        return std::nullopt;
    }
    bytes.resize(read);
    return bytes;
}
}

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
    const auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    std::optional<Bitmap> picture = ImageDecoder::decode(*bytes);
    if (!picture)
        SetLastError(ERROR_INVALID_DATA);
    return picture;
}

}
