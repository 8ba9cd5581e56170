#include "vyx/contacts/ContactWords.h"

#include "platform/api/WinNls.h"
#include "vyx/contacts/PhoneFields.h"
#include "vyx/keypad/KeyGroup.h"
#include "vyx/keypad/WordSplitter.h"

#include <string>

namespace vyx {

namespace {

// An address's parts in the order the index enters them (the second, fifth, fourth, third and first).
constexpr std::size_t addressPartOrder[] { 1, 4, 3, 2, 0 };
static_assert(std::size(addressPartOrder) == ContactExtras::Address::partCount);

std::u16string textOf(const Str& text)
{
    return std::u16string(static_cast<LPCWSTR>(text), static_cast<std::size_t>(text.GetLength()));
}

// Splits the text into words and lists each lower-cased word, and its keypad key when it has one.
class WordList {
public:
    WordList(IndexedContact& contact, const keypad::KeypadAlphabet& alphabet)
        : m_contact(contact)
        , m_alphabet(alphabet)
    {
    }

    void AddText(std::u16string_view text)
    {
        for (const Str& piece : keypad::WordSplitter::Words(text)) {
            const Str lowered = keypad::KeyGroup::LowerCased(piece);
            m_contact.words.push_back(textOf(lowered));
            const Str key = m_alphabet.GroupKey(lowered);
            if (!key.IsEmpty())
                m_contact.keypadKeys.push_back(textOf(key));
        }
    }

    // A number in decimal; zero stands for no number and adds nothing.
    void AddNumber(DWORD value)
    {
        if (value == 0)
            return;
        const std::string digits = std::to_string(value);
        AddText(std::u16string(digits.begin(), digits.end()));
    }

    // The date as the device writes a short date; a time no date can be written for adds nothing.
    void AddDate(const FILETIME& time)
    {
        SYSTEMTIME date {};
        if (!FileTimeToSystemTime(&time, &date))
            return;
        const int size = GetDateFormat(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, &date, nullptr, nullptr, 0);
        if (size <= 0)
            return;
        std::u16string text(static_cast<std::size_t>(size), u'\0');
        if (GetDateFormat(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, &date, nullptr, text.data(), size) != size)
            return;
        text.pop_back();
        AddText(text);
    }

    // The words of a phone field, then its number keys; the keys have no keypad form.
    void AddPhone(std::u16string_view number)
    {
        AddText(number);
        for (const NumberKey& key : NumberKeysOfField(number))
            m_contact.words.emplace_back(key.Text());
    }

private:
    IndexedContact& m_contact;
    const keypad::KeypadAlphabet& m_alphabet;
};

bool isZero(const FILETIME& time)
{
    return time.dwLowDateTime == 0 && time.dwHighDateTime == 0;
}

}

IndexedContact ContactWords::Of(const CallerInfo& record, std::u16string_view visibleNotesText,
                                const keypad::KeypadAlphabet& alphabet)
{
    IndexedContact contact;
    contact.identifier = record.identifier;
    WordList words(contact, alphabet);

    for (const std::u16string& text : record.texts)
        words.AddText(text);
    for (const FILETIME& date : { record.dateA, record.dateB }) {
        if (!isZero(date))
            words.AddDate(date);
    }
    for (const std::u16string& number : record.PhoneNumbers())
        words.AddPhone(number);

    const ContactExtras& extras = record.extras;
    for (const auto* pairs : { &extras.emails, &extras.webPages, &extras.people, &extras.links, &extras.otherProperties }) {
        for (const ContactExtras::Pair& pair : *pairs)
            words.AddText(pair.value);
    }
    for (const ContactExtras::Messenger& messenger : extras.messengers)
        words.AddText(messenger.secondText);
    for (const ContactExtras::Dated& dated : extras.datedEntries)
        words.AddDate(dated.time);
    for (const ContactExtras::Address& address : extras.addresses) {
        words.AddNumber(address.number);
        for (const std::size_t part : addressPartOrder)
            words.AddText(address.parts[part]);
    }
    for (const DWORD number : { extras.homeNumber, extras.otherNumber, extras.businessNumber })
        words.AddNumber(number);

    words.AddText(visibleNotesText);
    return contact;
}

}
