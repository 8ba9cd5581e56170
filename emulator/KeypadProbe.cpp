#include "emulator/KeypadProbe.h"

#include "platform/emu/Process.h"
#include "platform/emu/Text.h"
#include "vyx/keypad/ServiceAlphabetLoader.h"
#include "vyx/keypad/VyxAlphabetLoader.h"
#include "vyx/resources/VyxStrings.h"

#include <memory>

namespace devemu {

namespace {

std::u16string textOf(const Str& text)
{
    return std::u16string(static_cast<LPCWSTR>(text), static_cast<std::size_t>(text.GetLength()));
}

// The probe's main routine: carries out the request of its command line into `answer`.
int probeMain(const std::u16string& request, std::vector<std::u16string>& answer)
{
    const std::u16string keyRequest = u"key ";
    const std::u16string serviceKeyRequest = u"service-key ";
    if (request.starts_with(keyRequest)) {
        const std::u16string word = request.substr(keyRequest.size());
        answer.push_back(textOf(keypad::VyxAlphabetLoader::Load().GroupKey(Str(word.c_str()))));
    } else if (request.starts_with(serviceKeyRequest)) {
        const std::u16string word = request.substr(serviceKeyRequest.size());
        answer.push_back(textOf(keypad::ServiceAlphabetLoader::Load().GroupKey(Str(word.c_str()))));
    } else if (request == u"groups") {
        const keypad::KeypadAlphabet alphabet = keypad::VyxAlphabetLoader::Load();
        for (int i = 0; i < alphabet.GetCount(); ++i)
            answer.push_back(std::u16string(1, static_cast<char16_t>(u'2' + i)) + u" " + textOf(alphabet.KeyAt(i).group.Letters()));
    } else {
        return 1;
    }
    return 0;
}

}

std::vector<std::string> KeypadProbe::run(emu::Device& device, const std::u16string& request, std::string& error)
{
    // The answer is shared with the installed entry, which may outlive this call.
    const auto answer = std::make_shared<std::vector<std::u16string>>();
    device.installProgram(path, [answer](HINSTANCE, const std::u16string& commandLine) { return probeMain(commandLine, *answer); },
        &vyx::vyxResources());
    const auto process = device.startProgram(path, request);
    if (device.runUntil([&] { return process->finished(); }, std::nullopt) != emu::RunOutcome::Done) {
        error = "the keypad probe did not end: " + device.deadlockReport();
        return {};
    }
    if (process->exitCode() != 0) {
        error = "the keypad probe refused the request " + emu::toUtf8(request);
        return {};
    }
    std::vector<std::string> lines;
    for (const std::u16string& line : *answer)
        lines.push_back(emu::toUtf8(line));
    return lines;
}

}
