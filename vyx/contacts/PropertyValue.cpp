#include "vyx/contacts/PropertyValue.h"

#include <utility>

namespace vyx {

namespace {

bool holdsBytes(WORD type)
{
    return type == CEVT_BLOB || type == CEVT_STREAM;
}

}

PropertyValue::PropertyValue(CEPROPID id, WORD flags)
    : m_id(id)
    , m_flags(flags)
{
}

PropertyValue PropertyValue::FromRaw(const CEPROPVAL& raw)
{
    PropertyValue value(raw.propid, raw.wFlags);
    if (value.IsAbsent())
        return value;
    const WORD type = TypeFromPropID(raw.propid);
    if (type == CEVT_LPWSTR) {
        if (raw.val.lpwstr)
            value.m_text = raw.val.lpwstr;
    } else if (holdsBytes(type)) {
        if (raw.val.blob.lpb)
            value.m_bytes.assign(raw.val.blob.lpb, raw.val.blob.lpb + raw.val.blob.dwCount);
    } else {
        value.m_scalar = raw.val;
    }
    return value;
}

PropertyValue PropertyValue::Long(CEPROPID id, LONG number)
{
    PropertyValue value(id, 0);
    value.m_scalar.lVal = number;
    return value;
}

PropertyValue PropertyValue::Dword(CEPROPID id, DWORD number)
{
    PropertyValue value(id, 0);
    value.m_scalar.ulVal = number;
    return value;
}

PropertyValue PropertyValue::FileTime(CEPROPID id, FILETIME time)
{
    PropertyValue value(id, 0);
    value.m_scalar.filetime = time;
    return value;
}

PropertyValue PropertyValue::Text(CEPROPID id, std::u16string_view text)
{
    PropertyValue value(id, 0);
    value.m_text = text;
    return value;
}

PropertyValue PropertyValue::Bytes(CEPROPID id, std::vector<BYTE> bytes)
{
    PropertyValue value(id, 0);
    value.m_bytes = std::move(bytes);
    return value;
}

PropertyValue PropertyValue::Absent(CEPROPID id)
{
    return PropertyValue(id, CEDB_PROPNOTFOUND);
}

CEPROPVAL PropertyValue::ToRaw(WORD extraFlags) const
{
    CEPROPVAL raw {};
    raw.propid = m_id;
    raw.wFlags = static_cast<WORD>(m_flags | extraFlags);
    const WORD type = Type();
    if (type == CEVT_LPWSTR) {
        raw.val.lpwstr = const_cast<LPWSTR>(m_text.c_str());
    } else if (holdsBytes(type)) {
        raw.val.blob.dwCount = static_cast<DWORD>(m_bytes.size());
        raw.val.blob.lpb = const_cast<BYTE*>(m_bytes.data());
    } else {
        raw.val = m_scalar;
    }
    return raw;
}

}
