#include "platform/emu/RegistryData.h"

namespace emu {

namespace {

std::vector<BYTE> numberData(std::uint64_t value, std::size_t size)
{
    std::vector<BYTE> data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<BYTE>(value >> (8 * i));
    return data;
}

std::uint64_t numberOf(const std::vector<BYTE>& data)
{
    std::uint64_t value = 0;
    for (std::size_t i = data.size(); i-- > 0;)
        value = (value << 8) | data[i];
    return value;
}

void appendUnits(std::vector<BYTE>& data, std::u16string_view text)
{
    for (const char16_t unit : text) {
        data.push_back(static_cast<BYTE>(unit & 0xFF));
        data.push_back(static_cast<BYTE>(unit >> 8));
    }
}

std::u16string unitsOf(const std::vector<BYTE>& data)
{
    std::u16string units(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return units;
}

}

std::vector<BYTE> dwordData(DWORD value)
{
    return numberData(value, 4);
}

std::vector<BYTE> qwordData(std::uint64_t value)
{
    return numberData(value, 8);
}

std::vector<BYTE> stringData(std::u16string_view text)
{
    std::vector<BYTE> data;
    appendUnits(data, text);
    appendUnits(data, std::u16string_view(u"\0", 1));
    return data;
}

std::vector<BYTE> multiStringData(const std::vector<std::u16string>& texts)
{
    std::vector<BYTE> data;
    for (const auto& text : texts) {
        appendUnits(data, text);
        appendUnits(data, std::u16string_view(u"\0", 1));
    }
    appendUnits(data, std::u16string_view(u"\0", 1));
    return data;
}

std::optional<DWORD> dwordOf(const std::vector<BYTE>& data)
{
    if (data.size() != 4)
        return std::nullopt;
    return static_cast<DWORD>(numberOf(data));
}

std::optional<std::uint64_t> qwordOf(const std::vector<BYTE>& data)
{
    if (data.size() != 8)
        return std::nullopt;
    return numberOf(data);
}

std::optional<std::u16string> stringOf(const std::vector<BYTE>& data)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return std::nullopt;
    std::u16string units = unitsOf(data);
    if (units.back() != 0)
        return std::nullopt;
    units.pop_back();
    return units;
}

std::optional<std::vector<std::u16string>> multiStringOf(const std::vector<BYTE>& data)
{
    const auto units = stringOf(data);
    if (!units)
        return std::nullopt;
    // What is left after the closing NUL: each text followed by its own NUL.
    std::vector<std::u16string> texts;
    std::size_t start = 0;
    while (start < units->size()) {
        const std::size_t end = units->find(u'\0', start);
        if (end == std::u16string::npos || end == start)
            return std::nullopt;
        texts.push_back(units->substr(start, end - start));
        start = end + 1;
    }
    return texts;
}

}
