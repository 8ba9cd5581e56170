// NumberFormatter: loading the templates and the two passes that format a number.
#include "vyx/contacts/NumberFormatter.h"

#include "common/SettingsStore.h"
#include "common/Str.h"
#include "vyx/contacts/PhoneDigits.h"
#include "vyx/contacts/TemplateCore.h"

#include <cstddef>

namespace vyx {

namespace {

constexpr LPCWSTR templatesKey = u"Templates";

// Characters of dial strings that are never reformatted: service codes, pauses and waits.
constexpr std::u16string_view dialControls = u"*#,wW";

}

void NumberFormatter::LoadTemplates()
{
    const DWORD count = SettingsStore::GetDword(templatesKey, u"Count", 0);
    std::vector<std::u16string> stored;
    for (DWORD index = 0; index < count; ++index) {
        Str name;
        name.Format(u"%u", index);
        const Str text = SettingsStore::GetString(templatesKey, name, u"");
        stored.emplace_back(static_cast<LPCWSTR>(text), static_cast<std::size_t>(text.GetLength()));
    }
    UseTemplates(stored);
}

void NumberFormatter::UseTemplates(const std::vector<std::u16string>& stored)
{
    m_templates.clear();
    m_enabled = true;
    for (const std::u16string& text : stored) {
        if (NumberTemplate::IsUsable(text))
            m_templates.emplace_back(text);
    }
}

bool NumberFormatter::FormatNumber(std::u16string& number) const
{
    if (!m_enabled || m_templates.empty() || number.empty() || number.find_first_of(dialControls) != std::u16string::npos)
        return false;
    const PhoneDigits digits = PhoneDigits::DigitsOnly(number);
    if (digits.IsEmpty())
        return false;
    const NumberParts parts = NumberParts::Split(number, NumberParts::numberCoreSet);
    if (!parts.Fits())
        return false;
    // The core without its dashes and blanks, which the templates place themselves.
    FormatBuffer core;
    for (const char16_t character : parts.core.Text()) {
        if (character != u'-' && character != u' ')
            core.Append(character);
    }
    for (const bool literalDigitsOnly : { true, false }) {
        for (const NumberTemplate& candidate : m_templates) {
            if ((literalDigitsOnly && !candidate.HasLiteralDigit()) || candidate.SlotCount() != digits.Length())
                continue;
            if (const auto formatted = applyTemplate(candidate, parts, core.Text(), digits.Text())) {
                number = formatted->Text();
                return true;
            }
        }
    }
    return false;
}

std::optional<FormatBuffer> NumberFormatter::applyTemplate(const NumberTemplate& numberTemplate, const NumberParts& number,
                                                           std::u16string_view numberCore, std::u16string_view digits)
{
    const NumberParts pattern = NumberParts::Split(numberTemplate.Text(), NumberParts::templateCoreSet);
    if (!pattern.Fits())
        return std::nullopt;
    if (!number.opening.IsEmpty() && pattern.opening.Text().find(number.opening.Text()) == std::u16string_view::npos)
        return std::nullopt;
    if (!number.closing.IsEmpty() && pattern.closing.Text().find(number.closing.Text()) == std::u16string_view::npos)
        return std::nullopt;
    if (!TemplateCoreMatches(pattern.core.Text(), numberCore))
        return std::nullopt;
    const auto filled = FillTemplateCore(pattern.core.Text(), digits);
    if (!filled)
        return std::nullopt;

    FormatBuffer result;
    if (!pattern.text.IsEmpty() && !EqualIgnoringCase(pattern.text.Text(), number.text.Text())) {
        result.Append(pattern.text.Text());
        result.Append(u' ');
    }
    result.Append(number.text.Text());
    result.Append(number.opening.IsEmpty() ? pattern.opening.Text() : number.opening.Text());
    result.Append(filled->Text());
    result.Append(number.closing.IsEmpty() ? pattern.closing.Text() : number.closing.Text());
    result.Append(number.trailing.Text());
    if (!pattern.trailing.IsEmpty() && !EqualIgnoringCase(pattern.trailing.Text(), number.trailing.Text())) {
        result.Append(u' ');
        result.Append(pattern.trailing.Text());
    }
    if (result.Overflowed())
        return std::nullopt;
    return result;
}

}
