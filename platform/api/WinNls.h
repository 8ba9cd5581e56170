// Code pages of the device's 8-bit text and conversions between them and UTF-16.
#pragma once

#include "platform/api/WinBase.h"

using CHAR = char;
using LPSTR = CHAR*;
using LPCSTR = const CHAR*;

// The device's ANSI code page (1251 on a Russian phone), and UTF-8.
constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

UINT GetACP();

// In both directions: the flags are accepted and not looked at; an input length of -1 means a
// NUL-terminated text, and the NUL is converted with it; an output size of 0 asks for the size the
// output needs, and nothing is written. An output that does not fit fails the call with
// ERROR_INSUFFICIENT_BUFFER; an unknown code page with ERROR_INVALID_PARAMETER. Both return the
// number of characters (bytes on the 8-bit side) written or needed, 0 on failure.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText, int multiByteLength, LPWSTR wideText,
                        int wideSize);
// Characters the code page lacks become `defaultChar` ("?" when null), and `usedDefaultChar` says whether
// that happened. For CP_UTF8 both must be null.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideLength, LPSTR multiByteText,
                        int multiByteSize, LPCSTR defaultChar, BOOL* usedDefaultChar);
