// ContactMapping: turns a vCard into an ImportedContact: names, company, numbers, e-mail addresses,
// addresses and web page into the contact's text properties, the rest into notes, categories and
// photo. README.md ("Address books (vCard)") has the whole table.
#pragma once

#include "emulator/addressbook/ImportedContact.h"
#include "emulator/addressbook/VCard.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace devemu {

class ContactMapping {
public:
    // Photos larger than this are refused: a contact picture is a small image.
    static constexpr std::uintmax_t maxPictureBytes = 2 * 1024 * 1024;

    // The vCard properties the mapping reads: what the reader is asked to keep.
    static std::span<const std::string_view> propertyNames();

    // `folder` is the folder of the card's file: a photo named by a relative path or a file: URL is
    // read from there, and only from inside it. Nullopt, with `error` on the property's line, for a
    // photo file that is missing, lies outside the folder or is too large.
    static std::optional<ImportedContact> map(const VCard&, const std::filesystem::path& folder, VCardError& error);
};

}
