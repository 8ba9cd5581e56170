// PropertyValue: one typed property of a database record, as the programs keep it after a read. It
// owns its text and bytes, so it stays valid after the next read of the database.
#pragma once

#include "platform/api/WinDb.h"

#include <string>
#include <string_view>
#include <vector>

namespace vyx {

class PropertyValue {
public:
    // A copy of a property as the engine handed it out.
    static PropertyValue FromRaw(const CEPROPVAL& raw);

    static PropertyValue Long(CEPROPID id, LONG value);
    static PropertyValue Dword(CEPROPID id, DWORD value);
    static PropertyValue FileTime(CEPROPID id, FILETIME value);
    static PropertyValue Text(CEPROPID id, std::u16string_view value);
    static PropertyValue Bytes(CEPROPID id, std::vector<BYTE> value);
    // A value that stands for "no value" in a seek: it sorts before every present value.
    static PropertyValue Absent(CEPROPID id);

    CEPROPID Id() const { return m_id; }
    WORD Type() const { return TypeFromPropID(m_id); }
    WORD Number() const { return PropFromPropID(m_id); }
    WORD Flags() const { return m_flags; }
    // The record does not have this property.
    bool IsAbsent() const { return (m_flags & CEDB_PROPNOTFOUND) != 0; }

    LONG AsLong() const { return m_scalar.lVal; }
    DWORD AsDword() const { return m_scalar.ulVal; }
    FILETIME AsFileTime() const { return m_scalar.filetime; }
    const std::u16string& AsText() const { return m_text; }
    const std::vector<BYTE>& AsBytes() const { return m_bytes; }

    // The engine's form of this value, pointing into this object; `extraFlags` are or-ed into its flags.
    CEPROPVAL ToRaw(WORD extraFlags = 0) const;

private:
    PropertyValue(CEPROPID id, WORD flags);

    CEPROPID m_id;
    WORD m_flags;
    CEVALUNION m_scalar {};
    std::u16string m_text;
    // Bytes of blob and stream values.
    std::vector<BYTE> m_bytes;
};

}
