// AddressBookFile: the file's bytes, its cards, and each card mapped.
#include "emulator/addressbook/AddressBookFile.h"

#include "emulator/addressbook/ContactMapping.h"
#include "emulator/addressbook/VCardReader.h"

#include <fstream>
#include <string>

namespace devemu {

std::optional<std::vector<ImportedContact>> AddressBookFile::read(const std::filesystem::path& path, VCardError& error)
{
    std::error_code failure;
    if (!std::filesystem::is_regular_file(path, failure)) {
        error = { 0, "no address book file " + path.string() };
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(std::filesystem::file_size(path, failure)), '\0');
    std::ifstream in(path, std::ios::binary);
    if (failure || !in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        error = { 0, "cannot read " + path.string() };
        return std::nullopt;
    }
    const auto cards = VCardReader::read(text, ContactMapping::propertyNames(), error);
    if (!cards)
        return std::nullopt;
    const std::filesystem::path folder = std::filesystem::absolute(path, failure).parent_path();
    std::vector<ImportedContact> contacts;
    contacts.reserve(cards->size());
    for (const VCard& card : *cards) {
        auto contact = ContactMapping::map(card, folder, error);
        if (!contact)
            return std::nullopt;
        contacts.push_back(std::move(*contact));
    }
    return contacts;
}

}
