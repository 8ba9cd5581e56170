// ContactMapping: the rules of the mapping, one vCard property at a time, and the photo files beside
// an address book.
#include "emulator/addressbook/ContactMapping.h"

#include "emulator/addressbook/AsciiText.h"
#include "emulator/addressbook/HexEscapes.h"
#include "emulator/addressbook/PimInfoWriter.h"
#include "platform/emu/Text.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <set>

namespace devemu {

namespace {

namespace fs = std::filesystem;
using Section = PimInfoWriter::Section;

constexpr std::array<std::string_view, 18> mappedProperties {
    "FN", "N", "NICKNAME", "ORG", "TITLE", "TEL", "EMAIL", "ADR", "URL", "NOTE", "CATEGORIES", "PHOTO", "BDAY",
    "ANNIVERSARY", "X-ANNIVERSARY", "X-RINGTONE", "X-KORVANE-RINGTONE", "X-ABLABEL",
};

std::u16string trimmed(std::u16string_view text)
{
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(text[first]))
        ++first;
    while (last > first && blank(text[last - 1]))
        --last;
    return std::u16string(text.substr(first, last - first));
}

// The non-empty texts joined with `separator`.
std::u16string joined(const std::vector<std::u16string>& texts, std::u16string_view separator)
{
    std::u16string out;
    for (const std::u16string& text : texts) {
        if (text.empty())
            continue;
        if (!out.empty())
            out += separator;
        out += text;
    }
    return out;
}

// Every line break as CR LF, the platform's own.
std::u16string withCrLf(std::u16string_view text)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            out += u"\r\n";
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::u16string withoutPrefix(std::u16string text, std::string_view scheme)
{
    if (startsWithAsciiIgnoringCase(emu::toUtf8(text.substr(0, scheme.size())), scheme))
        text.erase(0, scheme.size());
    return text;
}

// A date as the PIM information block writes it, "1975.04.12", from "1975-04-12", "19750412" or
// either with a time after a "T"; nullopt for dates without a year and for texts.
std::optional<std::u16string> blockDate(std::u16string_view value)
{
    std::string digits;
    std::size_t i = 0;
    for (; i < value.size() && value[i] != u'T'; ++i) {
        if (value[i] >= u'0' && value[i] <= u'9')
            digits += static_cast<char>(value[i]);
        else if (value[i] != u'-' || (i != 4 && i != 7))
            return std::nullopt;
    }
    const std::u16string_view datePart = value.substr(0, i);
    if (digits.size() != 8 || (datePart.size() != 8 && datePart.size() != 10))
        return std::nullopt;
    const int year = std::stoi(digits.substr(0, 4));
    const int month = std::stoi(digits.substr(4, 2));
    const int day = std::stoi(digits.substr(6, 2));
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    constexpr std::array<int, 12> monthDays { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (month < 1 || month > 12 || day < 1 || day > monthDays[static_cast<std::size_t>(month - 1)] + (month == 2 && leap ? 1 : 0))
        return std::nullopt;
    return emu::fromUtf8(digits.substr(0, 4) + "." + digits.substr(4, 2) + "." + digits.substr(6, 2));
}

struct PhoneRole {
    // The label of such a number in the PIM information block.
    std::u16string_view label;
    // The properties it may take, first free first.
    std::vector<ContactProperty> slots;
    // Whether a type of the number chose the role.
    bool typed { true };
};

PhoneRole phoneRole(const VCardProperty& tel)
{
    using enum ContactProperty;
    if (tel.hasType("FAX"))
        return tel.hasType("HOME") ? PhoneRole { u"Home fax", { HomeFax } } : PhoneRole { u"Work fax", { WorkFax } };
    if (tel.hasType("PAGER"))
        return { u"Pager", { Pager } };
    if (tel.hasType("CAR"))
        return { u"Car", { CarPhone } };
    if (tel.hasType("X-RADIO"))
        return { u"Radio", { RadioPhone } };
    if (tel.hasType("X-MMS"))
        return { u"MMS", { MmsPhone } };
    if (tel.hasType("X-ASSISTANT"))
        return { u"Assistant", { AssistantPhone } };
    if (tel.hasType("MAIN") || tel.hasType("X-COMPANY"))
        return { u"Company", { CompanyPhone } };
    if (tel.hasType("CELL") || tel.hasType("IPHONE"))
        return { u"Mobile", { MobilePhone } };
    if (tel.hasType("WORK"))
        return { u"Work", { WorkPhone, WorkPhone2 } };
    if (tel.hasType("HOME"))
        return { u"Home", { HomePhone, HomePhone2 } };
    return { u"Other", { MobilePhone, HomePhone, WorkPhone }, false };
}

std::u16string_view placeLabel(const VCardProperty& property)
{
    if (property.hasType("WORK"))
        return u"Work";
    if (property.hasType("HOME"))
        return u"Home";
    return u"Other";
}

constexpr std::array<ContactProperty, 5> workAddress { ContactProperty::WorkStreet, ContactProperty::WorkCity,
    ContactProperty::WorkRegion, ContactProperty::WorkPostalCode, ContactProperty::WorkCountry };
constexpr std::array<ContactProperty, 5> homeAddress { ContactProperty::HomeStreet, ContactProperty::HomeCity,
    ContactProperty::HomeRegion, ContactProperty::HomePostalCode, ContactProperty::HomeCountry };
constexpr std::array<ContactProperty, 5> otherAddress { ContactProperty::OtherStreet, ContactProperty::OtherCity,
    ContactProperty::OtherRegion, ContactProperty::OtherPostalCode, ContactProperty::OtherCountry };

// A relative path or file: URL of a photo, as a path; nullopt for a URL of another scheme (http...),
// which the import does not fetch.
std::optional<std::string> photoPath(const std::string& reference)
{
    std::string path = reference;
    if (startsWithAsciiIgnoringCase(path, "file:")) {
        path.erase(0, 5);
        // "file:///folder/a.png" and "file://localhost/folder/a.png" name the same local file.
        if (path.starts_with("//"))
            path.erase(0, path.find('/', 2) == std::string::npos ? path.size() : path.find('/', 2));
    } else {
        const std::size_t colon = path.find(':');
        const std::size_t schemeEnd = path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+.-");
        // One letter before the colon is a drive ("C:\photo.jpg"), not a scheme.
        if (colon != std::string::npos && colon == schemeEnd && colon > 1)
            return std::nullopt;
    }
    if (const auto decoded = decodeHexEscapes(path, '%'))
        path = *decoded;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool isInside(const fs::path& folder, const fs::path& file)
{
    const auto [folderEnd, fileAt] = std::mismatch(folder.begin(), folder.end(), file.begin(), file.end());
    return folderEnd == folder.end();
}

// Maps the properties of one card, in the order of the card.
class CardMapper {
public:
    CardMapper(const VCard& card, const fs::path& folder)
        : m_card(card)
        , m_folder(folder)
    {
        m_contact.line = card.line;
        for (const VCardProperty& property : card.properties) {
            if (property.name == "X-ABLABEL" && !property.group.empty())
                m_groupLabels.emplace(upperAscii(property.group), trimmed(property.text()));
        }
    }

    std::optional<ImportedContact> map(VCardError& error)
    {
        std::vector<std::u16string> notes;
        for (const VCardProperty& property : m_card.properties) {
            const std::string& name = property.name;
            if (name == "N")
                mapName(property);
            else if (name == "FN")
                set(ContactProperty::FileAs, property.text());
            else if (name == "ORG")
                mapOrganisation(property);
            else if (name == "TITLE")
                set(ContactProperty::JobTitle, property.text());
            else if (name == "NICKNAME")
                set(ContactProperty::Nickname, joined(trimmedList(property.listValues()), u", "));
            else if (name == "TEL")
                mapPhone(property);
            else if (name == "EMAIL")
                mapEmail(property);
            else if (name == "ADR")
                mapAddress(property);
            else if (name == "URL")
                mapWebPage(property);
            else if (name == "NOTE")
                notes.push_back(property.text());
            else if (name == "CATEGORIES")
                addCategories(property);
            else if (name == "BDAY")
                mapDate(property, u"Birthday");
            else if (name == "ANNIVERSARY" || name == "X-ANNIVERSARY")
                mapDate(property, u"Anniversary");
            else if (name == "X-KORVANE-RINGTONE" || name == "X-RINGTONE")
                setRingtone(property);
            else if (name == "PHOTO" && m_contact.picture.empty() && !mapPhoto(property, error))
                return std::nullopt;
        }
        if (!m_contact.texts.contains(ContactProperty::FileAs))
            set(ContactProperty::FileAs, composedFileAs());
        notes.insert(notes.end(), m_undatedNotes.begin(), m_undatedNotes.end());
        m_contact.notes = m_block.appendTo(withCrLf(joined(notes, u"\n")));
        return std::move(m_contact);
    }

private:
    bool isFree(ContactProperty property) const { return !m_contact.texts.contains(property); }

    // Keeps the first text a property gets; empty texts are no text.
    void set(ContactProperty property, std::u16string_view text)
    {
        std::u16string value = trimmed(text);
        if (!value.empty() && isFree(property))
            m_contact.texts.emplace(property, std::move(value));
    }

    static std::vector<std::u16string> trimmedList(const std::vector<std::u16string>& texts)
    {
        std::vector<std::u16string> out;
        for (const std::u16string& text : texts)
            out.push_back(trimmed(text));
        return out;
    }

    // The label that the card's writer gave a grouped property ("item1.X-ABLabel:Dacha"); empty when
    // there is none, or it is one of the writer's standard labels ("_$!<Mobile>!$_").
    std::u16string customLabel(const VCardProperty& property) const
    {
        const auto found = property.group.empty() ? m_groupLabels.end() : m_groupLabels.find(upperAscii(property.group));
        if (found == m_groupLabels.end() || found->second.starts_with(u"_$!<"))
            return {};
        return found->second;
    }

    std::u16string labelFor(const VCardProperty& property, std::u16string_view fallback) const
    {
        const std::u16string custom = customLabel(property);
        return custom.empty() ? std::u16string(fallback) : custom;
    }

    void mapName(const VCardProperty& n)
    {
        const std::vector<std::u16string> parts = n.components();
        constexpr std::array<ContactProperty, 5> order { ContactProperty::LastName, ContactProperty::FirstName,
            ContactProperty::MiddleName, ContactProperty::Title, ContactProperty::Suffix };
        for (std::size_t i = 0; i < order.size() && i < parts.size(); ++i)
            set(order[i], parts[i]);
    }

    void mapOrganisation(const VCardProperty& org)
    {
        const std::vector<std::u16string> parts = trimmedList(org.components());
        set(ContactProperty::Company, parts.front());
        set(ContactProperty::Department, joined({ parts.begin() + 1, parts.end() }, u", "));
    }

    // "Last, First Middle", or the names there are; the company when the card has no names.
    std::u16string composedFileAs() const
    {
        const auto text = [this](ContactProperty property) {
            const auto found = m_contact.texts.find(property);
            return found == m_contact.texts.end() ? std::u16string() : found->second;
        };
        const std::u16string given = joined({ text(ContactProperty::FirstName), text(ContactProperty::MiddleName) }, u" ");
        const std::u16string names = joined({ text(ContactProperty::LastName), given }, u", ");
        return names.empty() ? text(ContactProperty::Company) : names;
    }

    void mapPhone(const VCardProperty& tel)
    {
        const std::u16string number = trimmed(withoutPrefix(trimmed(tel.text()), "tel:"));
        if (number.empty())
            return;
        const PhoneRole role = phoneRole(tel);
        const std::u16string custom = customLabel(tel);
        // A number known only by its writer's label keeps it in the block rather than pass for a mobile.
        if (role.typed || custom.empty()) {
            for (const ContactProperty slot : role.slots) {
                if (isFree(slot)) {
                    set(slot, number);
                    return;
                }
            }
        }
        m_block.add(Section::Phone, custom.empty() ? std::u16string(role.label) : custom, number);
    }

    void mapEmail(const VCardProperty& email)
    {
        const std::u16string address = trimmed(withoutPrefix(trimmed(email.text()), "mailto:"));
        if (address.empty())
            return;
        for (const ContactProperty slot : { ContactProperty::Email1, ContactProperty::Email2, ContactProperty::Email3 }) {
            if (isFree(slot)) {
                set(slot, address);
                return;
            }
        }
        m_block.add(Section::Email, labelFor(email, placeLabel(email)), address);
    }

    void mapWebPage(const VCardProperty& url)
    {
        const std::u16string page = trimmed(url.text());
        if (page.empty())
            return;
        if (isFree(ContactProperty::WebPage))
            set(ContactProperty::WebPage, page);
        else
            m_block.add(Section::WebPage, labelFor(url, placeLabel(url)), page);
    }

    // ADR is post office box; extended address; street; locality; region; postal code; country.
    void mapAddress(const VCardProperty& adr)
    {
        std::vector<std::u16string> parts = trimmedList(adr.components());
        parts.resize(7);
        const std::array<std::u16string, 5> address { joined({ parts[2], parts[1], parts[0] }, u", "), parts[3], parts[4], parts[5], parts[6] };
        if (std::all_of(address.begin(), address.end(), [](const std::u16string& part) { return part.empty(); }))
            return;
        std::vector<const std::array<ContactProperty, 5>*> groups;
        if (adr.hasType("WORK"))
            groups = { &workAddress };
        else if (adr.hasType("HOME"))
            groups = { &homeAddress };
        else
            groups = { &otherAddress, &homeAddress, &workAddress };
        for (const auto* group : groups) {
            if (std::all_of(group->begin(), group->end(), [this](ContactProperty property) { return isFree(property); })) {
                for (std::size_t i = 0; i < address.size(); ++i)
                    set((*group)[i], address[i]);
                return;
            }
        }
        m_block.addAddress(labelFor(adr, placeLabel(adr)), address);
    }

    void mapDate(const VCardProperty& date, std::u16string_view label)
    {
        const std::u16string value = trimmed(date.text());
        if (value.empty())
            return;
        if (const auto written = blockDate(value))
            m_block.add(Section::Date, label, *written);
        else
            m_undatedNotes.push_back(std::u16string(label) + u": " + value);
    }

    void addCategories(const VCardProperty& categories)
    {
        for (const std::u16string& name : trimmedList(categories.listValues())) {
            if (!name.empty() && m_foldedCategories.insert(emu::foldCase(name)).second)
                m_contact.categories.push_back(name);
        }
    }

    // X-KORVANE-RINGTONE is the suite's own and wins over X-RINGTONE wherever it stands.
    void setRingtone(const VCardProperty& ringtone)
    {
        const std::u16string path = trimmed(ringtone.text());
        if (path.empty())
            return;
        if (ringtone.name == "X-KORVANE-RINGTONE") {
            if (m_hasOwnRingtone)
                return;
            m_contact.texts.erase(ContactProperty::Ringtone);
            m_hasOwnRingtone = true;
        }
        set(ContactProperty::Ringtone, path);
    }

    // The first photo the card holds or names; a URL of another scheme than file: is passed over.
    bool mapPhoto(const VCardProperty& photo, VCardError& error)
    {
        if (photo.data) {
            if (photo.data->size() > ContactMapping::maxPictureBytes) {
                error = { photo.line, "a photo larger than 2 MiB" };
                return false;
            }
            m_contact.picture = *photo.data;
            return true;
        }
        const std::string reference = emu::toUtf8(trimmed(photo.text()));
        const auto path = photoPath(reference);
        if (!path || path->empty())
            return true;
        std::error_code folderFailure;
        std::error_code fileFailure;
        const fs::path folder = fs::weakly_canonical(m_folder.empty() ? fs::path(".") : m_folder, folderFailure);
        const fs::path named(*path);
        const fs::path file = fs::weakly_canonical(named.is_absolute() ? named : folder / named, fileFailure);
        // Symbolic links are resolved first, so that none leads out of the folder.
        if (folderFailure || fileFailure || !isInside(folder, file)) {
            error = { photo.line, "the photo " + reference + " is not inside the address book's folder" };
            return false;
        }
        if (!fs::is_regular_file(file, fileFailure)) {
            error = { photo.line, "the photo file " + reference + " is missing" };
            return false;
        }
        const std::uintmax_t size = fs::file_size(file, fileFailure);
        if (size > ContactMapping::maxPictureBytes) {
            error = { photo.line, "the photo file " + reference + " is larger than 2 MiB" };
            return false;
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        std::ifstream in(file, std::ios::binary);
        if (fileFailure || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
            error = { photo.line, "cannot read the photo file " + reference };
            return false;
        }
        m_contact.picture = std::move(bytes);
        return true;
    }

    const VCard& m_card;
    const fs::path& m_folder;
    // The writer's label of each group ("ITEM1" -> "Dacha"), the first where a group has several.
    std::map<std::string, std::u16string> m_groupLabels;
    std::set<std::u16string> m_foldedCategories;
    ImportedContact m_contact;
    PimInfoWriter m_block;
    // Dates that the block cannot carry ("--04-12", "circa 1800") stay readable in the notes.
    std::vector<std::u16string> m_undatedNotes;
    bool m_hasOwnRingtone { false };
};

}

std::span<const std::string_view> ContactMapping::propertyNames()
{
    return mappedProperties;
}

std::optional<ImportedContact> ContactMapping::map(const VCard& card, const fs::path& folder, VCardError& error)
{
    return CardMapper(card, folder).map(error);
}

}
