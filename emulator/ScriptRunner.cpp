#include "emulator/ScriptRunner.h"

#include "emulator/ContactCommands.h"
#include "emulator/IndexProbe.h"
#include "emulator/KabProgram.h"
#include "emulator/KeypadProbe.h"
#include "emulator/LookupProbe.h"
#include "emulator/NameLookupProbe.h"
#include "emulator/NumberProbe.h"
#include "emulator/PngWriter.h"
#include "emulator/RosterProbe.h"
#include "emulator/ScriptSyntax.h"
#include "platform/emu/Process.h"
#include "platform/emu/Registry.h"
#include "platform/emu/RegistryData.h"
#include "platform/emu/Shortcuts.h"
#include "platform/emu/Telephony.h"
#include "platform/emu/Text.h"
#include "platform/emu/WindowManager.h"
#include "vyx/call/MainWnd.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace devemu {

namespace {

constexpr const char16_t* startupFolder = u"\\Windows\\StartUp";

// A command that cannot be carried out; its text is what devemu prints after "error: ".
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void expectCount(const std::vector<std::string>& arguments, std::size_t least, std::size_t most, const char* usage)
{
    if (arguments.size() - 1 < least || arguments.size() - 1 > most)
        throw CommandError(std::string("usage: ") + usage);
}

std::uint64_t number(const std::string& text, const char* what)
{
    const auto value = parseNumber(text);
    if (!value)
        throw CommandError(std::string("not a number for ") + what + ": " + text);
    return *value;
}

std::uint64_t duration(const std::string& text)
{
    const auto value = parseDuration(text);
    if (!value)
        throw CommandError("not a duration: " + text + " (write 500ms, 5s or 2m)");
    return *value;
}

POINT point(const std::string& x, const std::string& y)
{
    return POINT { static_cast<LONG>(number(x, "X")), static_cast<LONG>(number(y, "Y")) };
}

// The command as a script would write it: arguments holding blanks (or nothing) in quotes.
std::string echo(const std::vector<std::string>& arguments)
{
    std::string text;
    for (const std::string& argument : arguments) {
        const bool quote = argument.empty() || argument.find_first_of(" \t\"") != std::string::npos;
        std::string written = argument;
        if (quote) {
            written.clear();
            for (const char c : argument)
                written += c == '"' ? std::string("\\\"") : std::string(1, c);
            written = "\"" + written + "\"";
        }
        text += (text.empty() ? "" : " ") + written;
    }
    return text;
}

std::string join(const std::vector<std::string>& arguments, std::size_t from)
{
    std::string text;
    for (std::size_t i = from; i < arguments.size(); ++i)
        text += (i > from ? " " : "") + arguments[i];
    return text;
}

// ---- The registry as `reg` shows and takes it

// The name of a value as printed; the key's default value has an empty one.
std::string valueName(std::u16string_view name)
{
    return name.empty() ? "(default)" : emu::toUtf8(name);
}

std::string hexBytes(const std::vector<BYTE>& data)
{
    std::string text;
    for (const BYTE byte : data) {
        char digits[4];
        std::snprintf(digits, sizeof digits, " %02X", byte);
        text += digits;
    }
    return text;
}

// "dword 5 (0x00000005)", "sz \"text\"", "binary 01 02 0A"; bytes that do not fit their type's form as
// "type 4 01 02".
std::string valueText(const emu::RegistryValue& value)
{
    char number[48];
    switch (value.type) {
    case REG_DWORD:
        if (const auto dword = emu::dwordOf(value.data)) {
            std::snprintf(number, sizeof number, "dword %u (0x%08X)", *dword, *dword);
            return number;
        }
        break;
    case REG_QWORD:
        if (const auto qword = emu::qwordOf(value.data)) {
            std::snprintf(number, sizeof number, "qword %llu (0x%016llX)", static_cast<unsigned long long>(*qword),
                          static_cast<unsigned long long>(*qword));
            return number;
        }
        break;
    case REG_SZ:
        if (const auto text = emu::stringOf(value.data))
            return "sz " + emu::quotedText(*text);
        break;
    case REG_MULTI_SZ:
        if (const auto texts = emu::multiStringOf(value.data)) {
            std::string text = "multi_sz";
            for (const auto& part : *texts)
                text += " " + emu::quotedText(part);
            return text;
        }
        break;
    case REG_BINARY:
        return "binary" + hexBytes(value.data);
    default:
        break;
    }
    return "type " + std::to_string(value.type) + hexBytes(value.data);
}

std::string valueLine(const emu::RegistryValue& value)
{
    return valueName(value.name) + " = " + valueText(value);
}

struct TypedData {
    DWORD type;
    std::vector<BYTE> data;
};

// The value of `reg set`: the type word at `arguments[4]`, what follows it the value.
TypedData typedData(const std::vector<std::string>& arguments)
{
    constexpr const char* usage = "usage: reg set PATH NAME dword|qword NUMBER, sz TEXT, multi_sz TEXT..., binary XX...";
    const std::string& type = arguments[4];
    const std::size_t count = arguments.size() - 5;
    if (type == "dword" || type == "qword") {
        if (count != 1)
            throw CommandError(usage);
        const std::uint64_t value = number(arguments[5], type.c_str());
        if (type == "qword")
            return { REG_QWORD, emu::qwordData(value) };
        // A negative number wraps to 64 bits; it fits when its upper half only repeats the sign.
        const std::uint64_t upper = value >> 32;
        if (upper != 0 && !(upper == 0xFFFFFFFF && (value & 0x80000000)))
            throw CommandError("not a 32-bit number: " + arguments[5]);
        return { REG_DWORD, emu::dwordData(static_cast<DWORD>(value)) };
    }
    if (type == "sz") {
        if (count != 1)
            throw CommandError(usage);
        return { REG_SZ, emu::stringData(emu::fromUtf8(arguments[5])) };
    }
    if (type == "multi_sz") {
        std::vector<std::u16string> texts;
        for (std::size_t i = 5; i < arguments.size(); ++i) {
            if (arguments[i].empty())
                throw CommandError("a multi_sz holds no empty text");
            texts.push_back(emu::fromUtf8(arguments[i]));
        }
        return { REG_MULTI_SZ, emu::multiStringData(texts) };
    }
    if (type == "binary") {
        std::vector<BYTE> bytes;
        for (std::size_t i = 5; i < arguments.size(); ++i) {
            const std::string& byte = arguments[i];
            const auto value = byte.size() <= 2 ? parseNumber("0x" + byte) : std::nullopt;
            if (!value)
                throw CommandError("not a byte in hex: " + byte + " (write 01 02 0A)");
            bytes.push_back(static_cast<BYTE>(*value));
        }
        return { REG_BINARY, std::move(bytes) };
    }
    throw CommandError(usage);
}

}

namespace {

// ---- Calls as `call` names them

std::u16string phoneNumber(const std::string& text)
{
    const bool wellFormed = text.find_first_not_of("+0123456789*#") == std::string::npos
        && text.find_first_of("0123456789") != std::string::npos;
    if (!wellFormed)
        throw CommandError("not a phone number: " + text);
    return emu::fromUtf8(text);
}

// The party named from `arguments[2]` on: a number, `partial NUMBER`, or a word for a number the
// network does not give.
emu::PartyId party(const std::vector<std::string>& arguments, const char* usage, bool pendingAllowed)
{
    using Kind = emu::PartyId::Kind;
    if (arguments.size() == 4 && arguments[2] == "partial")
        return { Kind::Partial, phoneNumber(arguments[3]) };
    if (arguments.size() != 3)
        throw CommandError(std::string("usage: ") + usage);
    const std::string& word = arguments[2];
    if (word == "withheld")
        return { Kind::Withheld, {} };
    if (word == "unavailable")
        return { Kind::Unavailable, {} };
    if (word == "outofarea")
        return { Kind::OutOfArea, {} };
    if (word == "pending") {
        if (!pendingAllowed)
            throw CommandError("an identity that arrives cannot be pending");
        return { Kind::Pending, {} };
    }
    return { Kind::Number, phoneNumber(word) };
}

}

ScriptRunner::ScriptRunner(emu::Device& device, emu::Transcript& transcript)
    : m_device(device)
    , m_transcript(transcript)
{
    m_commands = {
        { "boot", [this](const Arguments& a) { boot(a); } },
        { "start", [this](const Arguments& a) { start(a); } },
        { "wait-exit", [this](const Arguments& a) { waitExit(a); } },
        { "run", [this](const Arguments& a) { run(a); } },
        { "key", [this](const Arguments& a) { key(a); } },
        { "tap", [this](const Arguments& a) { tap(a); } },
        { "pen", [this](const Arguments& a) { pen(a); } },
        { "answer", [this](const Arguments& a) { answer(a); } },
        { "choose", [this](const Arguments& a) { choose(a); } },
        { "post", [this](const Arguments& a) { message(a, false); } },
        { "send", [this](const Arguments& a) { message(a, true); } },
        { "spy", [this](const Arguments& a) { spy(a); } },
        { "windows", [this](const Arguments& a) { windows(a); } },
        { "programs", [this](const Arguments& a) { programs(a); } },
        { "screenshot", [this](const Arguments& a) { screenshot(a); } },
        { "call", [this](const Arguments& a) { call(a); } },
        { "reg", [this](const Arguments& a) { reg(a); } },
        { "keypad", [this](const Arguments& a) { keypad(a); } },
        { "numbers", [this](const Arguments& a) { numbers(a); } },
        { "contacts", [this](const Arguments& a) { addressBook(a, &ContactCommands::contacts); } },
        { "categories", [this](const Arguments& a) { addressBook(a, &ContactCommands::categories); } },
        { "index", [this](const Arguments& a) { index(a); } },
        { "lookup", [this](const Arguments& a) { lookup(a); } },
        { "roster", [this](const Arguments& a) { roster(a); } },
        { "namelookup", [this](const Arguments& a) { nameLookup(a); } },
    };
}

std::string ScriptRunner::runLine(const std::string& line)
{
    std::string error;
    const auto arguments = splitArguments(line, error);
    if (!arguments)
        return error;
    if (arguments->empty())
        return {};
    const auto command = m_commands.find(arguments->front());
    if (command == m_commands.end())
        return "unknown command " + arguments->front();
    m_transcript.event("> " + echo(*arguments));
    try {
        command->second(*arguments);
        m_device.runUntilIdle();
    } catch (const CommandError& failure) {
        return failure.what();
    }
    return {};
}

bool ScriptRunner::runScript(const std::vector<std::string>& lines, std::ostream& errors)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string error = runLine(lines[i]);
        if (!error.empty()) {
            errors << "error: line " << i + 1 << ": " << error << '\n';
            return false;
        }
    }
    return true;
}

void ScriptRunner::boot(const Arguments& arguments)
{
    expectCount(arguments, 0, 0, "boot");
    // The shell starts what the start-up folder's shortcuts name; a broken one is passed over.
    const emu::Shortcuts shortcuts(m_device);
    for (const std::u16string& shortcut : shortcuts.list(startupFolder)) {
        std::string error;
        const auto target = shortcuts.read(shortcut, error);
        if (!target) {
            m_transcript.event("boot skips " + emu::toUtf8(shortcut) + ": " + error);
            continue;
        }
        if (!m_device.startProgram(target->program, target->arguments))
            m_transcript.event("boot skips " + emu::toUtf8(shortcut) + ": no program " + emu::toUtf8(target->program) + " is installed");
        m_device.runUntilIdle();
    }
}

void ScriptRunner::start(const Arguments& arguments)
{
    if (arguments.size() < 2)
        throw CommandError("usage: start PROGRAM [COMMAND LINE]");
    if (!m_device.startProgram(emu::fromUtf8(arguments[1]), emu::fromUtf8(join(arguments, 2))))
        throw CommandError("no program " + arguments[1] + " is installed on the device");
}

void ScriptRunner::waitExit(const Arguments& arguments)
{
    expectCount(arguments, 1, 2, "wait-exit PROGRAM|PID [DURATION]");
    std::shared_ptr<emu::Process> process;
    if (const auto pid = parseNumber(arguments[1]))
        process = m_device.findProcess(static_cast<DWORD>(*pid));
    else
        process = m_device.findRunningProcess(emu::fromUtf8(arguments[1]));
    if (!process) {
        // A program that already ended has nothing left to wait for.
        if (!parseNumber(arguments[1]) && m_device.resolveProgram(emu::fromUtf8(arguments[1])))
            return;
        throw CommandError("no process " + arguments[1] + " on the device");
    }
    const std::optional<std::uint64_t> limit = arguments.size() > 2 ? std::optional(duration(arguments[2])) : std::nullopt;
    switch (m_device.runUntil([&] { return process->finished(); }, limit)) {
    case emu::RunOutcome::Done:
        return;
    case emu::RunOutcome::TimeLimit:
        throw CommandError(process->name() + " pid " + std::to_string(process->id()) + " still runs after " + arguments[2]);
    case emu::RunOutcome::Deadlock:
        throw CommandError("deadlock waiting for " + process->name() + " pid " + std::to_string(process->id()) + ": "
            + m_device.deadlockReport());
    }
}

void ScriptRunner::run(const Arguments& arguments)
{
    expectCount(arguments, 1, 1, "run DURATION");
    m_device.runFor(duration(arguments[1]));
}

void ScriptRunner::key(const Arguments& arguments)
{
    expectCount(arguments, 2, 2, "key down|up|press VK");
    const int virtualKey = static_cast<int>(number(arguments[2], "VK"));
    if (virtualKey <= 0 || virtualKey > 0xFE)
        throw CommandError("not a virtual key: " + arguments[2]);
    const std::string& action = arguments[1];
    if (action == "down" || action == "press")
        m_device.windows().key(true, virtualKey);
    if (action == "press")
        m_device.runUntilIdle();
    if (action == "up" || action == "press")
        m_device.windows().key(false, virtualKey);
    if (action != "down" && action != "up" && action != "press")
        throw CommandError("usage: key down|up|press VK");
}

void ScriptRunner::tap(const Arguments& arguments)
{
    expectCount(arguments, 2, 2, "tap X Y");
    const POINT at = point(arguments[1], arguments[2]);
    m_device.windows().pen(emu::PenAction::Down, at);
    m_device.runUntilIdle();
    m_device.windows().pen(emu::PenAction::Up, at);
}

void ScriptRunner::pen(const Arguments& arguments)
{
    expectCount(arguments, 3, 3, "pen down|move|up X Y");
    const POINT at = point(arguments[2], arguments[3]);
    const std::string& action = arguments[1];
    if (action == "down")
        m_device.windows().pen(emu::PenAction::Down, at);
    else if (action == "move")
        m_device.windows().pen(emu::PenAction::Move, at);
    else if (action == "up")
        m_device.windows().pen(emu::PenAction::Up, at);
    else
        throw CommandError("usage: pen down|move|up X Y");
}

void ScriptRunner::answer(const Arguments& arguments)
{
    expectCount(arguments, 2, 2, "answer messagebox OK|Cancel|Yes|No|Abort|Retry|Ignore");
    static const std::vector<std::string> buttons { "OK", "Cancel", "Yes", "No", "Abort", "Retry", "Ignore" };
    if (arguments[1] != "messagebox")
        throw CommandError("usage: answer messagebox BUTTON");
    for (const auto& button : buttons) {
        if (emu::equalsIgnoringCase(emu::fromUtf8(button), emu::fromUtf8(arguments[2]))) {
            m_device.messageBoxAnswers().push_back(button);
            return;
        }
    }
    throw CommandError("not a message box button: " + arguments[2]);
}

void ScriptRunner::choose(const Arguments& arguments)
{
    expectCount(arguments, 2, 2, "choose menu COMMAND");
    if (arguments[1] != "menu")
        throw CommandError("usage: choose menu COMMAND");
    m_device.menuChoices().push_back(arguments[2]);
}

void ScriptRunner::message(const Arguments& arguments, bool send)
{
    expectCount(arguments, 2, 4, send ? "send CLASS MSG [WPARAM [LPARAM]]" : "post CLASS MSG [WPARAM [LPARAM]]");
    const std::u16string className = emu::fromUtf8(arguments[1]);
    const HWND hwnd = m_device.windows().findTopLevel(&className, nullptr);
    if (!hwnd)
        throw CommandError("no window of class " + arguments[1]);
    const auto message = parseMessage(arguments[2]);
    if (!message)
        throw CommandError("not a message: " + arguments[2]);
    const WPARAM wParam = arguments.size() > 3 ? static_cast<WPARAM>(number(arguments[3], "WPARAM")) : 0;
    const LPARAM lParam = arguments.size() > 4 ? static_cast<LPARAM>(number(arguments[4], "LPARAM")) : 0;
    if (!send) {
        if (!m_device.windows().postFromDriver(hwnd, *message, wParam, lParam))
            throw CommandError("the window of class " + arguments[1] + " takes no messages");
        return;
    }
    const auto result = m_device.windows().sendFromDriver(hwnd, *message, wParam, lParam);
    if (!result)
        throw CommandError("the window of class " + arguments[1] + " did not handle the message: " + m_device.deadlockReport());
    m_transcript.event("result " + std::to_string(*result));
}

void ScriptRunner::spy(const Arguments& arguments)
{
    expectCount(arguments, 1, 1, "spy CLASS|off");
    if (arguments[1] == "off")
        m_device.windows().spyOn(std::nullopt);
    else
        m_device.windows().spyOn(emu::fromUtf8(arguments[1]));
}

void ScriptRunner::windows(const Arguments& arguments)
{
    expectCount(arguments, 0, 0, "windows");
    m_device.runUntilIdle();
    const emu::WindowManager& manager = m_device.windows();
    if (manager.topLevelWindows().empty())
        m_transcript.event("no windows");
    for (const HWND hwnd : manager.topLevelWindows()) {
        const emu::Window& window = *manager.find(hwnd);
        m_transcript.event(emu::hexText(reinterpret_cast<std::uintptr_t>(hwnd)) + " " + emu::toUtf8(window.windowClass->name) + " "
            + emu::quotedText(window.title) + " pid " + std::to_string(window.process->id()) + " "
            + (window.isVisible() ? "visible " : "hidden ") + std::to_string(window.rect.left) + "," + std::to_string(window.rect.top)
            + " " + std::to_string(window.width()) + "x" + std::to_string(window.height()));
    }
}

void ScriptRunner::programs(const Arguments& arguments)
{
    expectCount(arguments, 0, 0, "programs");
    if (m_device.processes().empty())
        m_transcript.event("no programs");
    for (const auto& process : m_device.processes()) {
        const std::string state = process->finished() ? "exited code " + std::to_string(process->exitCode()) : "running";
        m_transcript.event(process->name() + " pid " + std::to_string(process->id()) + " " + state + " "
            + emu::quotedText(process->commandLine()));
    }
}

void ScriptRunner::screenshot(const Arguments& arguments)
{
    expectCount(arguments, 1, 1, "screenshot FILE.png");
    m_device.runUntilIdle();
    const emu::Bitmap screen = m_device.windows().composeScreen();
    const std::filesystem::path file = arguments[1];
    if (const std::string error = writePng(screen, file); !error.empty())
        throw CommandError(error);
    m_transcript.event("screenshot " + file.filename().string() + " " + std::to_string(screen.width()) + "x"
        + std::to_string(screen.height()));
}

void ScriptRunner::reg(const Arguments& arguments)
{
    if (arguments.size() < 3)
        throw CommandError("usage: reg get|set|delete|list PATH ...");
    const std::string& action = arguments[1];
    emu::Registry& registry = m_device.registry();
    const std::u16string path = emu::fromUtf8(arguments[2]);
    std::u16string_view below;
    const auto root = registry.rootOf(path, below);
    if (!root)
        throw CommandError("not a registry path: " + arguments[2] + " (begin it with HKCU\\ or HKLM\\)");
    const auto key = registry.find(root, below);

    if (action == "get") {
        expectCount(arguments, 3, 3, "reg get PATH NAME");
        const std::u16string name = emu::fromUtf8(arguments[3]);
        const emu::RegistryValue* value = key ? key->findValue(name) : nullptr;
        m_transcript.event(value ? valueLine(*value) : valueName(name) + " missing");
        return;
    }
    if (action == "list") {
        expectCount(arguments, 2, 2, "reg list PATH");
        if (!key)
            throw CommandError("no key " + arguments[2]);
        for (const auto& subkey : key->subkeys())
            m_transcript.event("key " + emu::toUtf8(subkey->name()));
        for (const auto& value : key->values())
            m_transcript.event(valueLine(value));
        if (key->subkeys().empty() && key->values().empty())
            m_transcript.event("no subkeys or values");
        return;
    }
    if (action == "set") {
        if (arguments.size() < 5)
            throw CommandError("usage: reg set PATH NAME TYPE VALUE");
        TypedData value = typedData(arguments);
        bool created = false;
        const auto target = registry.create(root, below, created);
        if (!target)
            throw CommandError("a key name in " + arguments[2] + " is longer than 255 characters");
        registry.setValue(*target, emu::fromUtf8(arguments[3]), value.type, std::move(value.data));
    } else if (action == "delete") {
        expectCount(arguments, 2, 3, "reg delete PATH [NAME]");
        if (!key)
            throw CommandError("no key " + arguments[2]);
        if (arguments.size() > 3) {
            if (!registry.deleteValue(*key, emu::fromUtf8(arguments[3])))
                throw CommandError("no value " + arguments[3] + " under " + arguments[2]);
        } else if (registry.deleteTree(root, below) != emu::Registry::KeyDeletion::Deleted) {
            throw CommandError("a root key cannot be deleted");
        }
    } else {
        throw CommandError("usage: reg get|set|delete|list PATH ...");
    }
    // A change made by hand is on the disk at once.
    if (const std::string error = registry.flush(); !error.empty())
        throw CommandError("registry not saved: " + error);
}

void ScriptRunner::call(const Arguments& arguments)
{
    constexpr const char* usage = "usage: call offer|id|dial|party|connect|busy|drop ...";
    if (arguments.size() < 2)
        throw CommandError(usage);
    emu::Telephony& telephony = m_device.telephony();
    const std::string& step = arguments[1];
    try {
        if (step == "offer") {
            telephony.offerCall(party(arguments, "call offer NUMBER|withheld|unavailable|outofarea|pending, call offer partial NUMBER", true));
            return;
        }
        if (step == "dial") {
            expectCount(arguments, 2, 2, "call dial NUMBER");
            telephony.dialCall(phoneNumber(arguments[2]));
            return;
        }
        // The other steps act on the last offered or dialled call that has not ended.
        const auto current = telephony.currentCall();
        if (step != "id" && step != "party" && step != "connect" && step != "busy" && step != "drop")
            throw CommandError(usage);
        if (!current)
            throw CommandError("no call is in progress: offer or dial one first");
        if (step == "id") {
            telephony.reportCallerId(*current, party(arguments, "call id NUMBER|withheld|unavailable|outofarea, call id partial NUMBER", false));
        } else if (step == "party") {
            // Without a number, the network names the number that was dialled.
            const emu::PartyId named = arguments.size() == 2
                ? emu::PartyId { emu::PartyId::Kind::Number, telephony.findCall(*current)->called.number }
                : party(arguments, "call party [NUMBER|withheld|unavailable|outofarea], call party partial NUMBER", false);
            telephony.reportConnectedParty(*current, named);
        } else if (step == "connect") {
            expectCount(arguments, 1, 1, "call connect");
            telephony.connectCall(*current);
        } else if (step == "busy") {
            expectCount(arguments, 1, 1, "call busy");
            telephony.reportBusy(*current);
        } else {
            expectCount(arguments, 1, 2, "call drop [normal|busy|reject|noanswer]");
            const auto mode = emu::Telephony::disconnectModeNamed(arguments.size() > 2 ? arguments[2] : "normal");
            if (!mode)
                throw CommandError("not a disconnect mode: " + arguments[2] + " (write normal, busy, reject or noanswer)");
            telephony.dropCall(*current, *mode);
        }
    } catch (const std::logic_error& refused) {
        throw CommandError(refused.what());
    }
}

void ScriptRunner::keypad(const Arguments& arguments)
{
    constexpr const char* usage = "keypad key WORD, keypad service-key WORD, keypad groups";
    if (arguments.size() < 2)
        throw CommandError(std::string("usage: ") + usage);
    const std::string& action = arguments[1];
    if (action == "groups")
        expectCount(arguments, 1, 1, usage);
    else if (action == "key" || action == "service-key")
        expectCount(arguments, 2, 2, usage);
    else
        throw CommandError(std::string("usage: ") + usage);
    const std::string request = action == "groups" ? action : action + " " + arguments[2];
    std::string error;
    const std::vector<std::string> answer = KeypadProbe::run(m_device, emu::fromUtf8(request), error);
    if (!error.empty())
        throw CommandError(error);
    if (action == "groups") {
        for (const std::string& line : answer)
            m_transcript.event(line);
        return;
    }
    m_transcript.event(emu::quotedText(emu::fromUtf8(arguments[2])) + " -> " + emu::quotedText(emu::fromUtf8(answer.front())));
}

void ScriptRunner::numbers(const Arguments& arguments)
{
    constexpr const char* usage = "numbers digits|key|field-keys TEXT, numbers match CALLER STORED, numbers format NUMBER";
    if (arguments.size() < 2)
        throw CommandError(std::string("usage: ") + usage);
    const std::string& action = arguments[1];
    if (action == "match")
        expectCount(arguments, 3, 3, usage);
    else if (action == "digits" || action == "key" || action == "field-keys" || action == "format")
        expectCount(arguments, 2, 2, usage);
    else
        throw CommandError(std::string("usage: ") + usage);
    std::vector<std::u16string> request;
    for (std::size_t i = 1; i < arguments.size(); ++i)
        request.push_back(emu::fromUtf8(arguments[i]));
    std::string error;
    const std::vector<std::string> answer = NumberProbe::run(m_device, request, error);
    if (!error.empty())
        throw CommandError(error);
    for (const std::string& line : answer)
        m_transcript.event(line);
}

void ScriptRunner::addressBook(const Arguments& arguments, void (ContactCommands::*command)(const Arguments&))
{
    ContactCommands commands(m_device, m_transcript);
    try {
        (commands.*command)(arguments);
    } catch (const AddressBookError& failure) {
        throw CommandError(failure.what());
    }
}

void ScriptRunner::index(const Arguments& arguments)
{
    constexpr const char* usage
        = "index search TEXT [ORDER], index keys KEY [ORDER], index numbers DIGITS, index stats, index check, index rebuild";
    if (arguments.size() < 2)
        throw CommandError(std::string("usage: ") + usage);
    const std::string& action = arguments[1];
    std::vector<std::u16string> request { emu::fromUtf8(action) };
    if (action == "search" || action == "keys") {
        expectCount(arguments, 2, 3, usage);
        const std::string order = arguments.size() == 4 ? arguments[3] : "0";
        if (order != "0" && order != "1")
            throw CommandError("not a display order: " + order + " (write 0 or 1)");
        request.push_back(emu::fromUtf8(arguments[2]));
        request.push_back(emu::fromUtf8(order));
    } else if (action == "numbers") {
        expectCount(arguments, 2, 2, usage);
        request.push_back(emu::fromUtf8(arguments[2]));
    } else if (action == "stats" || action == "check" || action == "rebuild") {
        expectCount(arguments, 1, 1, usage);
    } else {
        throw CommandError(std::string("usage: ") + usage);
    }
    std::string error;
    const std::vector<std::string> answer = IndexProbe::run(m_device, request, error);
    if (!error.empty())
        throw CommandError(error);
    for (const std::string& line : answer)
        m_transcript.event(line);
}

void ScriptRunner::lookup(const Arguments& arguments)
{
    expectCount(arguments, 1, 1, "lookup NUMBER");
    std::string error;
    const std::vector<std::string> answer = LookupProbe::run(m_device, { u"lookup", emu::fromUtf8(arguments[1]) }, error);
    if (!error.empty())
        throw CommandError(error);
    for (const std::string& line : answer)
        m_transcript.event(line);
}

void ScriptRunner::roster(const Arguments& arguments)
{
    expectCount(arguments, 0, 0, "roster");
    std::string error;
    const std::vector<std::string> answer = RosterProbe::run(m_device, error);
    if (!error.empty())
        throw CommandError(error);
    for (const std::string& line : answer)
        m_transcript.event(line);
}

void ScriptRunner::nameLookup(const Arguments& arguments)
{
    expectCount(arguments, 1, 2, "namelookup NUMBER [Vyx|Kab]");
    // The family's programs whose main windows answer name look-ups.
    const struct {
        const char16_t* program;
        const char16_t* windowClass;
    } answering[] = { { u"Vyx", vyx::MainWnd::className }, { u"Kab", KabProgram::className } };
    const std::u16string named = arguments.size() > 2 ? emu::fromUtf8(arguments[2]) : u"Vyx";
    const auto asked = std::find_if(std::begin(answering), std::end(answering),
                                    [&](const auto& candidate) { return emu::equalsIgnoringCase(candidate.program, named); });
    if (asked == std::end(answering))
        throw CommandError("not a program that answers name look-ups: " + arguments[2] + " (write Vyx or Kab)");
    std::string error;
    const std::vector<std::string> answer
        = NameLookupProbe::run(m_device, emu::fromUtf8(arguments[1]), asked->windowClass, asked->program, error);
    if (!error.empty())
        throw CommandError(error);
    for (const std::string& line : answer)
        m_transcript.event(line);
}

}
