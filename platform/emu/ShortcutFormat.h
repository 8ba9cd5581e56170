// The shell's shortcut file: one line of 8-bit text in the device's ANSI code page, the length of the
// target in characters, "#", and the target, a program's path (quoted when it holds spaces) and its
// arguments: 23#"\Windows\cprog.exe" -n.
#pragma once

#include "platform/emu/CodePage.h"

#include <optional>
#include <string>
#include <string_view>

namespace emu {

// What a shortcut starts: the program's path, without quotes, and the arguments after it.
struct ShortcutTarget {
    std::u16string program;
    std::u16string arguments;
};

class ShortcutFormat {
public:
    explicit ShortcutFormat(CodePage& codePage);

    std::string compose(std::u16string_view target) const;
    // The target a shortcut file's bytes hold; nullopt, with what is wrong in `error`, when the bytes are
    // not a shortcut. One line break may end the line.
    std::optional<std::u16string> parse(std::string_view bytes, std::string& error) const;

    // A quoted path ends at its closing quote. An unquoted one ends after the first ".exe" that ends a
    // word, or takes the whole target when there is none. The arguments follow, without the spaces
    // before them. Nullopt, with the reason in `error`, for a quote that is never closed or no path.
    static std::optional<ShortcutTarget> split(std::u16string_view target, std::string& error);

private:
    CodePage& m_codePage;
};

}
