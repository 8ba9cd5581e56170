// IndexProbe: the helper program behind `index`, and running one request in it.
#include "emulator/IndexProbe.h"

#include "emulator/ProbeProgram.h"
#include "platform/api/WinNls.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"
#include "vyx/contacts/IndexStore.h"
#include "vyx/contacts/NumberKey.h"
#include "vyx/contacts/PhoneDigits.h"
#include "vyx/keypad/VyxAlphabetLoader.h"
#include "vyx/resources/VyxStrings.h"

#include <memory>

namespace devemu {

namespace {

// "contacts 3: 65537 65538 65540", or "contacts 0".
std::string contactsLine(const std::vector<DWORD>& contacts)
{
    std::string line = "contacts " + std::to_string(contacts.size());
    for (std::size_t i = 0; i < contacts.size(); ++i)
        line += (i == 0 ? ": " : " ") + std::to_string(contacts[i]);
    return line;
}

// A key typed on the keypad: each digit 2 to 9 becomes the first letter of its key's group. Any other
// text is taken as a keypad key already, lower-cased.
bool keypadKey(const std::u16string& typed, std::u16string& key, std::string& error)
{
    const bool digits = !typed.empty() && typed.find_first_not_of(u"0123456789") == std::u16string::npos;
    if (!digits) {
        key = typed;
        CharLowerBuff(key.data(), static_cast<DWORD>(key.size()));
        return true;
    }
    const keypad::KeypadAlphabet alphabet = keypad::VyxAlphabetLoader::Load();
    for (const char16_t digit : typed) {
        const keypad::KeyGroup* group = alphabet.GroupOfKey(digit);
        if (!group || group->IsEmpty()) {
            error = "no letters on key " + std::string(1, static_cast<char>(digit));
            return false;
        }
        key += group->Representative();
    }
    return true;
}

int probeMain(ProbeExchange& exchange)
{
    const std::vector<std::u16string>& request = exchange.request;
    const std::u16string& action = request.front();
    vyx::IndexStore store;
    if (!store.Open()) {
        exchange.error = "no valid index at \\pim_index1.dat (missing, cut short or not an index)";
        return 2;
    }
    const int order = request.size() == 3 && request[2] == u"1" ? 1 : 0;
    if (action == u"search" && request.size() == 3) {
        exchange.answer.push_back(contactsLine(store.SearchWords(request[1], order)));
    } else if (action == u"keys" && request.size() == 3) {
        std::u16string key;
        if (!keypadKey(request[1], key, exchange.error))
            return 2;
        exchange.answer.push_back(contactsLine(store.SearchKeys(key, order)));
    } else if (action == u"numbers" && request.size() == 2) {
        const auto key = vyx::NumberKey::MakeNumberKey(vyx::PhoneDigits::DigitsOnly(request[1]));
        if (!key) {
            exchange.error = "no digits in " + emu::quotedText(request[1]);
            return 2;
        }
        exchange.answer.push_back(contactsLine(store.SearchPrefix(key->Text())));
    } else if (action == u"stats" && request.size() == 1) {
        const vyx::IndexStore::Statistics stats = store.Stats();
        exchange.answer = { "used length " + std::to_string(stats.usedLength),
                            "free " + std::to_string(stats.freeBytes) + " bytes in " + std::to_string(stats.freeBlocks) + " blocks",
                            "word tree " + std::to_string(stats.wordNodes) + " nodes",
                            "keypad tree " + std::to_string(stats.keypadNodes) + " nodes",
                            "contacts " + std::to_string(stats.contacts) };
    } else {
        return 1;
    }
    return 0;
}

}

std::vector<std::string> IndexProbe::run(emu::Device& device, const std::vector<std::u16string>& request, std::string& error)
{
    return ProbeProgram::run(device, path, "index", probeMain, &vyx::vyxResources(), request, error);
}

}
