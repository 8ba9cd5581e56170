// The code-page functions of the device interface, carried out on the calling emulated thread through
// ICU's converters.
#include "platform/api/WinNls.h"

#include "platform/emu/CodePage.h"
#include "platform/emu/Device.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

using namespace emu;

namespace {

// Where UTF-8 meets a character it cannot carry (half a surrogate pair), it writes U+FFFD.
constexpr std::string_view utf8Replacement = "\xEF\xBF\xBD";

int failWith(DWORD error)
{
    SetLastError(error);
    return 0;
}

// The converter of a code page the caller names; CP_ACP is the device's ANSI code page.
std::unique_ptr<CodePage> openCodePage(UINT codePage)
{
    return CodePage::open(codePage == CP_ACP ? currentDevice().profile().ansiCodePage : codePage);
}

// Hands a converted text to the caller's buffer, or says how much room it needs.
template <class Char>
int deliver(const std::basic_string<Char>& converted, Char* output, int outputSize)
{
    const auto needed = static_cast<int>(converted.size());
    if (outputSize == 0)
        return needed;
    if (needed > outputSize)
        return failWith(ERROR_INSUFFICIENT_BUFFER);
    std::copy(converted.begin(), converted.end(), output);
    return needed;
}

bool validSizes(const void* input, int inputLength, const void* output, int outputSize)
{
    return input && inputLength != 0 && inputLength >= -1 && outputSize >= 0 && (outputSize == 0 || output);
}

}

UINT GetACP()
{
    return currentDevice().profile().ansiCodePage;
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR multiByteText, int multiByteLength, LPWSTR wideText, int wideSize)
{
    if (!validSizes(multiByteText, multiByteLength, wideText, wideSize))
        return failWith(ERROR_INVALID_PARAMETER);
    const auto converter = openCodePage(codePage);
    if (!converter)
        return failWith(ERROR_INVALID_PARAMETER);
    const std::string_view bytes = multiByteLength == -1
        ? std::string_view(multiByteText, std::strlen(multiByteText) + 1)
        : std::string_view(multiByteText, static_cast<std::size_t>(multiByteLength));
    return deliver(converter->decode(bytes), wideText, wideSize);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wideText, int wideLength, LPSTR multiByteText, int multiByteSize,
                        LPCSTR defaultChar, BOOL* usedDefaultChar)
{
    if (!validSizes(wideText, wideLength, multiByteText, multiByteSize))
        return failWith(ERROR_INVALID_PARAMETER);
    const auto converter = openCodePage(codePage);
    if (!converter)
        return failWith(ERROR_INVALID_PARAMETER);
    const bool utf8 = converter->number() == CP_UTF8;
    if (utf8 && (defaultChar || usedDefaultChar))
        return failWith(ERROR_INVALID_PARAMETER);
    const std::u16string_view text = wideLength == -1
        ? std::u16string_view(wideText, std::char_traits<char16_t>::length(wideText) + 1)
        : std::u16string_view(wideText, static_cast<std::size_t>(wideLength));
    const std::string_view replacement = utf8 ? utf8Replacement : std::string_view(defaultChar ? defaultChar : "?", 1);
    const CodePage::Encoded encoded = converter->encode(text, replacement);
    if (usedDefaultChar)
        *usedDefaultChar = encoded.replaced ? TRUE : FALSE;
    return deliver(encoded.bytes, multiByteText, multiByteSize);
}
