// Drawing on the device: device contexts, brushes and fills.
#pragma once

#include "platform/api/WinTypes.h"

constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNTEXT = 18;
DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
HGDIOBJ GetStockObject(int object);
HBRUSH CreateSolidBrush(COLORREF color);
BOOL DeleteObject(HGDIOBJ object);

int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

// ---- Bitmaps and memory contexts

// A bitmap as GetObject describes it; bmBits points at the pixels of a device-independent bitmap made by
// CreateDIBSection, and is null for a device bitmap.
struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

constexpr DWORD BI_RGB = 0;
// A positive height stores the rows bottom-up, a negative one top-down.
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

// A context that draws into the bitmap selected into it; `dc` (or the screen, when null) gives its
// device. DeleteDC ends it.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);

constexpr UINT DIB_RGB_COLORS = 0;
// A device-independent bitmap whose pixels the program reads and writes at `*bits`: 24 bits a pixel in
// the order blue, green, red, rows padded to four bytes. The device makes only 24-bit BI_RGB bitmaps in
// its own memory (`section` null), of at most 16 megapixels.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);

// ---- Fonts and text

using HFONT = HGDIOBJ;

struct SIZE {
    LONG cx;
    LONG cy;
};

constexpr int LF_FACESIZE = 32;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE CLEARTYPE_QUALITY = 5;

// A logical font. A negative height is the character height in pixels, a positive one the height of
// the character cell; 0 takes the system font's height.
struct LOGFONT {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};

struct TEXTMETRIC {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};

// The system font for GetStockObject: "Tahoma", 12 pixels high at 96 dots per inch, normal weight.
constexpr int SYSTEM_FONT = 13;
HFONT CreateFontIndirect(const LOGFONT* font);
// Fills `buffer` with the object's description (a LOGFONT for a font, a BITMAP for a bitmap); returns
// the bytes written, or the size needed when `buffer` is null.
int GetObject(HGDIOBJ object, int size, LPVOID buffer);
// Selects a font or a brush into the context, or a bitmap into a memory context (a bitmap is selected
// into one context at a time); returns the one it replaces.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
int GetDeviceCaps(HDC dc, int index);

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
BOOL GetTextExtentPoint32(HDC dc, LPCWSTR text, int count, SIZE* size);
// Also tells how many characters fit in `maxExtent` and the extent after each character.
BOOL GetTextExtentExPoint(HDC dc, LPCWSTR text, int count, int maxExtent, int* fit, int* extents, SIZE* size);

constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
// Draws `count` characters with the top left of the first at (x, y); `advances` may give each
// character's advance.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const int* advances);

constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;
// Draws formatted text in a rectangle; `count` -1 reads up to the terminating zero. Returns the text's
// height (with DT_VCENTER or DT_BOTTOM, the offset of its bottom from the rectangle's top).
int DrawText(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format);
