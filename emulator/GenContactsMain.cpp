// gen-contacts: writes a synthetic address book as vCard 3.0, the same file for the same seed.
#include "emulator/addressbook/ContactGenerator.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr const char* usage = "usage: gen-contacts --count N --seed S [--output FILE]\n";
constexpr unsigned long long maxCount = 1'000'000;

int fail(const std::string& message)
{
    std::cerr << "gen-contacts: " << message << '\n' << usage;
    return 2;
}

std::optional<unsigned long long> parseUnsigned(const std::string& text, unsigned long long max)
{
    unsigned long long value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

}

int main(int argc, char** argv)
{
    std::optional<unsigned long long> count;
    std::optional<unsigned long long> seed;
    std::optional<std::string> output;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << usage;
            return 0;
        }
        if (argument != "--count" && argument != "--seed" && argument != "--output")
            return fail("unknown argument " + argument);
        if (i + 1 == argc)
            return fail(argument + " needs a value");
        const std::string value = argv[++i];
        if (argument == "--count") {
            count = parseUnsigned(value, maxCount);
            if (!count)
                return fail("--count takes a whole number from 0 to " + std::to_string(maxCount) + ", not " + value);
        } else if (argument == "--seed") {
            seed = parseUnsigned(value, 0xFFFFFFFFull);
            if (!seed)
                return fail("--seed takes a whole number from 0 to 4294967295, not " + value);
        } else {
            output = value;
        }
    }
    if (!count)
        return fail("--count is missing");
    if (!seed)
        return fail("--seed is missing");
    devemu::ContactGenerator generator(static_cast<std::uint32_t>(*seed));
    if (!output) {
        generator.write(std::cout, *count);
        std::cout.flush();
        if (!std::cout) {
            std::cerr << "gen-contacts: cannot write the address book to the standard output\n";
            return 1;
        }
        return 0;
    }
    std::ofstream file(*output, std::ios::binary | std::ios::trunc);
    if (file)
        generator.write(file, *count);
    file.close();
    if (!file) {
        std::cerr << "gen-contacts: cannot write " << *output << '\n';
        return 1;
    }
    return 0;
}
