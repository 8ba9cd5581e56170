// The device's drawing objects: device contexts bound to windows (or to the screen), and memory
// contexts drawing into a selected bitmap, with their selected font, brush and text colours; brushes,
// bitmaps, and logical fonts resolved through the font engine.
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
    // A context that draws into the bitmap selected into it; it starts with a stock 1 x 1 bitmap.
    HDC memoryContext();
    // Ends a memory context; false for any other.
    bool deleteMemoryContext(HDC);

    // What a context draws with.
    struct ContextState {
        HWND window;
        HGDIOBJ font;
        HGDIOBJ brush;
        COLORREF textColor;
        COLORREF backgroundColor;
        int backgroundMode;
        // The selected bitmap of a memory context; null for a window's or the screen's context.
        HGDIOBJ bitmap;
    };
    ContextState* context(HDC);
    // Selects a font or a brush, or a bitmap into a memory context; returns the object of that kind it
    // replaces, null when either is unknown or the bitmap is selected elsewhere.
    HGDIOBJ select(HDC, HGDIOBJ);

    HBRUSH createBrush(COLORREF);
    HFONT createFont(const LOGFONT&);
    HBITMAP createBitmap(Bitmap);
    // A created bitmap or the stock one; null for anything else.
    Bitmap* bitmap(HGDIOBJ) const;
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
    bool isBitmap(std::uintptr_t) const;
    bool isSelected(HGDIOBJ) const;

    WindowManager& m_windows;
    std::unique_ptr<FontEngine> m_fontEngine;
    std::map<std::uintptr_t, ContextState> m_contexts;
    std::map<std::uintptr_t, COLORREF> m_brushes;
    std::map<std::uintptr_t, LOGFONT> m_fonts;
    std::map<std::uintptr_t, std::unique_ptr<Bitmap>> m_bitmaps;
    // What a new memory context draws into until a bitmap of the program's is selected.
    std::unique_ptr<Bitmap> m_stockBitmap;
    std::uintptr_t m_nextContext { 0x5000000 };
    std::uintptr_t m_nextObject { 0x6000000 };
};

}
