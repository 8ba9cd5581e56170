// The whole caller look-up as Vyx runs it while the phone rings (FindContactsByNumber, LoadContact,
// NumberTypeLabel) over 1,000 and 10,000 generated contacts, beside the baseline a phone platform uses
// today: a SQLite table of numbers keyed by their reversed last seven digits, with an index, followed by
// the same verification, record read and label. Each run looks up every contact's first number as the
// network would send it and reports the median and 99th-percentile time of one look-up.
#include "bench/BenchDevice.h"
#include "emulator/AddressBook.h"
#include "emulator/addressbook/AddressBookFile.h"
#include "emulator/addressbook/ContactGenerator.h"
#include "vyx/contacts/CallerLookup.h"
#include "vyx/contacts/ContactNotes.h"
#include "vyx/contacts/NumberLookup.h"
#include "vyx/contacts/NumberTypeLabel.h"
#include "vyx/contacts/PhoneFields.h"
#include "vyx/resources/VyxStrings.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>

namespace {

using Clock = std::chrono::steady_clock;

// Sort texts for the display orders, taken from the records as the index is filled.
class NameTable final : public vyx::SortTextReader {
public:
    std::optional<std::u16string> SortText(DWORD contact, int) override
    {
        const auto found = names.find(contact);
        return found == names.end() ? std::nullopt : std::optional(found->second);
    }
    std::map<DWORD, std::u16string> names;
};

// The last seven digits of a number, last first: the baseline's key.
std::string reversedTail(std::u16string_view number)
{
    std::string key;
    for (auto at = number.rbegin(); at != number.rend() && key.size() < 7; ++at) {
        if (*at >= u'0' && *at <= u'9')
            key += static_cast<char>(*at);
    }
    return key;
}

// The baseline's index: candidates whose stored number ends in the key's digits.
class SqliteNumbers final : public vyx::ContactKeySearch {
public:
    SqliteNumbers()
    {
        sqlite3_open(":memory:", &m_db);
        sqlite3_exec(m_db, "CREATE TABLE numbers(tail TEXT, contact INTEGER); CREATE INDEX by_tail ON numbers(tail)", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(m_db, "INSERT INTO numbers VALUES(?, ?)", -1, &m_insert, nullptr);
        sqlite3_prepare_v2(m_db, "SELECT contact FROM numbers WHERE tail >= ? AND tail < ? ORDER BY contact", -1, &m_select, nullptr);
    }
    ~SqliteNumbers() override
    {
        sqlite3_finalize(m_insert);
        sqlite3_finalize(m_select);
        sqlite3_close(m_db);
    }
    void add(DWORD contact, std::u16string_view number)
    {
        const std::string tail = reversedTail(number);
        sqlite3_bind_text(m_insert, 1, tail.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(m_insert, 2, contact);
        sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
    }
    // The key is "~" and the caller's digits last first: its first seven digits are the tail.
    std::vector<DWORD> SearchPrefix(std::u16string_view key) override
    {
        std::string low;
        for (const char16_t digit : key.substr(1, 7))
            low += static_cast<char>(digit);
        const std::string high = low + "\x7F";
        sqlite3_bind_text(m_select, 1, low.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m_select, 2, high.c_str(), -1, SQLITE_TRANSIENT);
        std::vector<DWORD> contacts;
        while (sqlite3_step(m_select) == SQLITE_ROW)
            contacts.push_back(static_cast<DWORD>(sqlite3_column_int64(m_select, 0)));
        sqlite3_reset(m_select);
        return contacts;
    }

private:
    sqlite3* m_db { nullptr };
    sqlite3_stmt* m_insert { nullptr };
    sqlite3_stmt* m_select { nullptr };
};

struct Figures {
    double medianUs;
    double p99Us;
    std::size_t found;
};

Figures figuresOf(std::vector<double>& times, std::size_t found)
{
    std::sort(times.begin(), times.end());
    return Figures { times[times.size() / 2], times[times.size() * 99 / 100], found };
}

// Imports `count` generated contacts, fills the index and property store from them as the index
// maintenance does, and times a look-up of each contact's first number in the suite and the baseline.
std::pair<Figures, Figures> measure(long count)
{
    BenchDevice bench;
    {
        testing_support::TempFolder folder;
        const auto file = folder.path() / "book.vcf";
        {
            std::ofstream out(file, std::ios::binary);
            devemu::ContactGenerator(3).write(out, static_cast<std::size_t>(count));
        }
        devemu::VCardError error;
        devemu::AddressBook(bench.device()).import(devemu::AddressBookFile::read(file, error).value());
    }
    std::pair<Figures, Figures> result;
    bench.device().installProgram(u"\\Windows\\lookup.exe", [&](HINSTANCE, const std::u16string&) {
        vyx::PimDatabase contacts;
        contacts.Open(u"Contacts Database", {}, 0, nullptr);
        vyx::PropsStore props;
        props.Create(0);
        vyx::IndexStore index;
        index.Create();
        vyx::CallerLookup lookup(contacts, index, props);
        NameTable names;
        SqliteNumbers baseline;
        std::vector<std::u16string> callers;

        std::vector<DWORD> ids;
        contacts.SeekFirst();
        contacts.SetAutoAdvance(true);
        CEOID id = 0;
        std::vector<vyx::PropertyValue> values;
        while (contacts.ReadProps(nullptr, id, values))
            ids.push_back(id);
        contacts.SetAutoAdvance(false);
        for (const DWORD contact : ids) {
            vyx::CallerInfo record;
            lookup.ReadContact(contact, record, vyx::CallerLookup::Picture::Skip);
            record.extras = vyx::ContactNotes::ParseNotes(record.notes).extras;
            vyx::IndexedContact entry { contact, {}, {}, props.WriteRecord(record.extras).value_or(0) };
            const auto numbers = record.PhoneNumbers();
            for (const auto& number : numbers) {
                baseline.add(contact, number);
                for (const auto& key : vyx::NumberKeysOfField(number))
                    entry.words.emplace_back(key.Text());
            }
            if (!numbers.empty() && vyx::PhoneDigits::DigitsOnly(numbers.front()).Text().size() >= 7)
                callers.push_back(numbers.front());
            names.names[contact] = record.texts[vyx::CallerInfo::LastName] + u" " + record.texts[vyx::CallerInfo::FirstName];
            index.AddContact(entry, names);
        }

        const auto timeLookups = [&](vyx::ContactKeySearch& keys) {
            std::vector<double> times;
            std::size_t found = 0;
            for (const auto& caller : callers) {
                const auto start = Clock::now();
                vyx::NumberLookup numbers(keys, lookup.Candidates());
                std::vector<DWORD> matches;
                std::vector<std::u16string> tails;
                if (numbers.FindContactsByNumber(caller, 6, 4000, matches, tails) > 0) {
                    vyx::CallerInfo record;
                    if (lookup.LoadContact(matches.front(), record) && vyx::NumberTypeLabel::Of(record, tails.front()))
                        ++found;
                }
                times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            }
            return figuresOf(times, found);
        };
        result = { timeLookups(index), timeLookups(baseline) };
        return 0;
    }, &vyx::vyxResources());
    const auto process = bench.device().startProgram(u"lookup", u"");
    bench.device().runUntil([&] { return process->finished(); }, std::nullopt);
    return result;
}

void callerLookup(benchmark::State& state)
{
    std::pair<Figures, Figures> figures;
    for (auto _ : state)
        figures = measure(state.range(0));
    state.counters["suite_median_us"] = figures.first.medianUs;
    state.counters["suite_p99_us"] = figures.first.p99Us;
    state.counters["sqlite_median_us"] = figures.second.medianUs;
    state.counters["sqlite_p99_us"] = figures.second.p99Us;
    state.counters["median_ratio"] = figures.second.medianUs / figures.first.medianUs;
    state.counters["labelled"] = static_cast<double>(figures.first.found);
    state.counters["labelled_sqlite"] = static_cast<double>(figures.second.found);
}
BENCHMARK(callerLookup)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
