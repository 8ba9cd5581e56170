// The contact index against the store a user would otherwise pick, SQLite with indexed tables, on the
// same generated contacts: adding every contact one by one (and the index's bytes per contact), the
// caller look-up's number search, a word prefix search and a keypad key search, each in display
// order. The index stops where its 8 MB region is full; the figures then hold for the contacts that
// fit, and SQLite gets the same ones. At the end a table sets each suite figure beside SQLite's.
#include "bench/SqliteConnection.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinNls.h"
#include "platform/emu/Device.h"
#include "platform/emu/Process.h"
#include "tests/support/TempFolder.h"
#include "vyx/contacts/IndexStore.h"
#include "vyx/contacts/PhoneFields.h"
#include "vyx/keypad/KeypadAlphabet.h"
#include "vyx/keypad/WordSplitter.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int contactCounts[] = { 1000, 10000, 50000 };
constexpr std::size_t queryCount = 512;

struct BenchContact {
    DWORD id;
    std::u16string sortName;
    std::u16string fileAs;
    // Lower-cased words of the name, company and numbers, then the numbers' keys.
    std::vector<std::u16string> words;
    std::vector<std::u16string> keypadKeys;
};

// Russian and Latin names, companies and one to three numbers in the forms people write them.
class ContactGenerator {
public:
    explicit ContactGenerator(unsigned seed)
        : m_random(seed)
    {
        // Cyrillic and Latin letters on the same keys, as a Russian phone shows them.
        const char16_t* groups[] = { u"абвгabc", u"деёжзdef", u"ийклghi", u"мнопjkl", u"рстуmno", u"фхцчpqrs", u"шщъыtuv", u"ьэюяwxyz" };
        for (const char16_t* letters : groups)
            m_alphabet.AddKey(keypad::KeyGroup(Str(letters)));
        m_alphabet.Normalise();
    }

    BenchContact next(DWORD id)
    {
        const bool russian = m_random() % 3 != 0;
        const std::u16string first = russian ? pick(russianFirst) : pick(latinFirst);
        const std::u16string last = russian ? pick(russianLast) : pick(latinLast);
        const std::u16string company = m_random() % 10 < 7 ? pick(companies) : std::u16string();
        BenchContact contact { id, last + u" " + first, company.empty() ? last : company, {}, {} };
        std::vector<std::u16string> texts { first, last, company };
        std::vector<std::u16string> numbers;
        for (auto count = 1 + m_random() % 3; count > 0; --count)
            numbers.push_back(number());
        texts.insert(texts.end(), numbers.begin(), numbers.end());
        for (const std::u16string& text : texts) {
            for (const Str& piece : keypad::WordSplitter::Words(text)) {
                std::u16string word(static_cast<LPCWSTR>(piece), static_cast<std::size_t>(piece.GetLength()));
                CharLowerBuff(word.data(), static_cast<DWORD>(word.size()));
                contact.words.push_back(word);
                const Str key = m_alphabet.GroupKey(piece);
                if (!key.IsEmpty())
                    contact.keypadKeys.emplace_back(static_cast<LPCWSTR>(key), static_cast<std::size_t>(key.GetLength()));
            }
        }
        for (const std::u16string& text : numbers) {
            for (const vyx::NumberKey& key : vyx::NumberKeysOfField(text))
                contact.words.emplace_back(key.Text());
        }
        return contact;
    }

private:
    static constexpr const char16_t* russianFirst[] = { u"Иван", u"Пётр", u"Анна", u"Мария", u"Сергей", u"Ольга", u"Дмитрий", u"Елена",
                                                        u"Алексей", u"Наталья", u"Андрей", u"Татьяна", u"Михаил", u"Юлия", u"Николай", u"Екатерина" };
    static constexpr const char16_t* russianLast[] = { u"Иванов", u"Петров", u"Сидоров", u"Смирнов", u"Кузнецов", u"Попов", u"Васильев",
                                                       u"Соколов", u"Михайлов", u"Новиков", u"Фёдоров", u"Морозов", u"Волков", u"Алексеев",
                                                       u"Лебедев", u"Семёнов", u"Егоров", u"Павлов", u"Козлов", u"Степанов" };
    static constexpr const char16_t* latinFirst[] = { u"John", u"Mary", u"James", u"Linda", u"Robert", u"Anna",
                                                      u"Peter", u"Susan", u"Michael", u"Laura", u"David", u"Emma" };
    static constexpr const char16_t* latinLast[] = { u"Smith", u"Johnson", u"Brown", u"Taylor", u"Miller", u"Wilson", u"Moore", u"Clark",
                                                     u"Walker", u"Young", u"King", u"Wright", u"Green", u"Baker", u"Adams", u"Nelson" };
    static constexpr const char16_t* companies[] = { u"ООО Ромашка", u"Газпром", u"Сбербанк", u"Яндекс", u"Acme Corp", u"Globex",
                                                     u"Initech", u"Umbrella", u"Стройсервис", u"Альфа-Банк", u"МТС" };

    template <std::size_t N>
    std::u16string pick(const char16_t* const (&names)[N])
    {
        return names[m_random() % N];
    }

    std::u16string digits(int count)
    {
        std::u16string text;
        for (int i = 0; i < count; ++i)
            text += static_cast<char16_t>(u'0' + m_random() % 10);
        return text;
    }

    std::u16string number()
    {
        switch (m_random() % 5) {
        case 0:
            return u"+7 (9" + digits(2) + u") " + digits(3) + u"-" + digits(2) + u"-" + digits(2);
        case 1:
            return u"8 9" + digits(2) + u" " + digits(3) + u" " + digits(2) + u" " + digits(2);
        case 2:
            return digits(3) + u"-" + digits(2) + u"-" + digits(2);
        case 3:
            return u"+7 495 " + digits(3) + u"-" + digits(2) + u"-" + digits(2);
        default:
            return u"+1 212 555 " + digits(4);
        }
    }

    std::mt19937 m_random;
    keypad::KeypadAlphabet m_alphabet;
};

class BenchSortTexts final : public vyx::SortTextReader {
public:
    explicit BenchSortTexts(const std::vector<BenchContact>& contacts)
        : m_contacts(contacts)
    {
    }

    std::optional<std::u16string> SortText(DWORD contact, int order) override
    {
        const BenchContact& found = m_contacts[contact - 1];
        return order == 0 ? found.sortName : found.fileAs;
    }

private:
    const std::vector<BenchContact>& m_contacts;
};

struct Queries {
    std::vector<std::u16string> numberKeys;
    std::vector<std::u16string> wordPrefixes;
    std::vector<std::u16string> keyPrefixes;
};

// One device per contact count, with a resident program that generated the contacts, built the index
// and then runs the tasks it is handed, so that the searches run on an emulated thread as in Vyx.
class DeviceIndex {
public:
    explicit DeviceIndex(int count)
        : m_device(m_folder.path(), emu::DeviceProfile {}, m_transcript)
    {
        m_device.installProgram(u"\\Windows\\benchindex.exe", [this, count](HINSTANCE, const std::u16string&) {
            serve(count);
            return 0;
        });
        m_server = m_device.startProgram(u"benchindex", u"");
        m_device.runUntil([&] { return m_ready; }, std::nullopt);
    }

    ~DeviceIndex()
    {
        m_quit = true;
        m_device.runUntil([&] { return m_server->finished(); }, std::nullopt);
    }

    // Runs `task` on the resident program's thread, the index at hand.
    void run(std::function<void(vyx::IndexStore&)> task)
    {
        m_task = std::move(task);
        m_device.runUntil([&] { return !m_task; }, std::nullopt);
    }

    const std::vector<BenchContact>& contacts() const { return m_contacts; }
    // The contacts that fit into the index, the first ones generated.
    std::size_t indexed() const { return m_indexed; }
    DWORD usedBytes() const { return m_usedBytes; }
    const Queries& queries() const { return m_queries; }

private:
    void serve(int count)
    {
        ContactGenerator generator(20240611);
        for (DWORD id = 1; id <= static_cast<DWORD>(count); ++id)
            m_contacts.push_back(generator.next(id));
        BenchSortTexts sortTexts(m_contacts);
        vyx::IndexStore store;
        store.Create();
        for (const BenchContact& contact : m_contacts) {
            if (!store.AddContact(vyx::IndexedContact { contact.id, contact.words, contact.keypadKeys, contact.id * 128 }, sortTexts))
                break;
            ++m_indexed;
        }
        const vyx::IndexStore::Statistics stats = store.Stats();
        m_usedBytes = stats.usedLength - stats.freeBytes;
        makeQueries();
        m_ready = true;
        while (!m_quit) {
            if (m_task) {
                m_task(store);
                m_task = nullptr;
            } else {
                Sleep(1);
            }
        }
        store.Close();
    }

    // Questions about the indexed contacts: a caller's whole number, the first letters of a name, and
    // the keypad key of the first letters of a name.
    void makeQueries()
    {
        std::mt19937 random(7);
        for (std::size_t i = 0; i < queryCount; ++i) {
            const BenchContact& contact = m_contacts[random() % m_indexed];
            std::vector<std::u16string> numberKeys;
            std::vector<std::u16string> names;
            for (const std::u16string& word : contact.words)
                (word.starts_with(u"~") ? numberKeys : names).push_back(word);
            m_queries.numberKeys.push_back(numberKeys[random() % numberKeys.size()]);
            m_queries.wordPrefixes.push_back(names[1].substr(0, 3));
            m_queries.keyPrefixes.push_back(contact.keypadKeys[1].substr(0, 3));
        }
    }

    testing_support::TempFolder m_folder;
    std::ostream m_discarded { nullptr };
    emu::Transcript m_transcript { m_discarded };
    emu::Device m_device;
    std::shared_ptr<emu::Process> m_server;
    std::vector<BenchContact> m_contacts;
    std::size_t m_indexed { 0 };
    DWORD m_usedBytes { 0 };
    Queries m_queries;
    bool m_ready { false };
    bool m_quit { false };
    std::function<void(vyx::IndexStore&)> m_task;
};

std::string utf8(std::u16string_view text)
{
    std::string bytes;
    for (const char16_t c : text) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | c >> 6);
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xE0 | c >> 12);
            bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

// The baseline: the same contacts in an in-memory SQLite database, a table per kind of search term
// with an index on the term, asked by range queries (term >= prefix and < prefix followed by the
// highest character) and ordered by the contact's sort name.
class SqliteIndex : public SqliteConnection {
public:
    SqliteIndex()
    {
        exec("CREATE TABLE contacts(id INTEGER PRIMARY KEY, sort_name TEXT, file_as TEXT);"
             "CREATE TABLE words(word TEXT, contact INTEGER); CREATE INDEX words_word ON words(word);"
             "CREATE TABLE numbers(reversed TEXT, contact INTEGER); CREATE INDEX numbers_reversed ON numbers(reversed);"
             "CREATE TABLE keypad(key TEXT, contact INTEGER); CREATE INDEX keypad_key ON keypad(key);");
        m_addContact = prepare("INSERT INTO contacts VALUES(?1, ?2, ?3)");
        m_addWord = prepare("INSERT INTO words VALUES(?1, ?2)");
        m_addNumber = prepare("INSERT INTO numbers VALUES(?1, ?2)");
        m_addKey = prepare("INSERT INTO keypad VALUES(?1, ?2)");
        m_findWords = prepare(query("words", "word"));
        m_findNumbers = prepare(query("numbers", "reversed"));
        m_findKeys = prepare(query("keypad", "key"));
    }

    ~SqliteIndex()
    {
        for (sqlite3_stmt* statement : { m_addContact, m_addWord, m_addNumber, m_addKey, m_findWords, m_findNumbers, m_findKeys })
            sqlite3_finalize(statement);
    }

    SqliteIndex(const SqliteIndex&) = delete;
    SqliteIndex& operator=(const SqliteIndex&) = delete;

    void add(const BenchContact& contact)
    {
        bind(m_addContact, { std::to_string(contact.id), utf8(contact.sortName), utf8(contact.fileAs) });
        for (const std::u16string& word : contact.words) {
            if (word.starts_with(u"~"))
                bind(m_addNumber, { utf8(word), std::to_string(contact.id) });
            else
                bind(m_addWord, { utf8(word), std::to_string(contact.id) });
        }
        for (const std::u16string& key : contact.keypadKeys)
            bind(m_addKey, { utf8(key), std::to_string(contact.id) });
    }

    std::vector<DWORD> findWords(std::u16string_view prefix) { return find(m_findWords, prefix); }
    std::vector<DWORD> findNumbers(std::u16string_view key) { return find(m_findNumbers, key); }
    std::vector<DWORD> findKeys(std::u16string_view prefix) { return find(m_findKeys, prefix); }

private:
    static std::string query(const char* table, const char* column)
    {
        return std::string("SELECT DISTINCT t.contact, c.sort_name FROM ") + table + " t JOIN contacts c ON c.id = t.contact WHERE t." + column
            + " >= ?1 AND t." + column + " < ?2 ORDER BY c.sort_name, c.id";
    }

    void bind(sqlite3_stmt* statement, const std::vector<std::string>& values)
    {
        for (std::size_t i = 0; i < values.size(); ++i)
            sqlite3_bind_text(statement, static_cast<int>(i + 1), values[i].c_str(), -1, SQLITE_TRANSIENT);
        check(sqlite3_step(statement));
        sqlite3_reset(statement);
    }

    std::vector<DWORD> find(sqlite3_stmt* statement, std::u16string_view prefix)
    {
        const std::string low = utf8(prefix);
        // Past every text that begins with the prefix.
        const std::string high = low + "\xF4\x8F\xBF\xBF";
        sqlite3_bind_text(statement, 1, low.c_str(), static_cast<int>(low.size()), SQLITE_STATIC);
        sqlite3_bind_text(statement, 2, high.c_str(), static_cast<int>(high.size()), SQLITE_STATIC);
        std::vector<DWORD> contacts;
        while (sqlite3_step(statement) == SQLITE_ROW)
            contacts.push_back(static_cast<DWORD>(sqlite3_column_int64(statement, 0)));
        sqlite3_reset(statement);
        return contacts;
    }

    sqlite3_stmt* m_addContact { nullptr };
    sqlite3_stmt* m_addWord { nullptr };
    sqlite3_stmt* m_addNumber { nullptr };
    sqlite3_stmt* m_addKey { nullptr };
    sqlite3_stmt* m_findWords { nullptr };
    sqlite3_stmt* m_findNumbers { nullptr };
    sqlite3_stmt* m_findKeys { nullptr };
};

// The devices and databases of the run, made when a benchmark first needs them.
class Fixtures {
public:
    DeviceIndex& device(int count)
    {
        auto& slot = m_devices[count];
        if (!slot)
            slot = std::make_unique<DeviceIndex>(count);
        return *slot;
    }

    SqliteIndex& sqlite(int count)
    {
        auto& slot = m_databases[count];
        if (!slot) {
            slot = std::make_unique<SqliteIndex>();
            const DeviceIndex& index = device(count);
            for (std::size_t i = 0; i < index.indexed(); ++i)
                slot->add(index.contacts()[i]);
        }
        return *slot;
    }

private:
    std::map<int, std::unique_ptr<DeviceIndex>> m_devices;
    std::map<int, std::unique_ptr<SqliteIndex>> m_databases;
};

enum class Search { Number, Word, Key };

const std::vector<std::u16string>& queriesOf(const Queries& queries, Search search)
{
    switch (search) {
    case Search::Number:
        return queries.numberKeys;
    case Search::Word:
        return queries.wordPrefixes;
    case Search::Key:
        break;
    }
    return queries.keyPrefixes;
}

void suiteSearch(benchmark::State& state, Fixtures& fixtures, int count, Search search)
{
    DeviceIndex& index = fixtures.device(count);
    const std::vector<std::u16string>& queries = queriesOf(index.queries(), search);
    std::size_t found = 0;
    index.run([&](vyx::IndexStore& store) {
        std::size_t next = 0;
        for (auto _ : state) {
            const std::u16string& query = queries[next++ % queries.size()];
            std::vector<DWORD> contacts;
            switch (search) {
            case Search::Number:
                contacts = store.SearchPrefix(query);
                break;
            case Search::Word:
                contacts = store.SearchWords(query, 0);
                break;
            case Search::Key:
                contacts = store.SearchKeys(query, 0);
                break;
            }
            found += contacts.size();
            benchmark::DoNotOptimize(contacts.data());
        }
    });
    state.counters["contacts"] = static_cast<double>(index.indexed());
    state.counters["found"] = benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
}

void sqliteSearch(benchmark::State& state, Fixtures& fixtures, int count, Search search)
{
    SqliteIndex& database = fixtures.sqlite(count);
    const DeviceIndex& index = fixtures.device(count);
    const std::vector<std::u16string>& queries = queriesOf(index.queries(), search);
    std::size_t next = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        const std::u16string& query = queries[next++ % queries.size()];
        std::vector<DWORD> contacts;
        switch (search) {
        case Search::Number:
            contacts = database.findNumbers(query);
            break;
        case Search::Word:
            contacts = database.findWords(query);
            break;
        case Search::Key:
            contacts = database.findKeys(query);
            break;
        }
        found += contacts.size();
        benchmark::DoNotOptimize(contacts.data());
    }
    state.counters["contacts"] = static_cast<double>(index.indexed());
    state.counters["found"] = benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
}

void suiteAdd(benchmark::State& state, Fixtures& fixtures, int count)
{
    DeviceIndex& index = fixtures.device(count);
    std::size_t added = 0;
    DWORD usedBytes = 0;
    index.run([&](vyx::IndexStore&) {
        BenchSortTexts sortTexts(index.contacts());
        for (auto _ : state) {
            vyx::IndexStore fresh(u"\\bench_add.dat");
            fresh.Create();
            added = 0;
            for (const BenchContact& contact : index.contacts()) {
                if (!fresh.AddContact(vyx::IndexedContact { contact.id, contact.words, contact.keypadKeys, contact.id * 128 }, sortTexts))
                    break;
                ++added;
            }
            state.PauseTiming();
            const vyx::IndexStore::Statistics stats = fresh.Stats();
            usedBytes = stats.usedLength - stats.freeBytes;
            fresh.Close();
            state.ResumeTiming();
        }
    });
    state.counters["added"] = static_cast<double>(added);
    state.counters["bytes_per_contact"] = static_cast<double>(usedBytes) / static_cast<double>(added);
}

void sqliteAdd(benchmark::State& state, Fixtures& fixtures, int count)
{
    const DeviceIndex& index = fixtures.device(count);
    for (auto _ : state) {
        SqliteIndex database;
        for (std::size_t i = 0; i < index.indexed(); ++i)
            database.add(index.contacts()[i]);
    }
    state.counters["added"] = static_cast<double>(index.indexed());
}

// Prints every run as the console does and keeps its times, to set suite and SQLite side by side. Both
// run on one thread, so CPU time is the steadier figure on a busy machine; real time is shown as well.
class ComparingReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const double toNanoseconds = multiplier(run.time_unit);
            m_times[run.run_name.function_name] = { run.GetAdjustedRealTime() * toNanoseconds, run.GetAdjustedCPUTime() * toNanoseconds };
        }
    }

    void printComparison(std::ostream& out) const
    {
        out << "\nsuite beside SQLite, per operation (real time, CPU time in brackets)\n";
        for (const char* what : { "Add", "NumberSearch", "WordSearch", "KeySearch" }) {
            for (const int count : contactCounts) {
                const std::string tail = std::string("/") + what + "/" + std::to_string(count);
                const auto suite = m_times.find("Suite" + tail);
                const auto sqlite = m_times.find("SQLite" + tail);
                if (suite == m_times.end() || sqlite == m_times.end())
                    continue;
                char line[240];
                std::snprintf(line, sizeof line, "%-12s %5d: suite %11.3f us (%11.3f), SQLite %11.3f us (%11.3f), SQLite/suite %6.2fx (%6.2fx)\n",
                              what, count, suite->second.real / 1000, suite->second.cpu / 1000, sqlite->second.real / 1000, sqlite->second.cpu / 1000,
                              sqlite->second.real / suite->second.real, sqlite->second.cpu / suite->second.cpu);
                out << line;
            }
        }
    }

private:
    struct Times {
        double real;
        double cpu;
    };

    static double multiplier(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kSecond:
            return 1e9;
        case benchmark::kMillisecond:
            return 1e6;
        case benchmark::kMicrosecond:
            return 1e3;
        case benchmark::kNanosecond:
            break;
        }
        return 1;
    }

    std::map<std::string, Times> m_times;
};

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Fixtures fixtures;
    for (const int count : contactCounts) {
        const std::string size = "/" + std::to_string(count);
        benchmark::RegisterBenchmark(("Suite/Add" + size).c_str(), [&fixtures, count](benchmark::State& state) { suiteAdd(state, fixtures, count); })
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("SQLite/Add" + size).c_str(), [&fixtures, count](benchmark::State& state) { sqliteAdd(state, fixtures, count); })
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        const std::pair<const char*, Search> searches[] = { { "NumberSearch", Search::Number }, { "WordSearch", Search::Word }, { "KeySearch", Search::Key } };
        for (const auto& [name, search] : searches) {
            benchmark::RegisterBenchmark((std::string("Suite/") + name + size).c_str(),
                                         [&fixtures, count, search = search](benchmark::State& state) { suiteSearch(state, fixtures, count, search); })
                ->UseRealTime();
            benchmark::RegisterBenchmark((std::string("SQLite/") + name + size).c_str(),
                                         [&fixtures, count, search = search](benchmark::State& state) { sqliteSearch(state, fixtures, count, search); })
                ->UseRealTime();
        }
    }
    ComparingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printComparison(std::cout);
    benchmark::Shutdown();
    return 0;
}
