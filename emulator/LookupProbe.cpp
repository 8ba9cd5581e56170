#include "emulator/LookupProbe.h"

#include "emulator/ProbeProgram.h"
#include "platform/api/WinBase.h"
#include "platform/emu/Text.h"
#include "common/SettingsStore.h"
#include "vyx/contacts/CallerLookup.h"
#include "vyx/contacts/ContactName.h"
#include "vyx/contacts/ContactNotes.h"
#include "vyx/contacts/NumberTypeLabel.h"
#include "vyx/resources/VyxStrings.h"

#include <cstdio>

namespace devemu {

namespace {

constexpr std::size_t minimumDigits = 6;
constexpr DWORD lookupBudgetMs = 4000;

int lookup(ProbeExchange& exchange)
{
    vyx::PimDatabase contacts;
    if (!contacts.Open(u"Contacts Database", {}, 0, nullptr)) {
        exchange.error = "the device has no contacts database";
        return 2;
    }
    vyx::IndexStore index;
    vyx::PropsStore props;
    if (!index.Open() || !props.Open()) {
        exchange.error = "no valid index at \\pim_index1.dat and \\pim_index2.dat (missing, cut short or busy)";
        return 2;
    }
    vyx::CallerLookup lookup(contacts, index, props);
    const DWORD sortType = SettingsStore::GetDword(u"Settings", u"SortType", 0);
    std::vector<DWORD> found;
    std::vector<std::u16string> tails;
    lookup.FindContactsByNumber(exchange.request[1], minimumDigits, lookupBudgetMs, found, tails);
    for (std::size_t i = 0; i < found.size(); ++i) {
        vyx::CallerInfo record;
        if (!lookup.LoadContact(found[i], record))
            continue;
        const auto label = vyx::NumberTypeLabel::Of(record, tails[i]);
        exchange.answer.push_back("contact " + std::to_string(found[i]) + " " + emu::quotedText(vyx::ContactName::ForCallerScreen(record, sortType)) + " label "
            + emu::quotedText(label.value_or(u"")) + " tail " + emu::toUtf8(tails[i]));
    }
    if (exchange.answer.empty())
        exchange.answer.push_back("no contact");
    return 0;
}

std::string dateText(FILETIME time)
{
    SYSTEMTIME day {};
    FileTimeToSystemTime(&time, &day);
    char text[32];
    std::snprintf(text, sizeof text, "%04u.%02u.%02u", day.wYear, day.wMonth, day.wDay);
    return text;
}

void pairLines(std::vector<std::string>& lines, const char* kind, const std::vector<vyx::ContactExtras::Pair>& pairs)
{
    for (const auto& pair : pairs)
        lines.push_back(std::string(kind) + " " + emu::quotedText(pair.label) + " " + emu::quotedText(pair.value));
}

int extras(ProbeExchange& exchange)
{
    const std::string id = emu::toUtf8(exchange.request[1]);
    char* end = nullptr;
    const unsigned long contact = std::strtoul(id.c_str(), &end, 0);
    vyx::PimDatabase contacts;
    if (id.empty() || *end != 0 || contact == 0 || !contacts.Open(u"Contacts Database", {}, 0, nullptr) || !contacts.SeekIdentifier(contact)) {
        exchange.error = "no contact " + id;
        return 2;
    }
    const std::vector<CEPROPID> notesProperty { MAKEPROPID(0x1E, CEVT_STREAM) };
    CEOID record = 0;
    std::vector<vyx::PropertyValue> values;
    if (!contacts.ReadProps(&notesProperty, record, values) || record != contact) {
        exchange.error = "no contact " + id;
        return 2;
    }
    const std::vector<BYTE> notes = values.front().IsAbsent() ? std::vector<BYTE>() : values.front().AsBytes();
    const auto parsed = vyx::ContactNotes::ParseNotes(notes);
    const vyx::ContactExtras& found = parsed.extras;
    auto& lines = exchange.answer;
    lines.push_back("visible " + emu::quotedText(parsed.visibleText));
    pairLines(lines, "phone", found.phones);
    pairLines(lines, "email", found.emails);
    pairLines(lines, "webpage", found.webPages);
    pairLines(lines, "people", found.people);
    pairLines(lines, "link", found.links);
    pairLines(lines, "otherprop", found.otherProperties);
    for (const auto& messenger : found.messengers)
        lines.push_back("messenger " + emu::quotedText(messenger.label) + " " + emu::quotedText(messenger.firstText) + " "
            + emu::quotedText(messenger.secondText));
    for (const auto& address : found.addresses) {
        std::string line = "address " + emu::quotedText(address.name);
        for (const auto& part : address.parts)
            line += " " + emu::quotedText(part);
        lines.push_back(line + " number " + std::to_string(address.number));
    }
    for (const auto& dated : found.datedEntries)
        lines.push_back("date " + emu::quotedText(dated.label) + " " + dateText(dated.time));
    for (const auto& [name, number] : { std::pair { "home", found.homeNumber }, std::pair { "business", found.businessNumber },
             std::pair { "other", found.otherNumber } }) {
        if (number != 0)
            lines.push_back(std::string(name) + " " + std::to_string(number));
    }
    return 0;
}

int probeMain(ProbeExchange& exchange)
{
    if (exchange.request.size() != 2)
        return 1;
    if (exchange.request[0] == u"lookup")
        return lookup(exchange);
    if (exchange.request[0] == u"extras")
        return extras(exchange);
    return 1;
}

}

std::vector<std::string> LookupProbe::run(emu::Device& device, const std::vector<std::u16string>& request, std::string& error)
{
    return ProbeProgram::run(device, path, "lookup", probeMain, &vyx::vyxResources(), request, error);
}

}
