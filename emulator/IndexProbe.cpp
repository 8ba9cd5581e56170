// IndexProbe: the helper program behind `index`, and running one request in it.
#include "emulator/IndexProbe.h"

#include "emulator/FamilyMember.h"
#include "emulator/ProbeProgram.h"
#include "platform/api/FileApi.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinNls.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"
#include "vyx/contacts/ContactManager.h"
#include "vyx/contacts/IndexStore.h"
#include "vyx/contacts/NumberKey.h"
#include "vyx/contacts/PhoneDigits.h"
#include "vyx/contacts/PimDatabase.h"
#include "vyx/contacts/PropsStore.h"
#include "vyx/contacts/StoreCheck.h"
#include "vyx/keypad/VyxAlphabetLoader.h"
#include "vyx/resources/VyxStrings.h"

#include <memory>

namespace devemu {

namespace {

// The probe's hidden main window while it takes part in the family's roster.
constexpr LPCWSTR rebuildWindowClass = u"INDEX_PROBE_MAINCLASS";

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

// The state word first, then why: `current`, `stale: REASON`, `missing: REASON`; a second line when
// the settings mark the files untrusted.
int check(ProbeExchange& exchange)
{
    vyx::PimDatabase contacts;
    if (!contacts.Open(vyx::ContactManager::contactsDatabase, {}, 0, nullptr)) {
        exchange.error = "the device has no contacts database";
        return 2;
    }
    vyx::IndexStore index;
    vyx::PropsStore props;
    const vyx::StoreCheck::Verdict verdict
        = vyx::StoreCheck::OpenAndCheck(index, props, contacts, vyx::StoreCheck::Compare::VolumeTimeAndCount);
    switch (verdict.state) {
    case vyx::StoreCheck::State::Current:
        exchange.answer.push_back("current");
        break;
    case vyx::StoreCheck::State::Stale:
        exchange.answer.push_back("stale: " + emu::toUtf8(verdict.reason));
        break;
    case vyx::StoreCheck::State::Missing:
        exchange.answer.push_back("missing: " + emu::toUtf8(verdict.reason));
        break;
    }
    if (vyx::StoreCheck::UntrustedBySettings()) {
        exchange.answer.push_back(
            "untrusted: the settings value \"pim_index1.dat\" or \"pim_index2.dat\" is set; a master connecting rebuilds");
    }
    return 0;
}

// "\pim_index1.dat 102448 bytes", or that the file is absent.
std::string fileLine(LPCWSTR path)
{
    WIN32_FIND_DATA found {};
    const HANDLE search = FindFirstFile(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return emu::toUtf8(path) + " absent";
    FindClose(search);
    return emu::toUtf8(path) + " " + std::to_string(found.nFileSizeLow) + " bytes";
}

// The stores change only under the roster's master: the probe takes mastership, rebuilds through the
// contact manager, saves, and leaves the roster, which hands mastership back to the first program left.
int rebuild(ProbeExchange& exchange)
{
    const HINSTANCE instance = GetModuleHandle(nullptr);
    FamilyMember member;
    if (std::string error = member.Join(instance, rebuildWindowClass); !error.empty()) {
        exchange.error = "cannot rebuild: " + error;
        return 2;
    }
    member.TakeMastership();
    if (!member.ConnectBook(instance)) {
        exchange.error = "cannot rebuild: the contacts database or the stores cannot be opened";
        return 2;
    }
    vyx::ContactManager& manager = *member.Book().Manager();
    if (!manager.Rebuild()) {
        exchange.error = "cannot rebuild: the stores cannot be created";
        return 2;
    }
    const DWORD contacts = manager.Index().Stats().contacts;
    member.Leave();
    exchange.answer = { "rebuilt " + std::to_string(contacts) + " contacts", fileLine(vyx::IndexStore::defaultPath),
                        fileLine(vyx::PropsStore::path) };
    return 0;
}

int probeMain(ProbeExchange& exchange)
{
    const std::vector<std::u16string>& request = exchange.request;
    const std::u16string& action = request.front();
    if (action == u"check" && request.size() == 1)
        return check(exchange);
    if (action == u"rebuild" && request.size() == 1)
        return rebuild(exchange);
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
