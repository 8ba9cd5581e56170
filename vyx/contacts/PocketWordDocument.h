// PocketWordDocument: the parts of a Pocket Word document that contact notes need: telling one from
// text, the plain text of its text records, whether it holds anything beyond text, and the document
// again with some of its characters taken out. Every read stays inside the document's bytes, whatever
// its records claim.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyx {

class PocketWordDocument {
public:
    // At least 15 bytes, beginning with "{\pwi", with a byte below 0x0A among bytes 5 to 13.
    static bool IsPocketWord(std::span<const BYTE> bytes);

    // Walks the records of the document, which keeps its own copy of the bytes.
    explicit PocketWordDocument(std::span<const BYTE> bytes);

    // The characters of the text records, the records separated by one blank.
    std::u16string Text() const;
    // No record of a kind that holds more than text (pictures, tables, ink...), and every '@' record
    // with equal words at its offsets 10 and 14.
    bool CountsAsTextOnly() const;
    // The document without the characters [first, last) of Text(). Each text record loses the codes
    // of those characters, its character count and record length are corrected, and its payload is
    // padded with zeros to whole words; codes that draw no character (formatting marks) stay, and
    // every other byte is kept as it was, so the result walks like the original. A record that ended
    // before its character count was reached gets the count of the codes it keeps; a record cut off by
    // the end of the document is whole again.
    std::vector<BYTE> WithoutCharacters(std::size_t first, std::size_t last) const;

private:
    // One code of a text record: where it lies, and the character it draws, if any.
    struct Code {
        std::size_t offset;
        std::size_t length;
        std::optional<char16_t> character;
    };

    struct Record {
        BYTE type;
        std::size_t offset;
        // The record's length, cut at the end of the document when it claims more.
        std::size_t length;
        // Text records: their codes, where the decoded codes end, and whether the record ended before
        // its character count was reached (rather than at a code the reader does not know).
        std::vector<Code> codes;
        std::size_t codesEnd;
        bool endedAtRecordEnd;
    };

    static constexpr std::size_t headerLength = 14;
    static constexpr std::size_t recordHeaderLength = 6;
    static constexpr BYTE textRecord = 'A';

    void ReadCodes(Record& record) const;
    // The code at `offset`, which may run past `limit`; nullopt when its lead byte is unknown.
    std::optional<Code> CodeAt(std::size_t offset, std::size_t limit) const;
    std::optional<DWORD> WordAt(const Record& record, std::size_t offset) const;
    std::optional<WORD> HalfWordAt(const Record& record, std::size_t offset) const;
    // The text record rebuilt without the codes marked in `removed`.
    std::vector<BYTE> RebuiltTextRecord(const Record& record, const std::vector<bool>& removed) const;

    std::vector<BYTE> m_bytes;
    std::vector<Record> m_records;
    // Where the record walk stopped: fewer than a record header's bytes are left after it.
    std::size_t m_recordsEnd { 0 };
};

}
