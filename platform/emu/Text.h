// Text conversions between the device's UTF-16 and the host's UTF-8, and the case folding used where
// the device compares names without regard to case (paths, window classes, library names).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace emu {

std::string toUtf8(std::u16string_view);
std::u16string fromUtf8(std::string_view);
char16_t foldCase(char16_t);
std::u16string foldCase(std::u16string_view);
bool equalsIgnoringCase(std::u16string_view, std::u16string_view);
// "0x0001000A": handles and message parameters in the transcript.
std::string hexText(std::uint64_t value);
// Quotes a text for the transcript: double quotes around it, line breaks written as \n.
std::string quotedText(std::u16string_view);

}
