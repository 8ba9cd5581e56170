// ExtrasSerializer: ContactExtras in the byte form the property store keeps for each contact, and back.
// All words are 32-bit little-endian; strings are UTF-16 with a terminating zero.
//
//   0  total length n          20..52  start of each section, in the order phones, e-mail addresses,
//   4  stamp                           web pages, people, links, other properties, messengers,
//   8  Home number                     addresses, dated entries (each section runs to the next one's
//  12  Business number                 start, the last to n)
//  16  Other number            56      the sections
//
// Each entry begins with its length, a multiple of 4, so that every entry starts on a word:
//   pair       label, value                                      (2·(l1 + l2) + 13) rounded down to 4
//   messenger  label, second text, first text                    (2·(l0 + l1 + l2) + 15) rounded down to 4
//   address    number, offsets of parts 1 to 5, name at 28, the parts from 2·(name length) + 32 on
//   dated      file time (low word, high word), label            (2·l + 19) rounded down to 4
// The bytes after an entry's strings up to its length are zeros. For address entries the format's
// formula, (2·(name and parts' characters) + 37) rounded down to 4, falls short of what the strings
// take by 4 or 6 bytes, so that the next entry would overwrite the end of part 5; address entries
// therefore carry the length their strings really need, rounded up to 4. Readers step from entry to
// entry by the stored lengths and find the parts by their stored offsets, so they read these entries
// unchanged.
#pragma once

#include "platform/api/WinTypes.h"
#include "vyx/contacts/ContactExtras.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vyx {

class ExtrasSerializer {
public:
    static constexpr std::size_t headerLength = 56;

    // A string is stored up to its first zero character, if it holds one.
    static std::vector<BYTE> Serialize(const ContactExtras& extras);

    // The extras of `data`, which must be exactly the n bytes its first word gives. Nullopt when a
    // section start, an entry length, a part offset or a string's terminator does not lie where the
    // format puts it, inside the data and inside the entry.
    static std::optional<ContactExtras> Read(std::span<const BYTE> data);

private:
    static void AppendPair(std::vector<BYTE>& data, const ContactExtras::Pair& pair);
    static void AppendMessenger(std::vector<BYTE>& data, const ContactExtras::Messenger& messenger);
    static void AppendAddress(std::vector<BYTE>& data, const ContactExtras::Address& address);
    static void AppendDated(std::vector<BYTE>& data, const ContactExtras::Dated& dated);

    static std::optional<ContactExtras::Pair> ReadPair(std::span<const BYTE> entry);
    static std::optional<ContactExtras::Messenger> ReadMessenger(std::span<const BYTE> entry);
    static std::optional<ContactExtras::Address> ReadAddress(std::span<const BYTE> entry);
    static std::optional<ContactExtras::Dated> ReadDated(std::span<const BYTE> entry);
};

}
