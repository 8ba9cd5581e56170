// Charset decoding through ICU: a strict UTF-8 conversion for the common case, a converter stopping
// at the first undefined byte for the others.
#include "emulator/addressbook/CharsetDecoder.h"

#include "emulator/addressbook/AsciiText.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>

namespace devemu {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

std::optional<std::u16string> decodeUtf8(std::string_view bytes, std::string& error)
{
    std::u16string text(bytes.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(text.data(), static_cast<int32_t>(text.size()), &length, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) {
        error = "text that is not valid UTF-8";
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}

std::optional<std::u16string> decodeCharset(std::string_view bytes, const std::string& charset, std::string& error)
{
    // ICU counts in 32-bit lengths, and the buffer below holds two units a byte.
    if (bytes.size() > 0x3FFFFFFF) {
        error = "a value longer than 1 GiB";
        return std::nullopt;
    }
    if (equalsAsciiIgnoringCase(charset, "UTF-8"))
        return decodeUtf8(bytes, error);
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(charset.c_str(), &status));
    if (U_FAILURE(status) || !converter) {
        error = "unknown CHARSET " + charset;
        return std::nullopt;
    }
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    // No charset ICU knows yields more than two UTF-16 units for a byte.
    std::u16string text(bytes.size() * 2 + 1, u'\0');
    const int32_t length = ucnv_toUChars(converter.get(), text.data(), static_cast<int32_t>(text.size()), bytes.data(),
        static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) {
        error = "text that is not valid " + charset;
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}
