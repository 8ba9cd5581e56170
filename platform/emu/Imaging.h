// The device's imaging component: the factories and images it hands to programs, which live until their
// last reference is released (or the device goes away), and the decoding of picture files for them and
// for the shell's picture loader.
#pragma once

#include "platform/api/Imaging.h"
#include "platform/emu/Bitmap.h"

#include <memory>
#include <optional>
#include <vector>

namespace emu {

class ImagingObject;

class Imaging {
public:
    // Larger files are not read: no picture the device decodes needs more.
    static constexpr DWORD maxFileBytes = 128 * 1024 * 1024;

    Imaging();
    ~Imaging();
    Imaging(const Imaging&) = delete;
    Imaging& operator=(const Imaging&) = delete;

    // New objects with one reference each.
    IImagingFactory* createFactory();
    IImage* createImage(Bitmap picture);
    void destroy(const ImagingObject&);

    // The picture in a device file, read on the calling emulated thread; nullopt with the last error
    // set: the file's error, or ERROR_INVALID_DATA for a picture that cannot be decoded.
    static std::optional<Bitmap> decodeFile(LPCWSTR path);

    // ---- For drivers
    std::size_t liveObjects() const { return m_objects.size(); }

private:
    std::vector<std::unique_ptr<ImagingObject>> m_objects;
};

}
