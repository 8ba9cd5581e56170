// A property of a record as the object store keeps it: its identifier (number and value type) and its
// value. Integers of every width, BOOL and AUTO_I4 are held as their value; a file time as the 64-bit
// count of 100 ns; texts without their NUL; blobs and streams as their bytes.
#pragma once

#include "platform/api/WinDb.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace emu {

struct StoredProperty {
    using Value = std::variant<std::int64_t, double, std::u16string, std::vector<BYTE>>;

    CEPROPID id;
    Value value;

    bool operator==(const StoredProperty&) const = default;
};

// A record with its properties, by identifier.
struct StoredRecord {
    CEOID oid;
    std::vector<StoredProperty> properties;

    bool operator==(const StoredRecord&) const = default;
};

// Whether the engine keeps values of that type.
bool isStorableType(WORD type);
// Whether the value is of the kind its identifier's type holds (and the type is storable).
bool hasValueOfItsType(const StoredProperty&);
// The value a CEPROPVAL carries, read as a value of `type`; nullopt when the type is not storable or a
// text or blob pointer is missing.
std::optional<StoredProperty::Value> valueOfPropVal(const CEPROPVAL&, WORD type);
// The property a CEPROPVAL writes, typed by its identifier.
std::optional<StoredProperty> propertyOfPropVal(const CEPROPVAL&);

}
