// PimInfoBlock: the tokens of the block, its sections and the entries of each kind.
#include "vyx/contacts/PimInfoBlock.h"

#include "platform/api/WinBase.h"
#include "platform/api/WinNls.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vyx {

namespace {

constexpr std::u16string_view specialCharacters = u":;[]";
constexpr std::size_t addressPartLimit = ContactExtras::Address::partCount + 1;

bool isSpace(char16_t character)
{
    return character == u' ' || (character >= u'\t' && character <= u'\r');
}

bool isDigit(char16_t character)
{
    return character >= u'0' && character <= u'9';
}

// Letters of every cased script (Latin, Cyrillic, Greek...): the characters with distinct upper- and
// lower-case forms.
bool isLetter(char16_t character)
{
    if (character < 0x80)
        return (character >= u'a' && character <= u'z') || (character >= u'A' && character <= u'Z');
    char16_t lower = character;
    char16_t upper = character;
    CharLowerBuff(&lower, 1);
    CharUpperBuff(&upper, 1);
    return lower != upper;
}

bool beginsWithLetter(std::u16string_view text)
{
    return !text.empty() && isLetter(text.front());
}

bool beginsWithLetterOrDigit(std::u16string_view text)
{
    return !text.empty() && (isLetter(text.front()) || isDigit(text.front()));
}

// Drops trailing white space and the backslash in front of each protected special character.
std::u16string cleaned(std::u16string_view raw)
{
    while (!raw.empty() && isSpace(raw.back()))
        raw.remove_suffix(1);
    std::u16string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const bool protects = raw[i] == u'\\' && i + 1 < raw.size() && specialCharacters.find(raw[i + 1]) != std::u16string_view::npos;
        if (!protects)
            text += raw[i];
    }
    return text;
}

}

std::optional<ContactExtras> PimInfoBlock::Parse(std::u16string_view block)
{
    return PimInfoBlock(block).ParseSections();
}

PimInfoBlock::PimInfoBlock(std::u16string_view block)
    : m_block(block)
{
}

std::optional<ContactExtras> PimInfoBlock::ParseSections()
{
    for (;;) {
        SkipSpace();
        if (PeekKind() == TokenKind::End)
            return std::move(m_extras);
        const Value name = ReadValue();
        if (name.terminator != TokenKind::Colon || !beginsWithLetter(name.text))
            return std::nullopt;
        const SectionKind kind = KindOf(name.text);
        // An unknown section is passed over from its name on, up to and including the next ']'.
        if (kind == SectionKind::Unknown && !SkipPastClose(false))
            return std::nullopt;
        if (!ReadEntries(kind))
            return std::nullopt;
    }
}

bool PimInfoBlock::ReadEntries(SectionKind kind)
{
    for (;;) {
        SkipSpace();
        if (PeekKind() != TokenKind::Open)
            return true;
        Next();
        // The further entries of an unknown section are passed over one by one.
        if (kind == SectionKind::Unknown) {
            if (!SkipPastClose(true))
                return false;
            continue;
        }
        const EntryOutcome outcome = ReadEntry(kind);
        switch (outcome) {
        case EntryOutcome::Read:
            break;
        case EntryOutcome::BrokenInside:
        case EntryOutcome::BrokenAfterClose:
            if (!SkipPastClose(outcome == EntryOutcome::BrokenInside))
                return false;
            break;
        case EntryOutcome::EndedInside:
            return false;
        }
    }
}

PimInfoBlock::EntryOutcome PimInfoBlock::ReadEntry(SectionKind kind)
{
    switch (kind) {
    case SectionKind::Messenger:
        return ReadMessengerEntry();
    case SectionKind::Address:
        return ReadAddressEntry();
    default:
        return ReadPairEntry(kind);
    }
}

PimInfoBlock::EntryOutcome PimInfoBlock::ReadPairEntry(SectionKind kind)
{
    Value label = ReadValue();
    if (label.terminator != TokenKind::Colon || !beginsWithLetterOrDigit(label.text))
        return BrokenAt(label.terminator);
    Value value = ReadValue();
    if (value.terminator != TokenKind::Close)
        return BrokenAt(value.terminator);
    if (value.text.empty())
        return EntryOutcome::Read;
    if (kind == SectionKind::Date) {
        // A value that is not a date drops the entry without breaking the section.
        if (const auto time = DateOf(value.text))
            m_extras.datedEntries.push_back({ std::move(label.text), *time });
        return EntryOutcome::Read;
    }
    PairList(m_extras, kind)->push_back({ std::move(label.text), std::move(value.text) });
    return EntryOutcome::Read;
}

PimInfoBlock::EntryOutcome PimInfoBlock::ReadMessengerEntry()
{
    Value label = ReadValue();
    if (label.terminator != TokenKind::Colon || !beginsWithLetterOrDigit(label.text))
        return BrokenAt(label.terminator);
    Value first = ReadValue();
    if (first.terminator != TokenKind::Semicolon)
        return BrokenAt(first.terminator);
    Value second = ReadValue();
    if (second.terminator != TokenKind::Close)
        return BrokenAt(second.terminator);
    if (!second.text.empty())
        m_extras.messengers.push_back({ std::move(label.text), std::move(second.text), std::move(first.text) });
    return EntryOutcome::Read;
}

PimInfoBlock::EntryOutcome PimInfoBlock::ReadAddressEntry()
{
    Value name = ReadValue();
    if (name.terminator != TokenKind::Colon || !beginsWithLetterOrDigit(name.text))
        return BrokenAt(name.terminator);
    std::vector<std::u16string> parts;
    TokenKind terminator = TokenKind::Semicolon;
    while (terminator == TokenKind::Semicolon && parts.size() < addressPartLimit) {
        Value part = ReadValue();
        parts.push_back(std::move(part.text));
        terminator = part.terminator;
    }
    if (terminator != TokenKind::Close)
        return BrokenAt(terminator);

    DWORD number = 0;
    if (parts.size() == addressPartLimit && !parts.back().empty()) {
        const auto sixth = NumberOf(parts.back());
        if (!sixth)
            return EntryOutcome::BrokenAfterClose;
        number = *sixth;
    }
    if (parts.size() == 1) {
        const std::array<std::pair<std::u16string_view, DWORD*>, 3> fixedNumbers { {
            { u"Home", &m_extras.homeNumber },
            { u"Business", &m_extras.businessNumber },
            { u"Other", &m_extras.otherNumber },
        } };
        const auto fixed = std::find_if(fixedNumbers.begin(), fixedNumbers.end(), [&](const auto& entry) { return entry.first == name.text; });
        if (fixed != fixedNumbers.end()) {
            if (const auto value = NumberOf(parts.front())) {
                *fixed->second = *value;
                return EntryOutcome::Read;
            }
        }
    }

    ContactExtras::Address address;
    address.name = std::move(name.text);
    address.number = number;
    for (std::size_t i = 0; i < address.parts.size() && i < parts.size(); ++i)
        address.parts[i] = std::move(parts[i]);
    const bool allEmpty = std::all_of(address.parts.begin(), address.parts.end(), [](const std::u16string& part) { return part.empty(); });
    if (!allEmpty)
        m_extras.addresses.push_back(std::move(address));
    return EntryOutcome::Read;
}

bool PimInfoBlock::SkipPastClose(bool insideEntry)
{
    for (;;) {
        switch (Next().kind) {
        case TokenKind::Close:
            return true;
        case TokenKind::Open:
            insideEntry = true;
            break;
        case TokenKind::End:
            return !insideEntry;
        default:
            break;
        }
    }
}

bool PimInfoBlock::IsSpecialAt(std::size_t position) const
{
    return specialCharacters.find(m_block[position]) != std::u16string_view::npos && (position == 0 || m_block[position - 1] != u'\\');
}

PimInfoBlock::Token PimInfoBlock::Next()
{
    const std::size_t begin = m_position;
    if (begin >= m_block.size())
        return { TokenKind::End, m_block.size() };
    ++m_position;
    if (IsSpecialAt(begin)) {
        switch (m_block[begin]) {
        case u':':
            return { TokenKind::Colon, begin };
        case u';':
            return { TokenKind::Semicolon, begin };
        case u'[':
            return { TokenKind::Open, begin };
        default:
            return { TokenKind::Close, begin };
        }
    }
    if (isSpace(m_block[begin]))
        return { TokenKind::Space, begin };
    while (m_position < m_block.size() && !isSpace(m_block[m_position]) && !IsSpecialAt(m_position))
        ++m_position;
    return { TokenKind::Run, begin };
}

PimInfoBlock::TokenKind PimInfoBlock::PeekKind()
{
    const std::size_t position = m_position;
    const TokenKind kind = Next().kind;
    m_position = position;
    return kind;
}

void PimInfoBlock::SkipSpace()
{
    while (m_position < m_block.size() && isSpace(m_block[m_position]))
        ++m_position;
}

PimInfoBlock::Value PimInfoBlock::ReadValue()
{
    SkipSpace();
    const std::size_t begin = m_position;
    for (;;) {
        const Token token = Next();
        if (token.kind != TokenKind::Run && token.kind != TokenKind::Space)
            return { cleaned(m_block.substr(begin, token.begin - begin)), token.kind };
    }
}

PimInfoBlock::EntryOutcome PimInfoBlock::BrokenAt(TokenKind terminator)
{
    switch (terminator) {
    case TokenKind::End:
        return EntryOutcome::EndedInside;
    case TokenKind::Close:
        return EntryOutcome::BrokenAfterClose;
    default:
        return EntryOutcome::BrokenInside;
    }
}

PimInfoBlock::SectionKind PimInfoBlock::KindOf(std::u16string_view name)
{
    std::u16string folded(name);
    CharLowerBuff(folded.data(), static_cast<DWORD>(folded.size()));
    static constexpr std::array<std::pair<std::u16string_view, SectionKind>, 9> names { {
        { u"phone", SectionKind::Phone },
        { u"email", SectionKind::Email },
        { u"messenger", SectionKind::Messenger },
        { u"webpage", SectionKind::WebPage },
        { u"address", SectionKind::Address },
        { u"people", SectionKind::People },
        { u"date", SectionKind::Date },
        { u"link", SectionKind::Link },
        { u"otherprop", SectionKind::OtherProperty },
    } };
    const auto found = std::find_if(names.begin(), names.end(), [&](const auto& entry) { return entry.first == folded; });
    return found == names.end() ? SectionKind::Unknown : found->second;
}

std::vector<ContactExtras::Pair>* PimInfoBlock::PairList(ContactExtras& extras, SectionKind kind)
{
    switch (kind) {
    case SectionKind::Phone:
        return &extras.phones;
    case SectionKind::Email:
        return &extras.emails;
    case SectionKind::WebPage:
        return &extras.webPages;
    case SectionKind::People:
        return &extras.people;
    case SectionKind::Link:
        return &extras.links;
    default:
        return &extras.otherProperties;
    }
}

std::optional<FILETIME> PimInfoBlock::DateOf(std::u16string_view text)
{
    constexpr std::array<std::size_t, 8> digitPositions { 0, 1, 2, 3, 5, 6, 8, 9 };
    if (text.size() != 10 || !std::all_of(digitPositions.begin(), digitPositions.end(), [&](std::size_t at) { return isDigit(text[at]); }))
        return std::nullopt;
    const auto field = [&](std::size_t at, std::size_t length) {
        WORD value = 0;
        for (std::size_t i = at; i < at + length; ++i)
            value = static_cast<WORD>(value * 10 + (text[i] - u'0'));
        return value;
    };
    SYSTEMTIME midnight {};
    midnight.wYear = field(0, 4);
    midnight.wMonth = field(5, 2);
    midnight.wDay = field(8, 2);
    FILETIME time {};
    if (!SystemTimeToFileTime(&midnight, &time))
        return std::nullopt;
    return time;
}

std::optional<DWORD> PimInfoBlock::NumberOf(std::u16string_view text)
{
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char16_t character : text) {
        if (!isDigit(character))
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(character - u'0');
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<DWORD>(value);
}

}
