// ImportedContact: one card of an address book turned into what the device's contacts database keeps.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace devemu {

// The numbers of the contacts database's text properties that an address book fills.
enum class ContactProperty : std::uint16_t {
    FileAs = 0x80,
    Title = 0x81,
    FirstName = 0x82,
    MiddleName = 0x83,
    LastName = 0x84,
    Suffix = 0x85,
    Nickname = 0x86,
    Company = 0x8A,
    Department = 0x8B,
    JobTitle = 0x8C,
    Email1 = 0x90,
    Email2 = 0x91,
    Email3 = 0x92,
    MobilePhone = 0x96,
    WorkPhone = 0x97,
    WorkPhone2 = 0x98,
    HomePhone = 0x99,
    HomePhone2 = 0x9A,
    WorkFax = 0x9B,
    HomeFax = 0x9C,
    Pager = 0x9D,
    CarPhone = 0x9E,
    RadioPhone = 0x9F,
    CompanyPhone = 0xA0,
    AssistantPhone = 0xA1,
    Ringtone = 0xA8,
    WorkStreet = 0xC1,
    WorkCity = 0xC2,
    WorkRegion = 0xC3,
    WorkPostalCode = 0xC4,
    WorkCountry = 0xC5,
    HomeStreet = 0xD1,
    HomeCity = 0xD2,
    HomeRegion = 0xD3,
    HomePostalCode = 0xD4,
    HomeCountry = 0xD5,
    OtherStreet = 0xE1,
    OtherCity = 0xE2,
    OtherRegion = 0xE3,
    OtherPostalCode = 0xE4,
    OtherCountry = 0xE5,
    WebPage = 0x101,
    MmsPhone = 0x10A3,
};

struct ImportedContact {
    // The line of the card's BEGIN:VCARD in its file.
    int line { 0 };
    // Text properties by number; a property the card does not fill is absent, never empty.
    std::map<ContactProperty, std::u16string> texts;
    // The card's notes with CRLF line breaks, ending in a PIM information block when some number,
    // e-mail address, date, address or web page found no property of its own.
    std::u16string notes;
    // Category names in the card's order, each once.
    std::vector<std::u16string> categories;
    // The photo's file bytes (PNG, JPEG...) as the card held or named them; empty when none.
    std::vector<std::uint8_t> picture;
};

}
