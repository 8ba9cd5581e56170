// PocketWordDocument: the record walk, the codes of text records, and rebuilding text records.
#include "vyx/contacts/PocketWordDocument.h"

#include <algorithm>
#include <string_view>

namespace vyx {

namespace {

constexpr std::string_view signature = "{\\pwi";
constexpr std::size_t shortestDocument = 15;
constexpr std::size_t markerBytesEnd = 14;
constexpr BYTE markerLimit = 0x0A;

// Where a text record keeps its character count, and where its codes begin.
constexpr std::size_t characterCountOffset = 8;
constexpr std::size_t codesOffset = 30;

// Kinds of records that hold more than text.
constexpr std::string_view richRecordTypes = "CTUgmo\x83";
// A page record counts as text only with equal words at these offsets.
constexpr BYTE pageRecord = '@';
constexpr std::size_t pageFirstWordOffset = 10;
constexpr std::size_t pageSecondWordOffset = 14;

bool hasLongPayload(BYTE type)
{
    return type == 'U' || type == 'o';
}

void putHalfWord(std::vector<BYTE>& bytes, std::size_t offset, std::size_t value)
{
    bytes[offset] = static_cast<BYTE>(value & 0xFF);
    bytes[offset + 1] = static_cast<BYTE>((value >> 8) & 0xFF);
}

}

bool PocketWordDocument::IsPocketWord(std::span<const BYTE> bytes)
{
    if (bytes.size() < shortestDocument || !std::equal(signature.begin(), signature.end(), bytes.begin()))
        return false;
    return std::any_of(bytes.begin() + signature.size(), bytes.begin() + markerBytesEnd, [](BYTE byte) { return byte < markerLimit; });
}

PocketWordDocument::PocketWordDocument(std::span<const BYTE> bytes)
    : m_bytes(bytes.begin(), bytes.end())
{
    const std::size_t size = m_bytes.size();
    std::size_t offset = headerLength;
    while (offset <= size && size - offset >= recordHeaderLength) {
        const BYTE type = m_bytes[offset];
        const std::size_t count = m_bytes[offset + 4] | (static_cast<std::size_t>(m_bytes[offset + 5]) << 8);
        const std::size_t payload = hasLongPayload(type) ? count + 65536 * static_cast<std::size_t>(m_bytes[offset + 1]) : 4 * count;
        const std::size_t claimed = recordHeaderLength + payload;
        Record record { type, offset, std::min(claimed, size - offset), {}, 0, false };
        if (type == textRecord)
            ReadCodes(record);
        m_records.push_back(std::move(record));
        offset += claimed;
    }
    m_recordsEnd = std::min(offset, size);
}

std::u16string PocketWordDocument::Text() const
{
    std::u16string text;
    bool firstRecord = true;
    for (const Record& record : m_records) {
        if (record.type != textRecord)
            continue;
        if (!firstRecord)
            text += u' ';
        firstRecord = false;
        for (const Code& code : record.codes) {
            if (code.character)
                text += *code.character;
        }
    }
    return text;
}

bool PocketWordDocument::CountsAsTextOnly() const
{
    for (const Record& record : m_records) {
        if (richRecordTypes.find(static_cast<char>(record.type)) != std::string_view::npos)
            return false;
        if (record.type == pageRecord) {
            const auto first = WordAt(record, pageFirstWordOffset);
            const auto second = WordAt(record, pageSecondWordOffset);
            if (!first || !second || *first != *second)
                return false;
        }
    }
    return true;
}

std::vector<BYTE> PocketWordDocument::WithoutCharacters(std::size_t first, std::size_t last) const
{
    const auto bytesOf = [this](std::size_t begin, std::size_t end) { return std::span<const BYTE>(m_bytes).subspan(begin, end - begin); };
    std::vector<BYTE> rebuilt;
    const auto append = [&rebuilt](std::span<const BYTE> part) { rebuilt.insert(rebuilt.end(), part.begin(), part.end()); };

    append(bytesOf(0, std::min(headerLength, m_bytes.size())));
    std::size_t index = 0;
    bool firstRecord = true;
    for (const Record& record : m_records) {
        if (record.type != textRecord) {
            append(bytesOf(record.offset, record.offset + record.length));
            continue;
        }
        // The blank between two text records is no character of the document.
        if (!firstRecord)
            ++index;
        firstRecord = false;
        std::vector<bool> removed(record.codes.size(), false);
        bool removesAny = false;
        for (std::size_t i = 0; i < record.codes.size(); ++i) {
            if (!record.codes[i].character)
                continue;
            if (index >= first && index < last) {
                removed[i] = true;
                removesAny = true;
            }
            ++index;
        }
        if (removesAny)
            append(RebuiltTextRecord(record, removed));
        else
            append(bytesOf(record.offset, record.offset + record.length));
    }
    append(bytesOf(m_recordsEnd, m_bytes.size()));
    return rebuilt;
}

void PocketWordDocument::ReadCodes(Record& record) const
{
    const std::size_t limit = record.offset + record.length;
    record.codesEnd = limit;
    if (record.length < codesOffset)
        return;
    const WORD count = *HalfWordAt(record, characterCountOffset);
    std::size_t position = record.offset + codesOffset;
    for (std::size_t i = 0; i < count; ++i) {
        if (position >= limit) {
            record.endedAtRecordEnd = true;
            break;
        }
        const auto code = CodeAt(position, limit);
        if (!code)
            break;
        if (code->length > limit - position) {
            record.endedAtRecordEnd = true;
            break;
        }
        record.codes.push_back(*code);
        position += code->length;
    }
    record.codesEnd = position;
}

std::optional<PocketWordDocument::Code> PocketWordDocument::CodeAt(std::size_t offset, std::size_t limit) const
{
    const BYTE lead = m_bytes[offset];
    const auto code = [&](std::size_t length, std::optional<char16_t> character) -> std::optional<Code> {
        return Code { offset, length, character };
    };
    // Codes whose second byte makes them; cut off at the limit before it, they tell nothing more.
    const bool readsSecond = lead >= 0x80 && (lead <= 0xBF || lead == 0xC1 || lead == 0xC4);
    if (readsSecond && limit - offset < 2)
        return code(2, std::nullopt);
    const BYTE next = readsSecond ? m_bytes[offset + 1] : 0;

    if (lead <= 0x7F)
        return code(1, static_cast<char16_t>(lead));
    if (lead <= 0xBF)
        return code(2, static_cast<char16_t>((lead & 0x3F) | (next << 6)));
    switch (lead) {
    case 0xC1:
        return code(2, static_cast<char16_t>(next));
    case 0xC4: {
        switch (next) {
        case 0x00:
            return code(2, std::nullopt);
        case 0x04:
            return code(2, u'\t');
        case 0x19:
            return code(4, std::nullopt);
        case 0x1B:
            return code(8, std::nullopt);
        default:
            return std::nullopt;
        }
    }
    case 0xC2:
    case 0xC3:
    case 0xC5:
    case 0xE5:
    case 0xE6:
    case 0xE7:
    case 0xE8:
        return code(3, std::nullopt);
    case 0xE9:
    case 0xEA:
    case 0xEB:
    case 0xEC:
        return code(2, std::nullopt);
    case 0xEF:
        return code(4, std::nullopt);
    case 0xF1:
        return code(8, std::nullopt);
    default:
        return std::nullopt;
    }
}

std::optional<DWORD> PocketWordDocument::WordAt(const Record& record, std::size_t offset) const
{
    if (offset + 4 > record.length)
        return std::nullopt;
    const std::size_t at = record.offset + offset;
    return static_cast<DWORD>(m_bytes[at] | (m_bytes[at + 1] << 8) | (m_bytes[at + 2] << 16) | (static_cast<DWORD>(m_bytes[at + 3]) << 24));
}

std::optional<WORD> PocketWordDocument::HalfWordAt(const Record& record, std::size_t offset) const
{
    if (offset + 2 > record.length)
        return std::nullopt;
    const std::size_t at = record.offset + offset;
    return static_cast<WORD>(m_bytes[at] | (m_bytes[at + 1] << 8));
}

std::vector<BYTE> PocketWordDocument::RebuiltTextRecord(const Record& record, const std::vector<bool>& removed) const
{
    const auto start = m_bytes.begin() + static_cast<std::ptrdiff_t>(record.offset);
    std::vector<BYTE> rebuilt(start, start + static_cast<std::ptrdiff_t>(codesOffset));
    std::size_t removedCount = 0;
    for (std::size_t i = 0; i < record.codes.size(); ++i) {
        const Code& code = record.codes[i];
        if (removed[i]) {
            ++removedCount;
            continue;
        }
        const auto codeStart = m_bytes.begin() + static_cast<std::ptrdiff_t>(code.offset);
        rebuilt.insert(rebuilt.end(), codeStart, codeStart + static_cast<std::ptrdiff_t>(code.length));
    }
    // What follows the decoded codes (codes the reader stops at, and the record's own tail) stays.
    rebuilt.insert(rebuilt.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(record.codesEnd),
                   start + static_cast<std::ptrdiff_t>(record.length));
    while ((rebuilt.size() - recordHeaderLength) % 4 != 0)
        rebuilt.push_back(0);
    putHalfWord(rebuilt, 4, (rebuilt.size() - recordHeaderLength) / 4);
    const std::size_t count = record.endedAtRecordEnd ? record.codes.size() - removedCount
                                                      : *HalfWordAt(record, characterCountOffset) - removedCount;
    putHalfWord(rebuilt, characterCountOffset, count);
    return rebuilt;
}

}
