// VCardProperty: one property of a vCard as read from its file: group, name, parameters and value,
// with the value's charset and transfer encoding already undone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devemu {

enum class VCardVersion { V21, V30, V40 };

struct VCardParameter {
    // Upper case. The old style's bare words ("TEL;CELL;VOICE") are TYPE values, and bare
    // "QUOTED-PRINTABLE" or "BASE64" are ENCODING values.
    std::string name;
    // As written, without their double quotes; TYPE values are split at commas, quoted or not.
    std::vector<std::string> values;
};

struct VCardProperty {
    // The file's line on which the property began.
    int line { 0 };
    // "item1" of "item1.TEL"; empty when the property has no group.
    std::string group;
    // Upper case: "TEL".
    std::string name;
    std::vector<VCardParameter> parameters;
    // The text value in UTF-16, its backslash escapes still in place: read it through text(),
    // components() or listValues(). Empty when the value is binary.
    std::u16string escapedText;
    // The bytes of a BASE64 / b value or of a data: URI.
    std::optional<std::vector<std::uint8_t>> data;
    // The version of the card, which decides which backslash escapes the text has.
    VCardVersion version { VCardVersion::V30 };

    // Whether a TYPE value is `type`, compared without regard to case.
    bool hasType(std::string_view type) const;
    // The first value of a parameter, or nullptr.
    const std::string* parameter(std::string_view name) const;
    // The whole value with its escapes undone.
    std::u16string text() const;
    // The value split at unescaped ';' (N, ADR, ORG), each part with its escapes undone.
    std::vector<std::u16string> components() const;
    // The value split at unescaped ',' (CATEGORIES, NICKNAME), each part with its escapes undone.
    std::vector<std::u16string> listValues() const;
};

}
