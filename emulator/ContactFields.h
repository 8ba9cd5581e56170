// ContactFields: the names by which devemu's `contacts` commands write and show the properties of a
// contact ("first", "mobile", "company"...), and the device property each stands for.
#pragma once

#include "platform/api/WinDb.h"

#include <optional>
#include <span>
#include <string_view>

namespace devemu {

struct ContactField {
    std::string_view name;
    CEPROPID property;
};

class ContactFields {
public:
    // The text fields in the order `contacts show` prints them.
    static std::span<const ContactField> texts();
    static std::optional<CEPROPID> textProperty(std::string_view name);
    static std::string_view nameOf(CEPROPID property);

    // Fields that are not plain texts.
    static constexpr std::string_view notes = "notes";
    static constexpr std::string_view categories = "categories";
    static constexpr std::string_view photo = "photo";
    static constexpr std::string_view demoted = "demoted";
    static constexpr std::string_view linkType = "linktype";
};

}
