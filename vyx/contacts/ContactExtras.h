// ContactExtras: the details a contact carries beyond the device's contact form, taken from the PIM
// information block of its notes and kept in the property store: extra phones, addresses, dates and
// other labelled texts, with the record stamp of the contact.
#pragma once

#include "platform/api/WinTypes.h"

#include <array>
#include <string>
#include <vector>

namespace vyx {

struct ContactExtras {
    // A labelled text: "[Dacha: +7 495 123-45-67]".
    struct Pair {
        std::u16string label;
        std::u16string value;

        bool operator==(const Pair&) const = default;
    };

    // "[label: first text; second text]", kept in the order the store holds the texts.
    struct Messenger {
        std::u16string label;
        std::u16string secondText;
        std::u16string firstText;

        bool operator==(const Messenger&) const = default;
    };

    struct Address {
        static constexpr std::size_t partCount = 5;

        std::u16string name;
        std::array<std::u16string, partCount> parts;
        DWORD number { 0 };

        bool operator==(const Address&) const = default;
    };

    // A date of the block, as the file time of that day's midnight.
    struct Dated {
        std::u16string label;
        FILETIME time {};

        bool operator==(const Dated& other) const;
    };

    std::vector<Pair> phones;
    std::vector<Pair> emails;
    std::vector<Pair> webPages;
    std::vector<Pair> people;
    std::vector<Pair> links;
    std::vector<Pair> otherProperties;
    std::vector<Messenger> messengers;
    std::vector<Address> addresses;
    std::vector<Dated> datedEntries;
    // Set by the address entries named "Home", "Business" and "Other" that hold a single number.
    DWORD homeNumber { 0 };
    DWORD businessNumber { 0 };
    DWORD otherNumber { 0 };
    // The contact's record stamp when the extras were taken, to tell a stale record.
    DWORD stamp { 0 };

    bool operator==(const ContactExtras&) const = default;
};

}
