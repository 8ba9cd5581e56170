// The registry as a text file in the device folder's ".devemu" entry, one line per key and per value:
//
//     Korvane device registry 1
//     [HKEY_CURRENT_USER\Software\Korvane\PIM\Settings]
//     "RecallDelay"=dword:00000005
//     "SkinPath"=sz:"\Skins\Blue.skn"
//     "Colors"=binary:01,ff,0a
//     "Temp Time"=qword:01dc2a8b5e4c0000
//     "Names"=multi_sz:"one","two"
//     "Odd"=hex(4):01,02
//     end
//
// Keys come one below the other, each after its parent. Names and texts are UTF-8; a control
// character, '%', '"' or a lone surrogate is written as %HHHH, its UTF-16 code in hex. A value whose
// bytes do not fit its type's form is written as hex(TYPE). The closing "end" tells a whole file from
// a cut one.
#pragma once

#include "platform/emu/RegistryKey.h"

#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace emu {

class RegistryFile {
public:
    explicit RegistryFile(std::filesystem::path file);

    const std::filesystem::path& path() const { return m_file; }

    // Fills the roots, found by name, from the file; a missing file leaves them as they are. For a
    // damaged file, returns "FILE:LINE: what is wrong", the roots then holding what came before it.
    std::string load(std::span<const std::shared_ptr<RegistryKey>> roots) const;
    // Writes the roots to a temporary file beside, flushes it to the disk and renames it over the
    // file, then flushes the folder: an interruption at any point leaves the old file or the new one,
    // each whole. Returns what went wrong, or an empty string.
    std::string save(std::span<const std::shared_ptr<RegistryKey>> roots) const;

    // The text save writes.
    static std::string format(std::span<const std::shared_ptr<RegistryKey>> roots);

private:
    std::filesystem::path m_file;
};

}
