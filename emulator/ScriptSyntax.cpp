#include "emulator/ScriptSyntax.h"

#include "platform/api/WinUser.h"

#include <array>
#include <charconv>
#include <utility>

namespace devemu {

std::optional<std::vector<std::string>> splitArguments(const std::string& line, std::string& error)
{
    std::vector<std::string> arguments;
    std::size_t at = 0;
    while (at < line.size()) {
        const char c = line[at];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++at;
            continue;
        }
        if (c == '#')
            break;
        std::string argument;
        if (c == '"') {
            // Inside quotes, \" is a quote and \\ a backslash; other backslashes stay as written.
            ++at;
            bool closed = false;
            while (at < line.size()) {
                const char inner = line[at++];
                if (inner == '"') {
                    closed = true;
                    break;
                }
                if (inner == '\\' && at < line.size() && (line[at] == '"' || line[at] == '\\'))
                    argument += line[at++];
                else
                    argument += inner;
            }
            if (!closed) {
                error = "a quoted argument is not closed";
                return std::nullopt;
            }
        } else {
            while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != '\r')
                argument += line[at++];
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::vector<std::string> splitCommands(const std::string& text)
{
    std::vector<std::string> commands(1);
    bool inQuotes = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' && (i == 0 || text[i - 1] != '\\'))
            inQuotes = !inQuotes;
        if (c == ';' && !inQuotes)
            commands.emplace_back();
        else
            commands.back() += c;
    }
    return commands;
}

std::optional<std::uint64_t> parseNumber(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const bool negative = !hex && text[0] == '-';
    const char* begin = text.data() + (hex ? 2 : negative ? 1 : 0);
    const char* end = text.data() + text.size();
    std::uint64_t value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, hex ? 16 : 10);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return negative ? ~value + 1 : value;
}

std::optional<std::uint64_t> parseDuration(const std::string& text)
{
    static constexpr std::array<std::pair<const char*, std::uint64_t>, 4> units { {
        { "ms", 1 }, { "s", 1000 }, { "m", 60'000 }, { "h", 3'600'000 } } };
    for (const auto& [suffix, scale] : units) {
        const std::string unit = suffix;
        if (text.size() > unit.size() && text.ends_with(unit)) {
            const std::string number = text.substr(0, text.size() - unit.size());
            if (number.find_first_not_of("0123456789") != std::string::npos)
                continue;
            if (const auto value = parseNumber(number))
                return *value * scale;
        }
    }
    if (text.find_first_not_of("0123456789") == std::string::npos)
        return parseNumber(text);
    return std::nullopt;
}

std::optional<unsigned> parseMessage(const std::string& text)
{
    static constexpr std::array<std::pair<const char*, unsigned>, 22> names { {
        { "WM_NULL", WM_NULL }, { "WM_CREATE", WM_CREATE }, { "WM_DESTROY", WM_DESTROY }, { "WM_ACTIVATE", WM_ACTIVATE },
        { "WM_SETFOCUS", WM_SETFOCUS }, { "WM_KILLFOCUS", WM_KILLFOCUS }, { "WM_PAINT", WM_PAINT }, { "WM_CLOSE", WM_CLOSE },
        { "WM_QUIT", WM_QUIT }, { "WM_SETTINGCHANGE", WM_SETTINGCHANGE }, { "WM_KEYDOWN", WM_KEYDOWN }, { "WM_KEYUP", WM_KEYUP },
        { "WM_CHAR", WM_CHAR }, { "WM_COMMAND", WM_COMMAND }, { "WM_TIMER", WM_TIMER }, { "WM_LBUTTONDOWN", WM_LBUTTONDOWN },
        { "WM_LBUTTONUP", WM_LBUTTONUP }, { "WM_MOUSEMOVE", WM_MOUSEMOVE }, { "WM_SHOWWINDOW", WM_SHOWWINDOW },
        { "WM_WINDOWPOSCHANGED", WM_WINDOWPOSCHANGED }, { "WM_USER", WM_USER }, { "WM_APP", WM_APP } } };
    std::string name = text;
    std::uint64_t offset = 0;
    if (const auto plus = text.find('+'); plus != std::string::npos) {
        const auto parsed = parseNumber(text.substr(plus + 1));
        if (!parsed)
            return std::nullopt;
        offset = *parsed;
        name = text.substr(0, plus);
    }
    for (const auto& [known, value] : names) {
        if (name == known)
            return static_cast<unsigned>(value + offset);
    }
    if (offset == 0) {
        if (const auto number = parseNumber(text); number && *number <= 0xFFFFFFFF)
            return static_cast<unsigned>(*number);
    }
    return std::nullopt;
}

}
