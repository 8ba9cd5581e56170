// The device's drawing objects: device contexts bound to windows (or to the screen) with their
// selected font, brush and text colours, brushes, and logical fonts resolved through the font engine.
#pragma once

#include "platform/api/WinGdi.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

namespace emu {

class Bitmap;
class FontEngine;
class FontFace;
class WindowManager;

class Gdi {
public:
    explicit Gdi(WindowManager&);
    ~Gdi();
    Gdi(const Gdi&) = delete;
    Gdi& operator=(const Gdi&) = delete;

    // A context of the window; a null window gives a context of the screen, good for measuring.
    HDC windowContext(HWND);
    bool releaseContext(HDC);

    // What a context draws with.
    struct ContextState {
        HWND window;
        HGDIOBJ font;
        HGDIOBJ brush;
        COLORREF textColor;
        COLORREF backgroundColor;
        int backgroundMode;
    };
    ContextState* context(HDC);
    // Selects a font or a brush; returns the object of that kind it replaces, null when either is unknown.
    HGDIOBJ select(HDC, HGDIOBJ);

    HBRUSH createBrush(COLORREF);
    HFONT createFont(const LOGFONT&);
    // False for an unknown object and for one still selected into a context.
    bool deleteObject(HGDIOBJ);
    // A stock brush or the system font, by GetStockObject's index.
    HGDIOBJ stockObject(int index) const;
    HBRUSH systemColorBrush(int index) const;
    // The colour a brush paints with: a created brush, a stock brush, or a system colour index + 1.
    std::optional<COLORREF> brushColor(HBRUSH) const;
    static std::optional<COLORREF> systemColor(int index);

    // A created font or the system font, as described when created; the system font's height
    // follows the screen's dots per inch.
    std::optional<LOGFONT> logicalFont(HGDIOBJ, int dpi) const;
    static LOGFONT systemFont(int dpi);
    // The face the context's font resolves to.
    FontFace* currentFace(HDC, int dpi);

    // Where a context draws: the window's surface, the client area's offset on it and its size.
    struct Target {
        Bitmap& surface;
        POINT origin;
        RECT clip;
    };
    std::optional<Target> target(HDC) const;

private:
    bool isBrush(std::uintptr_t) const;
    bool isFont(std::uintptr_t) const;
    bool isSelected(HGDIOBJ) const;

    WindowManager& m_windows;
    std::unique_ptr<FontEngine> m_fontEngine;
    std::map<std::uintptr_t, ContextState> m_contexts;
    std::map<std::uintptr_t, COLORREF> m_brushes;
    std::map<std::uintptr_t, LOGFONT> m_fonts;
    std::uintptr_t m_nextContext { 0x5000000 };
    std::uintptr_t m_nextObject { 0x6000000 };
};

}
