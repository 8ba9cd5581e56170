#include "emulator/ContactFields.h"

#include <array>

namespace devemu {

namespace {

constexpr CEPROPID text(WORD number)
{
    return MAKEPROPID(number, CEVT_LPWSTR);
}

constexpr std::array textFields {
    ContactField { "fileas", text(0x80) },
    ContactField { "title", text(0x81) },
    ContactField { "first", text(0x82) },
    ContactField { "middle", text(0x83) },
    ContactField { "last", text(0x84) },
    ContactField { "suffix", text(0x85) },
    ContactField { "nickname", text(0x86) },
    ContactField { "company", text(0x8A) },
    ContactField { "department", text(0x8B) },
    ContactField { "job", text(0x8C) },
    ContactField { "email", text(0x90) },
    ContactField { "email2", text(0x91) },
    ContactField { "email3", text(0x92) },
    ContactField { "mobile", text(0x96) },
    ContactField { "work", text(0x97) },
    ContactField { "work2", text(0x98) },
    ContactField { "home", text(0x99) },
    ContactField { "home2", text(0x9A) },
    ContactField { "workfax", text(0x9B) },
    ContactField { "homefax", text(0x9C) },
    ContactField { "pager", text(0x9D) },
    ContactField { "car", text(0x9E) },
    ContactField { "radio", text(0x9F) },
    ContactField { "companymain", text(0xA0) },
    ContactField { "assistant", text(0xA1) },
    ContactField { "mms", text(0x10A3) },
    ContactField { "ringtone", text(0xA8) },
    ContactField { "web", text(0x101) },
    ContactField { "workstreet", text(0xC1) },
    ContactField { "workcity", text(0xC2) },
    ContactField { "workregion", text(0xC3) },
    ContactField { "workpostcode", text(0xC4) },
    ContactField { "workcountry", text(0xC5) },
    ContactField { "homestreet", text(0xD1) },
    ContactField { "homecity", text(0xD2) },
    ContactField { "homeregion", text(0xD3) },
    ContactField { "homepostcode", text(0xD4) },
    ContactField { "homecountry", text(0xD5) },
    ContactField { "otherstreet", text(0xE1) },
    ContactField { "othercity", text(0xE2) },
    ContactField { "otherregion", text(0xE3) },
    ContactField { "otherpostcode", text(0xE4) },
    ContactField { "othercountry", text(0xE5) },
};

}

std::span<const ContactField> ContactFields::texts()
{
    return textFields;
}

std::optional<CEPROPID> ContactFields::textProperty(std::string_view name)
{
    for (const ContactField& field : textFields) {
        if (field.name == name)
            return field.property;
    }
    return std::nullopt;
}

std::string_view ContactFields::nameOf(CEPROPID property)
{
    for (const ContactField& field : textFields) {
        if (field.property == property)
            return field.name;
    }
    return {};
}

}
