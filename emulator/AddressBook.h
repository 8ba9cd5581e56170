// AddressBook: the device's contacts and categories in "\pim.vol" as the phone's own address book
// keeps them, changed by devemu from outside the device's threads. Every change reaches the programs
// that watch the contacts database, as the phone's address book's changes do.
#pragma once

#include "emulator/addressbook/ImportedContact.h"
#include "platform/emu/StoredProperty.h"

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace emu {
class Device;
class DbVolume;
}

namespace devemu {

// A request the address book cannot carry out; its text says why.
struct AddressBookError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ContactChanges {
    std::map<CEPROPID, std::u16string> texts;
    std::vector<CEPROPID> removedTexts;
    std::optional<std::u16string> notes;
    std::optional<std::vector<std::u16string>> categories;
    std::optional<std::vector<BYTE>> picture;
    std::optional<DWORD> demoted;
    std::optional<LONG> linkType;
};

struct CategoryUse {
    DWORD number;
    std::u16string name;
    std::size_t contacts;
};

class AddressBook {
public:
    explicit AddressBook(emu::Device&);
    ~AddressBook();

    struct ImportCounts {
        std::size_t contacts;
        // Categories the import had to create.
        std::size_t categories;
    };
    // All or nothing: one transaction.
    ImportCounts import(const std::vector<ImportedContact>&);

    // Every contact in creation order, with its properties.
    std::vector<emu::StoredRecord> contacts();
    std::optional<emu::StoredRecord> contact(CEOID);
    // The names of a contact's categories, in their stored order.
    std::vector<std::u16string> categoriesOf(const emu::StoredRecord&);

    CEOID add(const ContactChanges&);
    void edit(CEOID, const ContactChanges&);
    void remove(CEOID);

    std::vector<CategoryUse> categories();

    // The notes as the device stores them: code page 1251 when every character has a byte there,
    // otherwise UTF-16 behind the bytes FE FF.
    static std::vector<BYTE> encodeNotes(std::u16string_view notes);
    static std::u16string decodeNotes(const std::vector<BYTE>& stored);

private:
    CEOID contactsDatabase();
    // The category databases, made when the volume lacks them.
    void ensureCategories();
    CEOID categoryNumber(std::u16string_view name, std::size_t& created);
    DWORD nextCategoryKey();
    std::vector<emu::StoredProperty> propertiesOf(const ContactChanges&) const;
    // Replaces the categories of a contact, giving it a category key when it has none.
    void setCategories(CEOID contact, DWORD& categoryKey, const std::vector<std::u16string>& names, std::size_t& created);
    void associate(DWORD categoryKey, const std::vector<std::u16string>& names, std::size_t& created);

    emu::Device& m_device;
    std::shared_ptr<emu::DbVolume> m_volume;
};

}
