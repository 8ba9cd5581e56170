// AddressBookFile: reads a .vcf file on the host into the contacts it holds, as the import into the
// device's contacts database takes them.
#pragma once

#include "emulator/addressbook/ImportedContact.h"
#include "emulator/addressbook/VCard.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace devemu {

class AddressBookFile {
public:
    // Every card of the file mapped, in the file's order; photos named by the cards are read from the
    // file's folder. Nullopt, with `error` (its line 0 when the file cannot be read at all), when the
    // file cannot be read, any card is malformed or any card's photo cannot be had: then nothing is
    // to be imported.
    static std::optional<std::vector<ImportedContact>> read(const std::filesystem::path&, VCardError& error);
};

}
