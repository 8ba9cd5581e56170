#include "emulator/ContactCommands.h"

#include "emulator/ContactFields.h"
#include "emulator/LookupProbe.h"
#include "emulator/addressbook/AddressBookFile.h"
#include "platform/emu/ContactsSchema.h"
#include "platform/emu/Text.h"
#include "platform/emu/Transcript.h"

#include <fstream>
#include <iterator>

namespace devemu {

namespace {

constexpr const char* contactsUsage =
    "contacts import FILE.vcf, contacts list, contacts show ID, contacts add FIELD=VALUE..., "
    "contacts edit ID FIELD=VALUE..., contacts delete ID, contacts extras ID";

CEOID contactId(const std::string& text)
{
    std::size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || value == 0 || value > 0xFFFFFFFFul)
        throw AddressBookError("not a contact identifier: " + text);
    return static_cast<CEOID>(value);
}

std::vector<std::u16string> splitCategories(std::u16string_view text)
{
    std::vector<std::u16string> names;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u',', start);
        if (end == std::u16string_view::npos)
            end = text.size();
        std::u16string_view name = text.substr(start, end - start);
        while (!name.empty() && name.front() == u' ')
            name.remove_prefix(1);
        while (!name.empty() && name.back() == u' ')
            name.remove_suffix(1);
        if (!name.empty())
            names.emplace_back(name);
        start = end + 1;
    }
    return names;
}

std::vector<BYTE> readPhoto(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw AddressBookError("cannot read the photo " + path);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

const emu::StoredProperty* find(const emu::StoredRecord& record, CEPROPID id)
{
    for (const auto& property : record.properties) {
        if (property.id == id)
            return &property;
    }
    return nullptr;
}

std::u16string textOf(const emu::StoredRecord& record, CEPROPID id)
{
    const auto* property = find(record, id);
    const auto* text = property ? std::get_if<std::u16string>(&property->value) : nullptr;
    return text ? *text : std::u16string();
}

}

ContactCommands::ContactCommands(emu::Device& device, emu::Transcript& transcript)
    : m_device(device)
    , m_transcript(transcript)
{
}

void ContactCommands::contacts(const std::vector<std::string>& arguments)
{
    const std::string action = arguments.size() > 1 ? arguments[1] : "";
    const std::size_t count = arguments.size() - 1;
    if (action == "import" && count == 2)
        return import(arguments[2]);
    if (action == "list" && count == 1)
        return list();
    if (action == "show" && count == 2)
        return show(contactId(arguments[2]));
    if (action == "add" && count >= 2) {
        const CEOID added = AddressBook(m_device).add(changesOf(arguments, 2, false));
        m_transcript.event("added contact " + std::to_string(added));
        return;
    }
    if (action == "edit" && count >= 3) {
        const CEOID id = contactId(arguments[2]);
        AddressBook(m_device).edit(id, changesOf(arguments, 3, true));
        m_transcript.event("edited contact " + std::to_string(id));
        return;
    }
    if (action == "delete" && count == 2) {
        const CEOID id = contactId(arguments[2]);
        AddressBook(m_device).remove(id);
        m_transcript.event("deleted contact " + std::to_string(id));
        return;
    }
    if (action == "extras" && count == 2) {
        std::string error;
        const auto lines = LookupProbe::run(m_device, { u"extras", emu::fromUtf8(arguments[2]) }, error);
        if (!error.empty())
            throw AddressBookError(error);
        for (const std::string& line : lines)
            m_transcript.event(line);
        return;
    }
    throw AddressBookError(std::string("usage: ") + contactsUsage);
}

void ContactCommands::categories(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2 || arguments[1] != "list")
        throw AddressBookError("usage: categories list");
    for (const CategoryUse& category : AddressBook(m_device).categories())
        m_transcript.event(std::to_string(category.number) + " " + emu::quotedText(category.name) + " "
            + std::to_string(category.contacts) + (category.contacts == 1 ? " contact" : " contacts"));
}

void ContactCommands::import(const std::string& file)
{
    VCardError error;
    const auto cards = AddressBookFile::read(file, error);
    if (!cards)
        throw AddressBookError(file + ": " + error.text() + "; nothing imported");
    const auto counts = AddressBook(m_device).import(*cards);
    m_transcript.event("imported " + std::to_string(counts.contacts) + " contacts, " + std::to_string(counts.categories)
        + " categories");
}

void ContactCommands::list()
{
    using emu::ContactsSchema;
    for (const emu::StoredRecord& contact : AddressBook(m_device).contacts()) {
        std::string line = std::to_string(contact.oid) + " " + emu::quotedText(textOf(contact, MAKEPROPID(0x84, CEVT_LPWSTR))) + " "
            + emu::quotedText(textOf(contact, MAKEPROPID(0x82, CEVT_LPWSTR))) + " "
            + emu::quotedText(textOf(contact, MAKEPROPID(0x8A, CEVT_LPWSTR)));
        for (const CEPROPID number : ContactsSchema::phoneNumbers) {
            const std::u16string text = textOf(contact, number);
            if (!text.empty())
                line += " " + emu::quotedText(text);
        }
        m_transcript.event(line);
    }
}

void ContactCommands::show(CEOID id)
{
    using emu::ContactsSchema;
    AddressBook book(m_device);
    const auto contact = book.contact(id);
    if (!contact)
        throw AddressBookError("no contact " + std::to_string(id));
    m_transcript.event("contact " + std::to_string(id));
    for (const ContactField& field : ContactFields::texts()) {
        const std::u16string text = textOf(*contact, field.property);
        if (!text.empty())
            m_transcript.event("  " + std::string(field.name) + " = " + emu::quotedText(text));
    }
    if (const auto* notes = find(*contact, ContactsSchema::notes)) {
        if (const auto* bytes = std::get_if<std::vector<BYTE>>(&notes->value))
            m_transcript.event("  notes = " + emu::quotedText(AddressBook::decodeNotes(*bytes)));
    }
    const auto categories = book.categoriesOf(*contact);
    if (!categories.empty()) {
        std::string line = "  categories =";
        for (const auto& name : categories)
            line += " " + emu::quotedText(name);
        m_transcript.event(line);
    }
    if (const auto* picture = find(*contact, ContactsSchema::picture)) {
        if (const auto* bytes = std::get_if<std::vector<BYTE>>(&picture->value))
            m_transcript.event("  photo = " + std::to_string(bytes->size()) + " bytes");
    }
    for (const auto& [property, name] : { std::pair { ContactsSchema::demotion, ContactFields::demoted },
             std::pair { ContactsSchema::linkType, ContactFields::linkType } }) {
        if (const auto* value = find(*contact, property)) {
            if (const auto* number = std::get_if<std::int64_t>(&value->value))
                m_transcript.event("  " + std::string(name) + " = " + std::to_string(*number));
        }
    }
}

ContactChanges ContactCommands::changesOf(const std::vector<std::string>& arguments, std::size_t from, bool editing) const
{
    ContactChanges changes;
    for (std::size_t i = from; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos || equals == 0)
            throw AddressBookError("not FIELD=VALUE: " + argument);
        const std::string field = argument.substr(0, equals);
        const std::string value = argument.substr(equals + 1);
        const std::u16string text = emu::fromUtf8(value);
        if (const auto property = ContactFields::textProperty(field)) {
            if (!text.empty())
                changes.texts[*property] = text;
            else if (editing)
                changes.removedTexts.push_back(*property);
        } else if (field == ContactFields::notes) {
            changes.notes = text;
        } else if (field == ContactFields::categories) {
            changes.categories = splitCategories(text);
        } else if (field == ContactFields::photo) {
            changes.picture = value.empty() ? std::vector<BYTE>() : readPhoto(value);
        } else if (field == ContactFields::demoted || field == ContactFields::linkType) {
            std::size_t used = 0;
            long number = 0;
            try {
                number = std::stol(value, &used, 0);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == 0 || used != value.size())
                throw AddressBookError("not a number for " + field + ": " + value);
            if (field == ContactFields::demoted)
                changes.demoted = static_cast<DWORD>(number);
            else
                changes.linkType = static_cast<LONG>(number);
        } else {
            throw AddressBookError("unknown field " + field + " (see the README's list of contact fields)");
        }
    }
    return changes;
}

}
