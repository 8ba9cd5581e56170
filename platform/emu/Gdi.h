// The device's drawing objects: device contexts bound to windows, and brushes.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstdint>
#include <map>
#include <optional>

namespace emu {

class Bitmap;
class WindowManager;

class Gdi {
public:
    explicit Gdi(WindowManager&);

    HDC windowContext(HWND);
    bool releaseContext(HDC);

    HBRUSH createBrush(COLORREF);
    bool deleteObject(HGDIOBJ);
    HBRUSH stockBrush(int index) const;
    HBRUSH systemColorBrush(int index) const;
    // The colour a brush paints with: a created brush, a stock brush, or a system colour index + 1.
    std::optional<COLORREF> brushColor(HBRUSH) const;
    static std::optional<COLORREF> systemColor(int index);

    // Where a context draws: the window's surface, the client area's offset on it and its size.
    struct Target {
        Bitmap& surface;
        POINT origin;
        RECT clip;
    };
    std::optional<Target> target(HDC) const;

private:
    WindowManager& m_windows;
    std::map<std::uintptr_t, HWND> m_contexts;
    std::map<std::uintptr_t, COLORREF> m_brushes;
    std::uintptr_t m_nextContext { 0x5000000 };
    std::uintptr_t m_nextObject { 0x6000000 };
};

}
