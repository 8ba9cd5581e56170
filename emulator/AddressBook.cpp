#include "emulator/AddressBook.h"

#include "platform/emu/CodePage.h"
#include "platform/emu/ContactsSchema.h"
#include "platform/emu/DbError.h"
#include "platform/emu/DbVolume.h"
#include "platform/emu/Device.h"
#include "platform/emu/ObjectStore.h"
#include "platform/emu/Text.h"

#include <algorithm>

namespace devemu {

namespace {

using emu::ContactsSchema;
using emu::StoredProperty;
using emu::StoredRecord;

constexpr DWORD contactKind = 0x80000000;

const StoredProperty* find(const std::vector<StoredProperty>& properties, CEPROPID id)
{
    for (const StoredProperty& property : properties) {
        if (property.id == id)
            return &property;
    }
    return nullptr;
}

std::optional<std::int64_t> numberOf(const std::vector<StoredProperty>& properties, CEPROPID id)
{
    const StoredProperty* property = find(properties, id);
    if (!property)
        return std::nullopt;
    if (const auto* number = std::get_if<std::int64_t>(&property->value))
        return *number;
    return std::nullopt;
}

// Adds a number property in place (a number built inside a temporary StoredProperty trips GCC's
// maybe-uninitialized analysis of the variant).
void addNumber(std::vector<StoredProperty>& properties, CEPROPID id, std::int64_t number)
{
    StoredProperty& added = properties.emplace_back();
    added.id = id;
    added.value = number;
}

std::u16string textOf(const std::vector<StoredProperty>& properties, CEPROPID id)
{
    const StoredProperty* property = find(properties, id);
    if (!property)
        return {};
    if (const auto* text = std::get_if<std::u16string>(&property->value))
        return *text;
    return {};
}

// Runs `work` in one transaction of the volume: all of it lands, or nothing.
template <class Work>
auto inTransaction(emu::DbVolume& volume, Work work)
{
    volume.beginTransaction();
    try {
        auto result = work();
        volume.commitTransaction();
        return result;
    } catch (...) {
        volume.rollbackTransaction();
        throw;
    }
}

}

AddressBook::AddressBook(emu::Device& device)
    : m_device(device)
{
    try {
        m_volume = device.objectStore().volume(ContactsSchema::volumePath);
    } catch (const emu::DbError& failure) {
        throw AddressBookError(std::string("the device's contacts cannot be opened: ") + failure.what());
    }
}

AddressBook::~AddressBook() = default;

CEOID AddressBook::contactsDatabase()
{
    const auto* database = m_volume->findDatabase(ContactsSchema::contactsDatabase);
    if (!database)
        throw AddressBookError("the device has no contacts database");
    return database->oid;
}

void AddressBook::ensureCategories()
{
    ContactsSchema::createCategoryDatabases(*m_volume);
}

std::vector<BYTE> AddressBook::encodeNotes(std::u16string_view notes)
{
    if (notes.empty())
        return {};
    if (const auto codePage = emu::CodePage::open(1251)) {
        const auto encoded = codePage->encode(notes, "?");
        if (!encoded.replaced)
            return std::vector<BYTE>(encoded.bytes.begin(), encoded.bytes.end());
    }
    std::vector<BYTE> bytes { 0xFE, 0xFF };
    for (const char16_t unit : notes) {
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
}

std::u16string AddressBook::decodeNotes(const std::vector<BYTE>& stored)
{
    if (stored.size() >= 2 && stored[0] == 0xFE && stored[1] == 0xFF) {
        std::u16string text;
        for (std::size_t i = 2; i + 1 < stored.size(); i += 2)
            text += static_cast<char16_t>(stored[i] | (stored[i + 1] << 8));
        return text;
    }
    const auto codePage = emu::CodePage::open(1251);
    return codePage ? codePage->decode(std::string_view(reinterpret_cast<const char*>(stored.data()), stored.size())) : u"";
}

std::vector<StoredProperty> AddressBook::propertiesOf(const ContactChanges& changes) const
{
    std::vector<StoredProperty> properties;
    for (const auto& [id, text] : changes.texts)
        properties.push_back(StoredProperty { id, text });
    if (changes.notes && !changes.notes->empty())
        properties.push_back(StoredProperty { ContactsSchema::notes, encodeNotes(*changes.notes) });
    if (changes.picture && !changes.picture->empty())
        properties.push_back(StoredProperty { ContactsSchema::picture, *changes.picture });
    if (changes.demoted)
        addNumber(properties, ContactsSchema::demotion, *changes.demoted);
    if (changes.linkType)
        addNumber(properties, ContactsSchema::linkType, *changes.linkType);
    return properties;
}

DWORD AddressBook::nextCategoryKey()
{
    std::int64_t highest = 0;
    for (const StoredRecord& record : m_volume->records(contactsDatabase()))
        highest = std::max(highest, numberOf(record.properties, ContactsSchema::categoryKey).value_or(0));
    return static_cast<DWORD>(highest + 1);
}

CEOID AddressBook::categoryNumber(std::u16string_view name, std::size_t& created)
{
    const auto* main = m_volume->findDatabase(ContactsSchema::categoryMainDatabase);
    for (const StoredRecord& record : m_volume->records(main->oid)) {
        if (textOf(record.properties, ContactsSchema::categoryName) == name)
            return static_cast<CEOID>(numberOf(record.properties, ContactsSchema::categoryNumber).value_or(0));
    }
    const StoredProperty nameProperty { ContactsSchema::categoryName, std::u16string(name) };
    const CEOID record = m_volume->writeRecord(main->oid, 0, std::span(&nameProperty, 1));
    ++created;
    return static_cast<CEOID>(numberOf(m_volume->readRecord(record), ContactsSchema::categoryNumber).value_or(0));
}

void AddressBook::setCategories(CEOID contact, DWORD& categoryKey, const std::vector<std::u16string>& names,
                                std::size_t& created)
{
    ensureCategories();
    const auto* associations = m_volume->findDatabase(ContactsSchema::categoryAssocDatabase);
    if (categoryKey != 0) {
        const std::int64_t itemKey = contactKind | categoryKey;
        for (const StoredRecord& record : m_volume->records(associations->oid)) {
            if (numberOf(record.properties, ContactsSchema::assocItemKey) == itemKey)
                m_volume->deleteRecord(associations->oid, record.oid);
        }
    }
    if (names.empty())
        return;
    if (categoryKey == 0) {
        categoryKey = nextCategoryKey();
        std::vector<StoredProperty> key;
        addNumber(key, ContactsSchema::categoryKey, categoryKey);
        m_volume->writeRecord(contactsDatabase(), contact, key);
    }
    associate(categoryKey, names, created);
}

void AddressBook::associate(DWORD categoryKey, const std::vector<std::u16string>& names, std::size_t& created)
{
    const auto* associations = m_volume->findDatabase(ContactsSchema::categoryAssocDatabase);
    for (const std::u16string& name : names) {
        std::vector<StoredProperty> association;
        addNumber(association, ContactsSchema::assocItemKey, contactKind | categoryKey);
        addNumber(association, ContactsSchema::assocCategory, categoryNumber(name, created));
        m_volume->writeRecord(associations->oid, 0, association);
    }
}

AddressBook::ImportCounts AddressBook::import(const std::vector<ImportedContact>& cards)
{
    try {
        return inTransaction(*m_volume, [&] {
            const CEOID database = contactsDatabase();
            ImportCounts counts { 0, 0 };
            const bool anyCategories = std::any_of(cards.begin(), cards.end(), [](const ImportedContact& card) { return !card.categories.empty(); });
            if (anyCategories)
                ensureCategories();
            DWORD nextKey = nextCategoryKey();
            for (const ImportedContact& card : cards) {
                ContactChanges changes;
                for (const auto& [property, text] : card.texts)
                    changes.texts[MAKEPROPID(static_cast<WORD>(property), CEVT_LPWSTR)] = text;
                changes.notes = card.notes;
                changes.picture = card.picture;
                auto properties = propertiesOf(changes);
                const DWORD key = card.categories.empty() ? 0 : nextKey++;
                if (key != 0)
                    addNumber(properties, ContactsSchema::categoryKey, key);
                m_volume->writeRecord(database, 0, properties);
                if (key != 0)
                    associate(key, card.categories, counts.categories);
                ++counts.contacts;
            }
            return counts;
        });
    } catch (const emu::DbError& failure) {
        throw AddressBookError(std::string("nothing imported: ") + failure.what());
    }
}

std::vector<StoredRecord> AddressBook::contacts()
{
    return m_volume->records(contactsDatabase());
}

std::optional<StoredRecord> AddressBook::contact(CEOID id)
{
    if (m_volume->databaseOfRecord(id) != contactsDatabase())
        return std::nullopt;
    return StoredRecord { id, m_volume->readRecord(id) };
}

std::vector<std::u16string> AddressBook::categoriesOf(const StoredRecord& contact)
{
    std::vector<std::u16string> names;
    const auto* associations = m_volume->findDatabase(ContactsSchema::categoryAssocDatabase);
    const auto* main = m_volume->findDatabase(ContactsSchema::categoryMainDatabase);
    if (!associations || !main)
        return names;
    const std::int64_t itemKey = contactKind | numberOf(contact.properties, ContactsSchema::categoryKey).value_or(0);
    const auto categoryRecords = m_volume->records(main->oid);
    for (const StoredRecord& association : m_volume->records(associations->oid)) {
        if (numberOf(association.properties, ContactsSchema::assocItemKey) != itemKey)
            continue;
        const auto number = numberOf(association.properties, ContactsSchema::assocCategory);
        for (const StoredRecord& category : categoryRecords) {
            if (numberOf(category.properties, ContactsSchema::categoryNumber) == number)
                names.push_back(textOf(category.properties, ContactsSchema::categoryName));
        }
    }
    return names;
}

CEOID AddressBook::add(const ContactChanges& changes)
{
    try {
        return inTransaction(*m_volume, [&] {
            const auto properties = propertiesOf(changes);
            if (properties.empty() && !changes.categories)
                throw AddressBookError("a contact needs at least one field");
            const CEOID contact = m_volume->writeRecord(contactsDatabase(), 0, properties);
            if (changes.categories) {
                DWORD key = 0;
                std::size_t created = 0;
                setCategories(contact, key, *changes.categories, created);
            }
            return contact;
        });
    } catch (const emu::DbError& failure) {
        throw AddressBookError(failure.what());
    }
}

void AddressBook::edit(CEOID id, const ContactChanges& changes)
{
    const auto existing = contact(id);
    if (!existing)
        throw AddressBookError("no contact " + std::to_string(id));
    try {
        inTransaction(*m_volume, [&] {
            std::vector<CEPROPID> removed = changes.removedTexts;
            if (changes.notes && changes.notes->empty())
                removed.push_back(ContactsSchema::notes);
            if (changes.picture && changes.picture->empty())
                removed.push_back(ContactsSchema::picture);
            const auto properties = propertiesOf(changes);
            if (!properties.empty() || !removed.empty())
                m_volume->writeRecord(contactsDatabase(), id, properties, removed);
            if (changes.categories) {
                DWORD key = static_cast<DWORD>(numberOf(existing->properties, ContactsSchema::categoryKey).value_or(0));
                std::size_t created = 0;
                setCategories(id, key, *changes.categories, created);
            }
            return 0;
        });
    } catch (const emu::DbError& failure) {
        throw AddressBookError(failure.what());
    }
}

void AddressBook::remove(CEOID id)
{
    const auto existing = contact(id);
    if (!existing)
        throw AddressBookError("no contact " + std::to_string(id));
    try {
        inTransaction(*m_volume, [&] {
            DWORD key = static_cast<DWORD>(numberOf(existing->properties, ContactsSchema::categoryKey).value_or(0));
            if (key != 0 && m_volume->findDatabase(ContactsSchema::categoryAssocDatabase)) {
                std::size_t created = 0;
                setCategories(id, key, {}, created);
            }
            m_volume->deleteRecord(contactsDatabase(), id);
            return 0;
        });
    } catch (const emu::DbError& failure) {
        throw AddressBookError(failure.what());
    }
}

std::vector<CategoryUse> AddressBook::categories()
{
    std::vector<CategoryUse> uses;
    const auto* main = m_volume->findDatabase(ContactsSchema::categoryMainDatabase);
    const auto* associations = m_volume->findDatabase(ContactsSchema::categoryAssocDatabase);
    if (!main || !associations)
        return uses;
    const auto links = m_volume->records(associations->oid);
    for (const StoredRecord& category : m_volume->records(main->oid)) {
        const auto number = numberOf(category.properties, ContactsSchema::categoryNumber);
        const auto used = std::count_if(links.begin(), links.end(), [&](const StoredRecord& link) {
            const auto key = numberOf(link.properties, ContactsSchema::assocItemKey).value_or(0);
            return (key & 0xF0000000) == contactKind && numberOf(link.properties, ContactsSchema::assocCategory) == number;
        });
        uses.push_back(CategoryUse { static_cast<DWORD>(number.value_or(0)), textOf(category.properties, ContactsSchema::categoryName),
            static_cast<std::size_t>(used) });
    }
    return uses;
}

}
