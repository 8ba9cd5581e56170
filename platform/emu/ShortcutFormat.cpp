#include "platform/emu/ShortcutFormat.h"

#include "platform/emu/Text.h"

#include <charconv>

namespace emu {

namespace {

constexpr std::u16string_view programExtension = u".exe";

std::string_view withoutLineBreak(std::string_view bytes)
{
    if (bytes.ends_with("\r\n"))
        bytes.remove_suffix(2);
    else if (bytes.ends_with('\n'))
        bytes.remove_suffix(1);
    return bytes;
}

std::u16string_view withoutLeadingSpaces(std::u16string_view text)
{
    const auto start = text.find_first_not_of(u' ');
    return start == std::u16string_view::npos ? std::u16string_view() : text.substr(start);
}

// Where an unquoted program path ends: after the first ".exe" followed by a space or the end.
std::size_t unquotedPathEnd(std::u16string_view target)
{
    const std::u16string folded = foldCase(target);
    for (auto at = folded.find(programExtension); at != std::u16string::npos; at = folded.find(programExtension, at + 1)) {
        const std::size_t end = at + programExtension.size();
        if (end == folded.size() || folded[end] == u' ')
            return end;
    }
    return target.size();
}

}

ShortcutFormat::ShortcutFormat(CodePage& codePage)
    : m_codePage(codePage)
{
}

std::string ShortcutFormat::compose(std::u16string_view target) const
{
    return std::to_string(target.size()) + "#" + m_codePage.encode(target, "?").bytes;
}

std::optional<std::u16string> ShortcutFormat::parse(std::string_view bytes, std::string& error) const
{
    const std::string_view line = withoutLineBreak(bytes);
    const auto hash = line.find('#');
    if (hash == std::string_view::npos) {
        error = "no \"#\" after the target's length";
        return std::nullopt;
    }
    std::size_t length = 0;
    const auto [end, failure] = std::from_chars(line.data(), line.data() + hash, length);
    if (hash == 0 || failure != std::errc() || end != line.data() + hash) {
        error = "the target's length \"" + std::string(line.substr(0, hash)) + "\" is not a number";
        return std::nullopt;
    }
    std::u16string target = m_codePage.decode(line.substr(hash + 1));
    if (target.size() != length) {
        error = "the target has " + std::to_string(target.size()) + " characters, the shortcut says " + std::to_string(length);
        return std::nullopt;
    }
    if (target.empty()) {
        error = "the target is empty";
        return std::nullopt;
    }
    return target;
}

std::optional<ShortcutTarget> ShortcutFormat::split(std::u16string_view target, std::string& error)
{
    const std::u16string_view text = withoutLeadingSpaces(target);
    std::u16string_view program;
    std::u16string_view rest;
    if (text.starts_with(u'"')) {
        const auto closing = text.find(u'"', 1);
        if (closing == std::u16string_view::npos) {
            error = "the program's path has no closing quote";
            return std::nullopt;
        }
        program = text.substr(1, closing - 1);
        rest = text.substr(closing + 1);
    } else {
        const std::size_t end = unquotedPathEnd(text);
        program = text.substr(0, end);
        rest = text.substr(end);
    }
    if (program.empty()) {
        error = "the target names no program";
        return std::nullopt;
    }
    return ShortcutTarget { std::u16string(program), std::u16string(withoutLeadingSpaces(rest)) };
}

}
