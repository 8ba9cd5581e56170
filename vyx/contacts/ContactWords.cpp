#include "vyx/contacts/ContactWords.h"
#include "platform/api/WinNls.h"
#include "vyx/contacts/PhoneFields.h"
#include "vyx/keypad/WordSplitter.h"
namespace vyx {
IndexedContact ContactWords::Of(const CallerInfo& record, std::u16string_view visibleNotesText, const keypad::KeypadAlphabet& alphabet)
{
    IndexedContact entry;
    entry.identifier = record.identifier;
    auto add = [&](std::u16string_view text) {
        for (const Str& word : keypad::WordSplitter::Words(text)) {
            std::u16string lowered(static_cast<LPCWSTR>(word), static_cast<std::size_t>(word.GetLength()));
            CharLowerBuff(lowered.data(), static_cast<DWORD>(lowered.size()));
            entry.words.push_back(lowered);
            const Str key = alphabet.GroupKey(Str(lowered.c_str()));
            if (key.GetLength() > 0)
                entry.keypadKeys.emplace_back(static_cast<LPCWSTR>(key), static_cast<std::size_t>(key.GetLength()));
        }
    };
    for (const auto& text : record.texts)
        add(text);
    for (const auto& number : record.PhoneNumbers()) {
        add(number);
        for (const auto& key : NumberKeysOfField(number))
            entry.words.emplace_back(key.Text());
    }
    add(visibleNotesText);
    return entry;
}
}
