// The component library: class and interface identifiers, the reference-counted base interface, and
// starting the library and creating objects by class. Interfaces are reference counted: each reference
// handed out is given back with Release.
#pragma once

#include "platform/api/WinTypes.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];

    bool operator==(const GUID&) const = default;
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr IID IID_IUnknown { 0x00000000, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };

struct IUnknown;

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);

// Starts the library on the calling thread: S_OK the first time, S_FALSE when it runs there already.
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID interfaceId, LPVOID* object);

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID interfaceId, LPVOID* object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
