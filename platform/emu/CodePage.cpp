#include "platform/emu/CodePage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

namespace emu {

namespace {

// What the from-Unicode callback needs: the bytes to write for a missing character, and whether it did.
struct Replacement {
    std::string_view bytes;
    bool used { false };
};

void writeReplacement(const void* context, UConverterFromUnicodeArgs* args, const UChar*, int32_t, UChar32,
                      UConverterCallbackReason reason, UErrorCode* error)
{
    if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR)
        return;
    // ICU hands the context back as it was given: a Replacement the encoding call owns.
    auto* replacement = static_cast<Replacement*>(const_cast<void*>(context));
    replacement->used = true;
    *error = U_ZERO_ERROR;
    ucnv_cbFromUWriteBytes(args, replacement->bytes.data(), static_cast<int32_t>(replacement->bytes.size()), 0, error);
}

}

void CodePage::Closer::operator()(UConverter* converter) const
{
    ucnv_close(converter);
}

std::unique_ptr<CodePage> CodePage::open(UINT number)
{
    // ICU names Windows code pages "windows-1251"; "windows-65001" is its UTF-8.
    const std::string name = "windows-" + std::to_string(number);
    UErrorCode error = U_ZERO_ERROR;
    std::unique_ptr<UConverter, Closer> converter(ucnv_open(name.c_str(), &error));
    if (U_FAILURE(error) || !converter)
        return nullptr;
    return std::unique_ptr<CodePage>(new CodePage(number, std::move(converter)));
}

CodePage::CodePage(UINT number, std::unique_ptr<UConverter, Closer> converter)
    : m_number(number)
    , m_converter(std::move(converter))
{
}

CodePage::~CodePage() = default;

std::u16string CodePage::decode(std::string_view bytes)
{
    if (bytes.empty())
        return {};
    const auto length = static_cast<int32_t>(bytes.size());
    UErrorCode error = U_ZERO_ERROR;
    const int32_t needed = ucnv_toUChars(m_converter.get(), nullptr, 0, bytes.data(), length, &error);
    std::u16string text(static_cast<std::size_t>(needed), u'\0');
    error = U_ZERO_ERROR;
    ucnv_toUChars(m_converter.get(), text.data(), needed, bytes.data(), length, &error);
    return text;
}

CodePage::Encoded CodePage::encode(std::u16string_view text, std::string_view replacement)
{
    if (text.empty())
        return { {}, false };
    Replacement state { replacement };
    UErrorCode error = U_ZERO_ERROR;
    ucnv_setFromUCallBack(m_converter.get(), writeReplacement, &state, nullptr, nullptr, &error);
    const auto length = static_cast<int32_t>(text.size());
    const int32_t needed = ucnv_fromUChars(m_converter.get(), nullptr, 0, text.data(), length, &error);
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    error = U_ZERO_ERROR;
    ucnv_fromUChars(m_converter.get(), bytes.data(), needed, text.data(), length, &error);
    return { std::move(bytes), state.used };
}

}
