// The device's libraries and their exports, looked up by LoadLibrary and GetProcAddress.
#pragma once

#include "platform/api/WinTypes.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace emu {

class LibraryTable {
public:
    explicit LibraryTable(const std::set<std::string>& missingEntries);

    void defineExport(const std::u16string& library, const std::string& name, WORD ordinal, FARPROC);

    // Null (and the error in `error`) when the library is not on the device.
    HMODULE load(const std::u16string& library, DWORD& error);
    bool release(HMODULE);
    FARPROC lookup(HMODULE, LPCWSTR nameOrOrdinal, DWORD& error) const;

private:
    struct Export {
        std::string name;
        WORD ordinal;
        FARPROC function;
    };
    struct Library {
        std::string name;
        std::vector<Export> exports;
        unsigned loads { 0 };
    };
    bool isMissing(const std::string& entry) const;
    Library* find(HMODULE);
    const Library* find(HMODULE) const;

    std::set<std::string> m_missing;
    // Keyed by the library's folded name; a library's module handle is derived from its position.
    std::vector<Library> m_libraries;
};

}
