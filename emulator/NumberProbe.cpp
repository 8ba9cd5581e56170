// NumberProbe: the helper program behind `numbers`, and running one request in it.
#include "emulator/NumberProbe.h"

#include "emulator/ProbeProgram.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"
#include "vyx/contacts/NumberFormatter.h"
#include "vyx/contacts/NumberKey.h"
#include "vyx/contacts/NumberMatch.h"
#include "vyx/contacts/PhoneDigits.h"
#include "vyx/contacts/PhoneFields.h"

#include <memory>

namespace devemu {

namespace {

using vyx::NumberKey;
using vyx::PhoneDigits;

// The probe's main routine: answers `request` into `answer`; 1 for a request it does not know.
int probeMain(ProbeExchange& exchange)
{
    const std::vector<std::u16string>& request = exchange.request;
    std::vector<std::string>& answer = exchange.answer;
    using emu::quotedText;
    using emu::toUtf8;
    const std::u16string& action = request.front();
    if (action == u"digits" && request.size() == 2) {
        answer.push_back(quotedText(request[1]) + " -> " + quotedText(PhoneDigits::DigitsOnly(request[1]).Text()));
    } else if (action == u"key" && request.size() == 2) {
        const auto key = NumberKey::MakeNumberKey(PhoneDigits::DigitsOnly(request[1]));
        answer.push_back(quotedText(request[1]) + " -> " + (key ? quotedText(key->Text()) : "no key"));
    } else if (action == u"field-keys" && request.size() == 2) {
        for (const NumberKey& key : vyx::NumberKeysOfField(request[1]))
            answer.push_back(toUtf8(key.Text()));
        if (answer.empty())
            answer.push_back("no keys");
    } else if (action == u"match" && request.size() == 3) {
        const auto tail = vyx::NumbersMatch(PhoneDigits::DigitsOnly(request[1]), request[2]);
        answer.push_back(tail ? "match " + toUtf8(*tail) : "no match");
    } else if (action == u"format" && request.size() == 2) {
        vyx::NumberFormatter formatter;
        formatter.LoadTemplates();
        std::u16string number = request[1];
        const bool formatted = formatter.FormatNumber(number);
        answer.push_back(toUtf8(number) + (formatted ? "" : " (unchanged)"));
    } else {
        return 1;
    }
    return 0;
}

}

std::vector<std::string> NumberProbe::run(emu::Device& device, const std::vector<std::u16string>& request, std::string& error)
{
    return ProbeProgram::run(device, path, "number", probeMain, nullptr, request, error);
}

}
