#include "platform/emu/FontEngine.h"

#include "platform/emu/Text.h"

#include FT_DRIVER_H
#include FT_MODULE_H

#include <algorithm>
#include <stdexcept>

namespace emu {

namespace {

// The faces the device's own face names stand for. "Tahoma" is answered by DejaVu Sans Condensed,
// close to it in width and height, or by DejaVu Sans where the condensed face is not installed;
// these come first whatever the system's configuration prefers, so text looks the same on every host
// with these fonts.
constexpr const char* deviceAliases = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <match target="pattern">
    <test name="family" compare="eq"><string>Tahoma</string></test>
    <edit name="family" mode="prepend_first" binding="strong">
      <string>DejaVu Sans Condensed</string>
      <string>DejaVu Sans</string>
    </edit>
  </match>
</fontconfig>
)";

constexpr const char16_t* defaultFamily = u"Tahoma";

using Pattern = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;

}

void FontEngine::LibraryRelease::operator()(FT_Library library) const
{
    FT_Done_FreeType(library);
}

void FontEngine::ConfigurationRelease::operator()(FcConfig* configuration) const
{
    FcConfigDestroy(configuration);
}

FontEngine::FontEngine()
{
    FT_Library library = nullptr;
    if (const FT_Error error = FT_Init_FreeType(&library))
        throw std::runtime_error("FreeType cannot start (error " + std::to_string(error) + ")");
    m_library.reset(library);
    // The hinting of TrueType outlines is fixed here rather than taken from the environment.
    FT_UInt interpreter = TT_INTERPRETER_VERSION_40;
    FT_Property_Set(library, "truetype", "interpreter-version", &interpreter);
}

FontEngine::~FontEngine() = default;

FontFace& FontEngine::face(const LOGFONT& font)
{
    const std::u16string_view named(font.lfFaceName, std::find(font.lfFaceName, font.lfFaceName + LF_FACESIZE, u'\0'));
    const std::u16string family = named.empty() ? std::u16string(defaultFamily) : std::u16string(named);
    const LONG weight = font.lfWeight == 0 ? FW_NORMAL : font.lfWeight;
    const FaceKey key { foldCase(family), font.lfHeight, font.lfWidth, weight, font.lfItalic != 0, font.lfUnderline != 0,
                        font.lfStrikeOut != 0 };
    if (const auto it = m_faces.find(key); it != m_faces.end())
        return *it->second;
    FontFace::Synthesis synthesis {};
    FT_Face opened = openFace(family, weight, font.lfItalic != 0, synthesis);
    auto made = std::make_unique<FontFace>(opened, font, synthesis);
    return *m_faces.emplace(key, std::move(made)).first->second;
}

FT_Face FontEngine::openFace(const std::u16string& family, LONG weight, bool italic, FontFace::Synthesis& synthesis)
{
    FcConfig& config = configuration();
    const std::string familyName = toUtf8(family);
    const Pattern wanted(FcPatternCreate(), &FcPatternDestroy);
    FcPatternAddString(wanted.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(familyName.c_str()));
    FcPatternAddInteger(wanted.get(), FC_WEIGHT, FcWeightFromOpenType(static_cast<int>(weight)));
    FcPatternAddInteger(wanted.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(wanted.get(), FC_OUTLINE, FcTrue);
    FcConfigSubstitute(&config, wanted.get(), FcMatchPattern);
    FcDefaultSubstitute(wanted.get());
    FcResult result = FcResultNoMatch;
    const Pattern found(FcFontMatch(&config, wanted.get(), &result), &FcPatternDestroy);
    FcChar8* file = nullptr;
    if (!found || FcPatternGetString(found.get(), FC_FILE, 0, &file) != FcResultMatch)
        throw std::runtime_error("no font on this system answers \"" + familyName
                                 + "\"; install the fonts tools/install-packages lists");
    int index = 0;
    int foundWeight = FC_WEIGHT_REGULAR;
    int foundSlant = FC_SLANT_ROMAN;
    FcPatternGetInteger(found.get(), FC_INDEX, 0, &index);
    FcPatternGetInteger(found.get(), FC_WEIGHT, 0, &foundWeight);
    FcPatternGetInteger(found.get(), FC_SLANT, 0, &foundSlant);
    // Bold comes from a bold face where there is one; otherwise FreeType thickens the outlines.
    synthesis.bold = weight >= FW_SEMIBOLD && foundWeight < FC_WEIGHT_DEMIBOLD;
    synthesis.italic = italic && foundSlant == FC_SLANT_ROMAN;

    const std::string path = reinterpret_cast<const char*>(file);
    FT_Face face = nullptr;
    if (const FT_Error error = FT_New_Face(m_library.get(), path.c_str(), index, &face))
        throw std::runtime_error("cannot open font file " + path + " (FreeType error " + std::to_string(error) + ")");
    return face;
}

FcConfig& FontEngine::configuration()
{
    if (m_configuration)
        return *m_configuration;
    std::unique_ptr<FcConfig, ConfigurationRelease> loaded(FcInitLoadConfig());
    if (!loaded)
        throw std::runtime_error("fontconfig cannot load the system's font configuration");
    if (!FcConfigParseAndLoadFromMemory(loaded.get(), reinterpret_cast<const FcChar8*>(deviceAliases), FcTrue))
        throw std::runtime_error("fontconfig rejects the device's font aliases");
    if (!FcConfigBuildFonts(loaded.get()))
        throw std::runtime_error("fontconfig cannot list the system's fonts");
    m_configuration = std::move(loaded);
    return *m_configuration;
}

}
