#include "platform/emu/StoredProperty.h"

namespace emu {

bool isStorableType(WORD type)
{
    switch (type) {
    case CEVT_I2:
    case CEVT_I4:
    case CEVT_R8:
    case CEVT_BOOL:
    case CEVT_UI2:
    case CEVT_UI4:
    case CEVT_LPWSTR:
    case CEVT_FILETIME:
    case CEVT_BLOB:
    case CEVT_STREAM:
    case CEVT_AUTO_I4:
        return true;
    default:
        return false;
    }
}

bool hasValueOfItsType(const StoredProperty& property)
{
    switch (TypeFromPropID(property.id)) {
    case CEVT_R8:
        return std::holds_alternative<double>(property.value);
    case CEVT_LPWSTR:
        return std::holds_alternative<std::u16string>(property.value);
    case CEVT_BLOB:
    case CEVT_STREAM:
        return std::holds_alternative<std::vector<BYTE>>(property.value);
    default:
        return isStorableType(TypeFromPropID(property.id)) && std::holds_alternative<std::int64_t>(property.value);
    }
}

std::optional<StoredProperty::Value> valueOfPropVal(const CEPROPVAL& value, WORD type)
{
    const CEVALUNION& v = value.val;
    switch (type) {
    case CEVT_I2:
        return std::int64_t { v.iVal };
    case CEVT_UI2:
        return std::int64_t { v.uiVal };
    case CEVT_I4:
    case CEVT_AUTO_I4:
        return std::int64_t { v.lVal };
    case CEVT_UI4:
        return std::int64_t { v.ulVal };
    case CEVT_BOOL:
        return std::int64_t { v.boolVal };
    case CEVT_R8:
        return v.dblVal;
    case CEVT_FILETIME:
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(v.filetime.dwHighDateTime) << 32) | v.filetime.dwLowDateTime);
    case CEVT_LPWSTR:
        if (!v.lpwstr)
            return std::nullopt;
        return std::u16string(v.lpwstr);
    case CEVT_BLOB:
    case CEVT_STREAM:
        if (!v.blob.lpb && v.blob.dwCount > 0)
            return std::nullopt;
        return std::vector<BYTE>(v.blob.lpb, v.blob.lpb + v.blob.dwCount);
    default:
        return std::nullopt;
    }
}

std::optional<StoredProperty> propertyOfPropVal(const CEPROPVAL& value)
{
    auto stored = valueOfPropVal(value, TypeFromPropID(value.propid));
    if (!stored)
        return std::nullopt;
    return StoredProperty { value.propid, std::move(*stored) };
}

}
