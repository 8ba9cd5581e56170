// The device's fonts: fontconfig finds the face file for a logical font ("Tahoma" is answered by a
// metric-close free face of the system), FreeType renders it. Every face at every size asked for is
// kept, with its glyphs, for the life of the device.
#pragma once

#include "platform/api/WinGdi.h"
#include "platform/emu/FontFace.h"

#include <fontconfig/fontconfig.h>

#include <compare>
#include <map>
#include <memory>
#include <string>

namespace emu {

class FontEngine {
public:
    FontEngine();
    ~FontEngine();
    FontEngine(const FontEngine&) = delete;
    FontEngine& operator=(const FontEngine&) = delete;

    // The face for a logical font whose height is not 0. Throws when the system has no font to offer.
    FontFace& face(const LOGFONT&);

private:
    struct FaceKey {
        std::u16string family;
        LONG height;
        LONG width;
        LONG weight;
        bool italic;
        bool underline;
        bool strikeOut;
        auto operator<=>(const FaceKey&) const = default;
    };
    struct LibraryRelease {
        void operator()(FT_Library) const;
    };
    struct ConfigurationRelease {
        void operator()(FcConfig*) const;
    };

    // Opens the file fontconfig matches to the family, weight and slant, and says what it lacks.
    FT_Face openFace(const std::u16string& family, LONG weight, bool italic, FontFace::Synthesis&);
    // The system's font configuration with the device's own aliases, loaded on first use.
    FcConfig& configuration();

    std::unique_ptr<FT_LibraryRec_, LibraryRelease> m_library;
    std::unique_ptr<FcConfig, ConfigurationRelease> m_configuration;
    std::map<FaceKey, std::unique_ptr<FontFace>> m_faces;
};

}
