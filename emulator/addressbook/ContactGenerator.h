// ContactGenerator: synthetic address books for tests, benchmarks and demos: Russian and Latin names,
// numbers as people type them, companies, job titles, categories, notes (some with a PIM information
// block), birthdays, addresses and small PNG photos, written as vCard 3.0. The same seed gives the
// same bytes on every machine: the draws come from std::mt19937, whose sequence the standard fixes,
// mapped to ranges by the generator's own arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace devemu {

class VCardWriter;

class ContactGenerator {
public:
    explicit ContactGenerator(std::uint32_t seed);

    // Writes the next `count` cards, CRLF line ends.
    void write(std::ostream&, std::size_t count);
    // The next card.
    std::string card();

private:
    struct Person {
        std::string first;
        std::string middle;
        std::string last;
        bool russian;
    };

    // A number in [0, bound).
    std::uint32_t below(std::uint32_t bound);
    bool chance(std::uint32_t percent) { return below(100) < percent; }
    template <class Table>
    const auto& pick(const Table& table)
    {
        return table[below(static_cast<std::uint32_t>(std::size(table)))];
    }

    Person russianPerson();
    Person latinPerson();
    std::string digits(std::size_t count);
    std::string mobileNumber();
    std::string cityNumber();
    std::string homeNumber();
    std::string personalEmail(const Person&);
    std::string date(int firstYear, int lastYear, char separator);
    std::string pimInformationBlock();
    std::string photo();
    void writeService(VCardWriter&);
    void writePerson(VCardWriter&, const Person&);

    std::mt19937 m_random;
    // The latest home numbers, some of which the next contacts share, as a family does.
    std::vector<std::string> m_recentHomeNumbers;
};

}
