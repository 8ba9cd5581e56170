// RecordStamp: the 32-bit checksum of a contact record that the property store keeps, so that a
// record changed while no program watched the database can be told from an unchanged one. Every
// addition wraps modulo 2^32.
#pragma once

#include "platform/api/WinDb.h"
#include "vyx/contacts/PropertyValue.h"

#include <span>
#include <string_view>

namespace vyx {

class RecordStamp {
public:
    // The stamp of a record as read from the contacts database.
    static DWORD OfRecord(CEOID record, std::span<const PropertyValue> properties);

    // The parts of the sum, for records kept in other forms.
    static DWORD OfText(std::u16string_view text);
    static DWORD OfFileTime(FILETIME time) { return time.dwLowDateTime + time.dwHighDateTime; }
    static DWORD OfNotes(std::span<const BYTE> notes);

    static constexpr WORD linkTypeProperty = 0xF8;
    static constexpr WORD dateAProperty = 0xF0;
    static constexpr WORD dateBProperty = 0xF1;
    static constexpr WORD notesProperty = 0x1E;
};

}
