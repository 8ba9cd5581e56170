// ExtrasSerializer: writing the sections and entries, and reading them back with every offset checked.
#include "vyx/contacts/ExtrasSerializer.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vyx {

namespace {

using PairList = std::vector<ContactExtras::Pair> ContactExtras::*;

// The pair sections, in their order in the data; the messengers, addresses and dated entries follow.
constexpr std::array<PairList, 6> pairSections { &ContactExtras::phones, &ContactExtras::emails, &ContactExtras::webPages,
                                                  &ContactExtras::people, &ContactExtras::links, &ContactExtras::otherProperties };
constexpr std::size_t sectionCount = pairSections.size() + 3;
constexpr std::size_t sectionStartsOffset = 20;

constexpr std::size_t addressNumberOffset = 4;
constexpr std::size_t addressPartOffsetsOffset = 8;
constexpr std::size_t addressNameOffset = 28;
constexpr std::size_t addressPartsAfterName = 32;

std::size_t roundedDown(std::size_t length)
{
    return length & ~std::size_t { 3 };
}

std::size_t roundedUp(std::size_t length)
{
    return roundedDown(length + 3);
}

// The characters a string is stored with: those before its first zero.
std::u16string_view storedText(const std::u16string& text)
{
    return std::u16string_view(text).substr(0, text.find(u'\0'));
}

void putWord(std::vector<BYTE>& data, std::size_t offset, DWORD value)
{
    for (std::size_t i = 0; i < 4; ++i)
        data[offset + i] = static_cast<BYTE>((value >> (8 * i)) & 0xFF);
}

void appendWord(std::vector<BYTE>& data, DWORD value)
{
    data.resize(data.size() + 4);
    putWord(data, data.size() - 4, value);
}

void appendString(std::vector<BYTE>& data, std::u16string_view text)
{
    for (const char16_t character : text) {
        data.push_back(static_cast<BYTE>(character & 0xFF));
        data.push_back(static_cast<BYTE>(character >> 8));
    }
    data.push_back(0);
    data.push_back(0);
}

// Pads the entry that began at `entryStart` with zeros to its length and stores the length in its
// first word. The length is the format's formula for the kind, raised to what the entry's bytes take
// where the formula falls short of them.
void finishEntry(std::vector<BYTE>& data, std::size_t entryStart, std::size_t formulaLength)
{
    const std::size_t length = std::max(formulaLength, roundedUp(data.size() - entryStart));
    data.resize(entryStart + length);
    putWord(data, entryStart, static_cast<DWORD>(length));
}

std::size_t characters(std::u16string_view first, std::u16string_view second = {}, std::u16string_view third = {})
{
    return first.size() + second.size() + third.size();
}

std::optional<DWORD> wordAt(std::span<const BYTE> data, std::size_t offset)
{
    if (offset > data.size() || data.size() - offset < 4)
        return std::nullopt;
    return static_cast<DWORD>(data[offset] | (data[offset + 1] << 8) | (data[offset + 2] << 16) | (static_cast<DWORD>(data[offset + 3]) << 24));
}

struct ReadString {
    std::u16string text;
    // The offset after the terminator.
    std::size_t next;
};

// The zero-terminated string at `offset`; its terminator must lie inside the entry.
std::optional<ReadString> stringAt(std::span<const BYTE> entry, std::size_t offset)
{
    std::u16string text;
    for (std::size_t at = offset; at <= entry.size() && entry.size() - at >= 2; at += 2) {
        const auto character = static_cast<char16_t>(entry[at] | (entry[at + 1] << 8));
        if (character == u'\0')
            return ReadString { std::move(text), at + 2 };
        text += character;
    }
    return std::nullopt;
}

// Reads the entries of one section, [begin, end) of the data, with `read`, into `list`.
template <class Entry, class ReadEntry>
bool readSection(std::span<const BYTE> data, std::size_t begin, std::size_t end, ReadEntry read, std::vector<Entry>& list)
{
    std::size_t position = begin;
    while (position < end) {
        const auto length = wordAt(data.subspan(0, end), position);
        if (!length || *length == 0 || *length % 4 != 0 || *length > end - position)
            return false;
        auto entry = read(data.subspan(position, *length));
        if (!entry)
            return false;
        list.push_back(std::move(*entry));
        position += *length;
    }
    return true;
}

}

std::vector<BYTE> ExtrasSerializer::Serialize(const ContactExtras& extras)
{
    std::vector<BYTE> data(headerLength, 0);
    putWord(data, 4, extras.stamp);
    putWord(data, 8, extras.homeNumber);
    putWord(data, 12, extras.businessNumber);
    putWord(data, 16, extras.otherNumber);
    std::size_t section = 0;
    const auto startSection = [&] { putWord(data, sectionStartsOffset + 4 * section++, static_cast<DWORD>(data.size())); };

    for (const PairList list : pairSections) {
        startSection();
        for (const ContactExtras::Pair& pair : extras.*list)
            AppendPair(data, pair);
    }
    startSection();
    for (const ContactExtras::Messenger& messenger : extras.messengers)
        AppendMessenger(data, messenger);
    startSection();
    for (const ContactExtras::Address& address : extras.addresses)
        AppendAddress(data, address);
    startSection();
    for (const ContactExtras::Dated& dated : extras.datedEntries)
        AppendDated(data, dated);

    putWord(data, 0, static_cast<DWORD>(data.size()));
    return data;
}

std::optional<ContactExtras> ExtrasSerializer::Read(std::span<const BYTE> data)
{
    if (data.size() < headerLength || wordAt(data, 0) != data.size())
        return std::nullopt;
    std::array<std::size_t, sectionCount + 1> bounds {};
    for (std::size_t i = 0; i < sectionCount; ++i)
        bounds[i] = *wordAt(data, sectionStartsOffset + 4 * i);
    bounds[sectionCount] = data.size();
    if (bounds[0] != headerLength || !std::is_sorted(bounds.begin(), bounds.end()))
        return std::nullopt;

    ContactExtras extras;
    extras.stamp = *wordAt(data, 4);
    extras.homeNumber = *wordAt(data, 8);
    extras.businessNumber = *wordAt(data, 12);
    extras.otherNumber = *wordAt(data, 16);
    std::size_t section = 0;
    const auto read = [&](auto readEntry, auto& list) {
        const bool complete = readSection(data, bounds[section], bounds[section + 1], readEntry, list);
        ++section;
        return complete;
    };
    for (const PairList list : pairSections) {
        if (!read(ReadPair, extras.*list))
            return std::nullopt;
    }
    if (!read(ReadMessenger, extras.messengers) || !read(ReadAddress, extras.addresses) || !read(ReadDated, extras.datedEntries))
        return std::nullopt;
    return extras;
}

void ExtrasSerializer::AppendPair(std::vector<BYTE>& data, const ContactExtras::Pair& pair)
{
    const std::size_t start = data.size();
    const std::u16string_view label = storedText(pair.label);
    const std::u16string_view value = storedText(pair.value);
    appendWord(data, 0);
    appendString(data, label);
    appendString(data, value);
    finishEntry(data, start, roundedDown(2 * characters(label, value) + 13));
}

void ExtrasSerializer::AppendMessenger(std::vector<BYTE>& data, const ContactExtras::Messenger& messenger)
{
    const std::size_t start = data.size();
    const std::u16string_view label = storedText(messenger.label);
    const std::u16string_view second = storedText(messenger.secondText);
    const std::u16string_view first = storedText(messenger.firstText);
    appendWord(data, 0);
    appendString(data, label);
    appendString(data, second);
    appendString(data, first);
    finishEntry(data, start, roundedDown(2 * characters(label, second, first) + 15));
}

void ExtrasSerializer::AppendAddress(std::vector<BYTE>& data, const ContactExtras::Address& address)
{
    const std::size_t start = data.size();
    const std::u16string_view name = storedText(address.name);
    std::size_t partCharacters = 0;
    for (const std::u16string& part : address.parts)
        partCharacters += storedText(part).size();

    data.resize(start + addressNameOffset, 0);
    putWord(data, start + addressNumberOffset, address.number);
    appendString(data, name);
    data.resize(start + 2 * name.size() + addressPartsAfterName, 0);
    for (std::size_t i = 0; i < address.parts.size(); ++i) {
        putWord(data, start + addressPartOffsetsOffset + 4 * i, static_cast<DWORD>(data.size() - start));
        appendString(data, storedText(address.parts[i]));
    }
    finishEntry(data, start, roundedDown(2 * (name.size() + partCharacters) + 37));
}

void ExtrasSerializer::AppendDated(std::vector<BYTE>& data, const ContactExtras::Dated& dated)
{
    const std::size_t start = data.size();
    const std::u16string_view label = storedText(dated.label);
    appendWord(data, 0);
    appendWord(data, dated.time.dwLowDateTime);
    appendWord(data, dated.time.dwHighDateTime);
    appendString(data, label);
    finishEntry(data, start, roundedDown(2 * characters(label) + 19));
}

std::optional<ContactExtras::Pair> ExtrasSerializer::ReadPair(std::span<const BYTE> entry)
{
    auto label = stringAt(entry, 4);
    if (!label)
        return std::nullopt;
    auto value = stringAt(entry, label->next);
    if (!value)
        return std::nullopt;
    return ContactExtras::Pair { std::move(label->text), std::move(value->text) };
}

std::optional<ContactExtras::Messenger> ExtrasSerializer::ReadMessenger(std::span<const BYTE> entry)
{
    auto label = stringAt(entry, 4);
    if (!label)
        return std::nullopt;
    auto second = stringAt(entry, label->next);
    if (!second)
        return std::nullopt;
    auto first = stringAt(entry, second->next);
    if (!first)
        return std::nullopt;
    return ContactExtras::Messenger { std::move(label->text), std::move(second->text), std::move(first->text) };
}

std::optional<ContactExtras::Address> ExtrasSerializer::ReadAddress(std::span<const BYTE> entry)
{
    auto name = stringAt(entry, addressNameOffset);
    if (!name)
        return std::nullopt;
    ContactExtras::Address address;
    address.name = std::move(name->text);
    address.number = *wordAt(entry, addressNumberOffset);
    for (std::size_t i = 0; i < address.parts.size(); ++i) {
        auto part = stringAt(entry, *wordAt(entry, addressPartOffsetsOffset + 4 * i));
        if (!part)
            return std::nullopt;
        address.parts[i] = std::move(part->text);
    }
    return address;
}

std::optional<ContactExtras::Dated> ExtrasSerializer::ReadDated(std::span<const BYTE> entry)
{
    auto label = stringAt(entry, 12);
    if (!label)
        return std::nullopt;
    return ContactExtras::Dated { std::move(label->text), FILETIME { *wordAt(entry, 4), *wordAt(entry, 8) } };
}

}
