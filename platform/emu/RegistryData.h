// The bytes of registry values and what they hold. Numbers are little-endian, as on the device;
// texts are UTF-16 closed by a NUL that counts in the size; a list of texts closes each text with a
// NUL and the list with one more.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

std::vector<BYTE> dwordData(DWORD);
std::vector<BYTE> qwordData(std::uint64_t);
std::vector<BYTE> stringData(std::u16string_view);
// Each text must be non-empty: an empty one would end the list.
std::vector<BYTE> multiStringData(const std::vector<std::u16string>&);

// What the bytes hold; nullopt when they do not have that form: 4 bytes for a DWORD, 8 for a QWORD,
// a whole number of characters ending in NUL for a text (NULs inside stay part of it), texts with
// their NULs and a closing NUL for a list.
std::optional<DWORD> dwordOf(const std::vector<BYTE>&);
std::optional<std::uint64_t> qwordOf(const std::vector<BYTE>&);
std::optional<std::u16string> stringOf(const std::vector<BYTE>&);
std::optional<std::vector<std::u16string>> multiStringOf(const std::vector<BYTE>&);

}
