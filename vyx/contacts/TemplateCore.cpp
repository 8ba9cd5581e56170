// Template cores: the match of a template core against a number core, and the fill.
#include "vyx/contacts/TemplateCore.h"

#include "common/Str.h"
#include "vyx/contacts/PhoneDigits.h"

#include <algorithm>
#include <string>

namespace vyx {

namespace {

// Characters a number core may not hold, and that a template core's decoration may hold beside what
// the number carries.
constexpr std::u16string_view separators = u"()[]{}=-~\\|/_ ";

bool isOneOf(char16_t character, std::u16string_view set) { return set.find(character) != std::u16string_view::npos; }

Str lowered(std::u16string_view text)
{
    const std::u16string terminated(text);
    Str lower(terminated.c_str());
    lower.MakeLower();
    return lower;
}

}

std::size_t SlotCount(std::u16string_view templateText)
{
    return static_cast<std::size_t>(
        std::count_if(templateText.begin(), templateText.end(), [](char16_t character) { return isOneOf(character, templateSlots); }));
}

bool EqualIgnoringCase(std::u16string_view first, std::u16string_view second)
{
    return first.size() == second.size() && lowered(first) == lowered(second);
}

bool TemplateCoreMatches(std::u16string_view templateCore, std::u16string_view numberCore)
{
    if (templateCore.empty() || numberCore.empty())
        return false;
    if (numberCore.find_first_of(separators) != std::u16string_view::npos)
        return false;
    // The slots of the template and the digits of the number, in step.
    std::size_t digitAt = 0;
    for (const char16_t slot : templateCore) {
        if (!isOneOf(slot, templateSlots))
            continue;
        while (digitAt < numberCore.size() && !PhoneDigits::IsDigit(numberCore[digitAt]))
            ++digitAt;
        if (digitAt == numberCore.size())
            return false;
        if (slot != u'#' && slot != numberCore[digitAt])
            return false;
        ++digitAt;
    }
    while (digitAt < numberCore.size() && !PhoneDigits::IsDigit(numberCore[digitAt]))
        ++digitAt;
    if (digitAt != numberCore.size())
        return false;
    // What is left of both besides slots, digits and separators must agree.
    std::u16string templateRest;
    for (const char16_t character : templateCore) {
        if (!isOneOf(character, templateSlots) && !isOneOf(character, separators))
            templateRest += character;
    }
    std::u16string numberRest;
    for (const char16_t character : numberCore) {
        if (!PhoneDigits::IsDigit(character))
            numberRest += character;
    }
    return EqualIgnoringCase(templateRest, numberRest);
}

std::optional<FormatBuffer> FillTemplateCore(std::u16string_view templateCore, std::u16string_view digits)
{
    const auto hashes = static_cast<std::size_t>(std::count(templateCore.begin(), templateCore.end(), u'#'));
    const std::u16string_view filled = hashes == digits.size() ? std::u16string_view(u"#") : templateSlots;
    if (hashes != digits.size() && SlotCount(templateCore) != digits.size())
        return std::nullopt;
    FormatBuffer result;
    std::size_t next = 0;
    for (const char16_t character : templateCore)
        result.Append(isOneOf(character, filled) ? digits[next++] : character);
    if (result.Overflowed())
        return std::nullopt;
    return result;
}

}
