// PimInfoBlock: reads the PIM information block of a contact's notes, the text between its start and
// end markers, into ContactExtras. The block is a list of sections ("Phone: [Dacha: +7 495 123-45-67]
// [Work: 2]"); a backslash protects ':', ';', '[' and ']' inside labels and values.
#pragma once

#include "platform/api/WinTypes.h"
#include "vyx/contacts/ContactExtras.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyx {

class PimInfoBlock {
public:
    // The extras of the block's sections. An entry that breaks the rules is passed over together
    // with everything up to the next ']'; a block that ends inside an entry, or a section whose name
    // does not begin with a letter or lacks its ':', gives nullopt: the contact has no extras then.
    static std::optional<ContactExtras> Parse(std::u16string_view block);

private:
    enum class TokenKind { Colon, Semicolon, Open, Close, Space, Run, End };

    struct Token {
        TokenKind kind;
        std::size_t begin;
    };

    // A label, value or address part, cleaned, and the special token (or the end) that ended it.
    struct Value {
        std::u16string text;
        TokenKind terminator;
    };

    enum class SectionKind { Phone, Email, Messenger, WebPage, Address, People, Date, Link, OtherProperty, Unknown };

    enum class EntryOutcome {
        Read,
        // The entry broke the rules before its own ']', or after it: the skip to the next ']' then
        // takes the following entry as well.
        BrokenInside,
        BrokenAfterClose,
        EndedInside,
    };

    explicit PimInfoBlock(std::u16string_view block);

    std::optional<ContactExtras> ParseSections();
    // Reads the entries of one section up to the next section or the end; false when the block ended
    // inside an entry.
    bool ReadEntries(SectionKind kind);
    EntryOutcome ReadEntry(SectionKind kind);
    EntryOutcome ReadPairEntry(SectionKind kind);
    EntryOutcome ReadMessengerEntry();
    EntryOutcome ReadAddressEntry();
    // Passes over tokens up to and including the next ']'. False when the block ends first while an
    // entry is open: inside the entry the skip began in, or inside one it passed the '[' of.
    bool SkipPastClose(bool insideEntry);

    Token Next();
    TokenKind PeekKind();
    void SkipSpace();
    bool IsSpecialAt(std::size_t position) const;
    // The tokens from the first one that is not white space up to the next special token or the end,
    // without trailing white space and with the protecting backslashes removed.
    Value ReadValue();

    static EntryOutcome BrokenAt(TokenKind terminator);
    static SectionKind KindOf(std::u16string_view name);
    static std::vector<ContactExtras::Pair>* PairList(ContactExtras& extras, SectionKind kind);
    // "yyyy?MM?dd" as the file time of that day's midnight.
    static std::optional<FILETIME> DateOf(std::u16string_view text);
    // A run of digits that fits 32 bits.
    static std::optional<DWORD> NumberOf(std::u16string_view text);

    std::u16string_view m_block;
    std::size_t m_position { 0 };
    ContactExtras m_extras;
};

}
