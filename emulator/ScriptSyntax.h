// The syntax of devemu scripts: a command a line, blank-separated arguments, double quotes around
// an argument that holds blanks, "#" starting a comment; durations, numbers and message names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace devemu {

// Nullopt when a quote is left open (`error` tells which).
std::optional<std::vector<std::string>> splitArguments(const std::string& line, std::string& error);
// The commands of a one-line script: "start A; run 5s" gives two; ";" inside quotes stays.
std::vector<std::string> splitCommands(const std::string& text);
// "500ms", "5s", "2m" or plain milliseconds.
std::optional<std::uint64_t> parseDuration(const std::string&);
// Decimal, or hexadecimal after "0x"; negative decimals wrap as the platform's parameters do.
std::optional<std::uint64_t> parseNumber(const std::string&);
// A message as a number, a name such as "WM_CLOSE", or "WM_USER+301" / "WM_APP+1".
std::optional<unsigned> parseMessage(const std::string&);

}
