// The contacts object model (Pocket Outlook), as far as the programs use it: the application object
// with its log-on and new items, and the property interface of an item.
#pragma once

#include "platform/api/ObjBase.h"
#include "platform/api/WinDb.h"

inline constexpr IID IID_IDispatch { 0x00020400, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
// The application object and its interface.
inline constexpr CLSID CLSID_Application { 0x05058F23, 0x20BE, 0x11D2, { 0x8F, 0x18, 0x00, 0x00, 0xF8, 0x7A, 0x43, 0x35 } };
inline constexpr IID IID_IPOutlookApp { 0x05058F22, 0x20BE, 0x11D2, { 0x8F, 0x18, 0x00, 0x00, 0xF8, 0x7A, 0x43, 0x35 } };
// The property interface of an item.
inline constexpr IID IID_IItem { 0xFB8998D0, 0x38F0, 0x4D12, { 0xAC, 0x56, 0x4E, 0xC8, 0xFC, 0xE9, 0xF3, 0xD5 } };

// ---- Interfaces
struct IDispatch : IUnknown {
protected:
    ~IDispatch() = default;
};

// Item types of CreateItem.
constexpr int olContactItem = 2;

struct IPOutlookApp : IDispatch {
    virtual HRESULT Logon(HWND window) = 0;
    virtual HRESULT Logoff() = 0;
    // A new item of that type, not yet saved; the caller releases it.
    virtual HRESULT CreateItem(int itemType, IDispatch** item) = 0;

protected:
    ~IPOutlookApp() = default;
};

struct IItem : IDispatch {
    // Reads `count` properties of the item into one block taken from `heap` (the process heap when
    // null) with CEDB_ALLOWREALLOC, laid out as CeReadRecordPropsEx lays it out; the caller frees it
    // with HeapFree. Properties the item lacks come back flagged CEDB_PROPNOTFOUND.
    virtual HRESULT GetProps(const CEPROPID* ids, ULONG flags, WORD count, CEPROPVAL** values, ULONG* bufferSize, HANDLE heap) = 0;

protected:
    ~IItem() = default;
};
