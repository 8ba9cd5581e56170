// The upkeep of the contact index against the store a user would otherwise pick, SQLite with indexed
// tables, on generated address books of 1,000 and 10,000 contacts: a full rebuild (its time, and the
// bytes of "\pim_index1.dat" and "\pim_index2.dat" beside the SQLite database's), a connect that
// reconciles ten contacts edited while no program ran, and one queued change applied. SQLite enters
// the same words, made by ContactWords from the same records, and the same extras; the time of reading
// those records from the contacts database is reported beside it, as the suite's figures include it.
// At the end a table sets each suite figure beside SQLite's.
#include "bench/BenchDevice.h"
#include "bench/SqliteConnection.h"
#include "emulator/AddressBook.h"
#include "emulator/addressbook/AddressBookFile.h"
#include "emulator/addressbook/ContactGenerator.h"
#include "platform/api/WinUser.h"
#include "platform/emu/FileSystem.h"
#include "platform/emu/WindowManager.h"
#include "vyx/contacts/CallerLookup.h"
#include "vyx/contacts/ContactListView.h"
#include "vyx/contacts/ContactManager.h"
#include "vyx/contacts/ContactNotes.h"
#include "vyx/contacts/ContactSortText.h"
#include "vyx/contacts/ContactWords.h"
#include "vyx/contacts/ExtrasSerializer.h"
#include "vyx/keypad/VyxAlphabetLoader.h"
#include "vyx/resources/VyxStrings.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t contactCounts[] = { 1000, 10000 };
// As many as a connect still reconciles one by one; one more and it rebuilds.
constexpr std::size_t reconciledChanges = vyx::ContactManager::reconcileChangeLimit;
constexpr CEPROPID lastNameProperty = MAKEPROPID(0x84, CEVT_LPWSTR);

// The host time an operation took, in seconds: on the wall clock, and in the process's CPU time. Only
// one emulated thread runs at a time and the driver waits meanwhile, so the CPU time is the
// operation's own, and the steadier figure on a busy machine.
struct Elapsed {
    double real { 0 };
    double cpu { 0 };

    Elapsed& operator+=(const Elapsed& other)
    {
        real += other.real;
        cpu += other.cpu;
        return *this;
    }
};

class Stopwatch {
public:
    Stopwatch()
        : m_real(Clock::now())
        , m_cpu(std::clock())
    {
    }

    Elapsed elapsed() const
    {
        return { std::chrono::duration<double>(Clock::now() - m_real).count(), static_cast<double>(std::clock() - m_cpu) / CLOCKS_PER_SEC };
    }

private:
    Clock::time_point m_real;
    std::clock_t m_cpu;
};

benchmark::Counter perIteration(double total)
{
    return benchmark::Counter(total, benchmark::Counter::kAvgIterations);
}

// What a benchmark measured over its iterations: the operation, whose wall-clock time is the
// iteration's time, and for the baseline the reading of the records it enters.
class Measured {
public:
    void operation(benchmark::State& state, const Elapsed& elapsed)
    {
        state.SetIterationTime(elapsed.real);
        m_operations += elapsed;
    }

    void reading(const Elapsed& elapsed) { m_reads += elapsed; }

    void report(benchmark::State& state) const
    {
        state.counters["cpu_ms"] = perIteration(m_operations.cpu * 1000);
        if (m_reads.real > 0) {
            state.counters["read_ms"] = perIteration(m_reads.real * 1000);
            state.counters["read_cpu_ms"] = perIteration(m_reads.cpu * 1000);
        }
    }

private:
    Elapsed m_operations;
    Elapsed m_reads;
};

std::u16string utf16(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// Counts the rebuilds the contact manager reports, so that a figure meant for a reconcile or a queued
// change is not silently that of a rebuild.
class RebuildCounter final : public vyx::ContactListView {
public:
    void UpdateBegins(bool) override { }
    void ContactRemoved(DWORD) override { }
    void UpdateEnded() override { }
    void Reset() override { ++rebuilds; }

    int rebuilds { 0 };
};

// One contact as both stores receive it: its words and keypad keys, its sort texts for the two
// display orders, and its extras in the property store's byte form.
struct EnteredContact {
    vyx::IndexedContact words;
    std::array<std::u16string, vyx::IndexStore::orderCount> sortTexts;
    std::vector<BYTE> extras;
};

// Reads contacts as the index maintenance reads them, for the baseline. Runs inside a device program.
class ContactReader {
public:
    ContactReader()
        : m_lookup(m_contacts, m_index, m_props)
        , m_alphabet(keypad::VyxAlphabetLoader::Load())
    {
        if (!m_contacts.Open(vyx::ContactManager::contactsDatabase, {}, 0, nullptr))
            throw std::runtime_error("the contacts database does not open");
    }

    // Every contact, walking the database as a rebuild does.
    std::vector<EnteredContact> all()
    {
        std::vector<EnteredContact> contacts;
        m_contacts.SetAutoAdvance(true);
        if (m_contacts.SeekFirst()) {
            CEOID record = 0;
            std::vector<vyx::PropertyValue> values;
            while (m_contacts.ReadProps(nullptr, record, values)) {
                vyx::CallerInfo read;
                m_lookup.Fill(record, values, read, vyx::CallerLookup::Picture::Skip);
                contacts.push_back(entered(read));
            }
        }
        m_contacts.SetAutoAdvance(false);
        return contacts;
    }

    // One contact, read by its identifier as a single-record change reads it.
    EnteredContact one(DWORD contact)
    {
        vyx::CallerInfo read;
        if (!m_lookup.ReadContact(contact, read, vyx::CallerLookup::Picture::Skip))
            throw std::runtime_error("contact " + std::to_string(contact) + " cannot be read");
        return entered(read);
    }

private:
    EnteredContact entered(vyx::CallerInfo& record) const
    {
        vyx::ContactNotes::Parsed parsed = vyx::ContactNotes::ParseNotes(record.notes);
        record.extras = std::move(parsed.extras);
        record.extras.stamp = record.Stamp();
        EnteredContact contact { vyx::ContactWords::Of(record, parsed.visibleText, m_alphabet), {}, vyx::ExtrasSerializer::Serialize(record.extras) };
        for (int order = 0; order < vyx::IndexStore::orderCount; ++order)
            contact.sortTexts[static_cast<std::size_t>(order)] = vyx::ContactSortText::Of(record, order);
        return contact;
    }

    vyx::PimDatabase m_contacts;
    vyx::IndexStore m_index;
    vyx::PropsStore m_props;
    vyx::CallerLookup m_lookup;
    keypad::KeypadAlphabet m_alphabet;
};

// The baseline: an in-memory SQLite database with a table of contacts (sort texts indexed for both
// display orders, the extras as a blob) and a table each of words, number keys and keypad keys, each
// indexed by its term (unique with the contact: a contact is entered once under a term, as in the
// index) and by its contact, so that a changed contact's rows are found to be deleted.
class SqliteContactIndex : public SqliteConnection {
public:
    SqliteContactIndex()
    {
        exec("CREATE TABLE contacts(id INTEGER PRIMARY KEY, sort_name TEXT, file_as TEXT, extras BLOB);"
             "CREATE INDEX contacts_sort_name ON contacts(sort_name, id); CREATE INDEX contacts_file_as ON contacts(file_as, id);");
        for (const char* table : termTables) {
            const std::string name(table);
            exec(("CREATE TABLE " + name + "(term TEXT, contact INTEGER);" + "CREATE UNIQUE INDEX " + name + "_term ON " + name
                  + "(term, contact); CREATE INDEX " + name + "_contact ON " + name + "(contact);")
                     .c_str());
        }
        m_addContact = prepare("INSERT INTO contacts VALUES(?1, ?2, ?3, ?4)");
        m_removeContact = prepare("DELETE FROM contacts WHERE id = ?1");
        for (std::size_t table = 0; table < std::size(termTables); ++table) {
            const std::string name(termTables[table]);
            m_addTerm[table] = prepare("INSERT OR IGNORE INTO " + name + " VALUES(?1, ?2)");
            m_removeTerms[table] = prepare("DELETE FROM " + name + " WHERE contact = ?1");
        }
        m_countWord = prepare("SELECT COUNT(DISTINCT contact) FROM words WHERE term >= ?1 AND term < ?1 || x'7F'");
    }

    ~SqliteContactIndex()
    {
        for (sqlite3_stmt* statement : { m_addContact, m_removeContact, m_countWord })
            sqlite3_finalize(statement);
        for (std::size_t table = 0; table < std::size(termTables); ++table) {
            sqlite3_finalize(m_addTerm[table]);
            sqlite3_finalize(m_removeTerms[table]);
        }
    }

    SqliteContactIndex(const SqliteContactIndex&) = delete;
    SqliteContactIndex& operator=(const SqliteContactIndex&) = delete;

    // Enters new contacts, in one transaction.
    void enter(const std::vector<EnteredContact>& contacts)
    {
        exec("BEGIN");
        for (const EnteredContact& contact : contacts)
            add(contact);
        exec("COMMIT");
    }

    // Deletes the rows of changed contacts and enters them again, in one transaction.
    void replace(const std::vector<EnteredContact>& contacts)
    {
        exec("BEGIN");
        for (const EnteredContact& contact : contacts) {
            for (sqlite3_stmt* statement : { m_removeContact, m_removeTerms[0], m_removeTerms[1], m_removeTerms[2] }) {
                sqlite3_bind_int64(statement, 1, contact.words.identifier);
                step(statement);
            }
            add(contact);
        }
        exec("COMMIT");
    }

    // The contacts with a word beginning with `prefix`.
    std::size_t contactsWithWord(const std::u16string& prefix)
    {
        bindText(m_countWord, 1, prefix);
        check(sqlite3_step(m_countWord));
        const auto count = static_cast<std::size_t>(sqlite3_column_int64(m_countWord, 0));
        sqlite3_reset(m_countWord);
        return count;
    }

    // The database's size: its pages.
    double bytes()
    {
        sqlite3_stmt* size = prepare("SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()");
        check(sqlite3_step(size));
        const auto result = static_cast<double>(sqlite3_column_int64(size, 0));
        sqlite3_finalize(size);
        return result;
    }

private:
    // Words, then number keys (the words beginning with "~"), then keypad keys.
    static constexpr const char* termTables[] = { "words", "numbers", "keypad" };

    void add(const EnteredContact& contact)
    {
        const sqlite3_int64 id = contact.words.identifier;
        sqlite3_bind_int64(m_addContact, 1, id);
        bindText(m_addContact, 2, contact.sortTexts[0]);
        bindText(m_addContact, 3, contact.sortTexts[1]);
        sqlite3_bind_blob(m_addContact, 4, contact.extras.data(), static_cast<int>(contact.extras.size()), SQLITE_STATIC);
        step(m_addContact);
        for (const std::u16string& word : contact.words.words)
            addTerm(word.starts_with(u"~") ? 1 : 0, word, id);
        for (const std::u16string& key : contact.words.keypadKeys)
            addTerm(2, key, id);
    }

    void addTerm(std::size_t table, const std::u16string& term, sqlite3_int64 contact)
    {
        bindText(m_addTerm[table], 1, term);
        sqlite3_bind_int64(m_addTerm[table], 2, contact);
        step(m_addTerm[table]);
    }

    static void bindText(sqlite3_stmt* statement, int parameter, const std::u16string& text)
    {
        sqlite3_bind_text16(statement, parameter, text.data(), static_cast<int>(text.size() * sizeof(char16_t)), SQLITE_STATIC);
    }

    void step(sqlite3_stmt* statement)
    {
        check(sqlite3_step(statement));
        sqlite3_reset(statement);
    }

    sqlite3_stmt* m_addContact { nullptr };
    sqlite3_stmt* m_removeContact { nullptr };
    std::array<sqlite3_stmt*, std::size(termTables)> m_addTerm {};
    std::array<sqlite3_stmt*, std::size(termTables)> m_removeTerms {};
    sqlite3_stmt* m_countWord { nullptr };
};

// A device with a generated address book whose stores a contact manager built and saved. Between its
// programs the driver edits contacts as the phone's address book would; each edit gives a last name
// never used before, whose lower-cased form the index then finds.
class MaintainedDevice {
public:
    explicit MaintainedDevice(std::size_t count)
        : m_book(m_bench.device())
    {
        testing_support::TempFolder cards;
        const auto file = cards.path() / "book.vcf";
        {
            std::ofstream out(file, std::ios::binary);
            devemu::ContactGenerator(11).write(out, count);
        }
        devemu::VCardError error;
        m_book.import(devemu::AddressBookFile::read(file, error).value());
        for (const emu::StoredRecord& contact : m_book.contacts())
            m_contacts.push_back(contact.oid);
        bool connected = false;
        run([&connected](HINSTANCE instance) { connected = vyx::ContactManager(nullptr, nullptr).Connect(instance); });
        if (!connected)
            throw std::runtime_error("the contact manager does not build the stores");
    }

    // Runs `body` as a device program with Vyx's resources, to its end.
    void run(const std::function<void(HINSTANCE)>& body)
    {
        device().installProgram(u"\\Windows\\maintain.exe", [&body](HINSTANCE instance, const std::u16string&) {
            body(instance);
            return 0;
        }, &vyx::vyxResources());
        const auto process = device().startProgram(u"maintain", u"");
        device().runUntil([&] { return process->finished(); }, std::nullopt);
    }

    struct Renamed {
        std::vector<CEOID> contacts;
        // Every new name begins with it.
        std::u16string stem;
    };

    // Renames `count` contacts spread evenly over the book, from a place that moves on each round.
    Renamed renameContacts(std::size_t count)
    {
        Renamed renamed { {}, utf16("edited" + std::to_string(m_round) + "x") };
        for (std::size_t i = 0; i < count; ++i) {
            renamed.contacts.push_back(m_contacts[(i * m_contacts.size() / count + m_round * 7919) % m_contacts.size()]);
            rename(renamed.contacts.back(), renamed.stem + utf16(std::to_string(i)));
        }
        ++m_round;
        return renamed;
    }

    double fileBytes(std::u16string_view devicePath)
    {
        const auto path = device().files().hostPath(devicePath);
        return path ? static_cast<double>(std::filesystem::file_size(*path)) : 0;
    }

    emu::Device& device() { return m_bench.device(); }

private:
    void rename(CEOID contact, const std::u16string& lastName)
    {
        devemu::ContactChanges changes;
        changes.texts[lastNameProperty] = lastName;
        m_book.edit(contact, changes);
    }

    BenchDevice m_bench;
    devemu::AddressBook m_book;
    std::vector<CEOID> m_contacts;
    std::size_t m_round { 0 };
};

// A program keeping the index connected as Vyx does, hearing the database's change notifications. The
// driver asks it through a window of its own to apply its queue at once instead of after the queue's
// pause, and the apply is timed.
class ResidentManager {
public:
    struct Applied {
        Elapsed elapsed;
        // The contacts the index finds under the word asked for, after the apply.
        std::size_t found;
        bool rebuilt;
    };

    explicit ResidentManager(MaintainedDevice& maintained)
        : m_maintained(maintained)
    {
        device().installProgram(u"\\Windows\\resident.exe", [this](HINSTANCE instance, const std::u16string&) {
            serve(instance);
            return 0;
        }, &vyx::vyxResources());
        m_process = device().startProgram(u"resident", u"");
        device().runUntil([&] { return m_manager || m_process->finished(); }, std::nullopt);
        if (!m_manager)
            throw std::runtime_error("the resident contact manager does not connect");
    }

    ~ResidentManager()
    {
        device().windows().postFromDriver(m_window, quitMessage, 0, 0);
        device().runUntil([&] { return m_process->finished(); }, std::nullopt);
    }

    ResidentManager(const ResidentManager&) = delete;
    ResidentManager& operator=(const ResidentManager&) = delete;

    // The changes the manager heard and has not applied; read between runs of the device.
    std::size_t queued() const { return m_manager->QueuedChanges(); }

    Applied applyQueued(const std::u16string& word)
    {
        m_word = word;
        m_applied.reset();
        device().windows().postFromDriver(m_window, applyMessage, 0, 0);
        device().runUntil([&] { return m_applied.has_value(); }, std::nullopt);
        return *m_applied;
    }

private:
    static constexpr UINT applyMessage = WM_APP;
    static constexpr UINT quitMessage = WM_APP + 1;
    static constexpr LPCWSTR className = u"IndexMaintenanceBench";

    emu::Device& device() { return m_maintained.device(); }

    void serve(HINSTANCE instance)
    {
        WNDCLASS windowClass {};
        windowClass.lpfnWndProc = DefWindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = className;
        RegisterClass(&windowClass);
        m_window = CreateWindowEx(0, className, u"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
        vyx::ContactManager manager(nullptr, &m_rebuilds);
        if (!m_window || !manager.Connect(instance))
            return;
        m_manager = &manager;
        MSG msg;
        while (GetMessage(&msg, nullptr, 0, 0)) {
            if (msg.hwnd == m_window && msg.message == quitMessage)
                break;
            if (msg.hwnd == m_window && msg.message == applyMessage) {
                const int rebuildsBefore = m_rebuilds.rebuilds;
                const Stopwatch stopwatch;
                manager.ProcessQueue();
                const Elapsed elapsed = stopwatch.elapsed();
                m_applied = Applied { elapsed, manager.Index().SearchWordsRaw(m_word).size(), m_rebuilds.rebuilds != rebuildsBefore };
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        m_manager = nullptr;
        manager.Disconnect();
        DestroyWindow(m_window);
    }

    MaintainedDevice& m_maintained;
    std::shared_ptr<emu::Process> m_process;
    HWND m_window { nullptr };
    RebuildCounter m_rebuilds;
    // The program's contact manager while it serves.
    vyx::ContactManager* m_manager { nullptr };
    std::u16string m_word;
    std::optional<Applied> m_applied;
};

// One maintained device, and one SQLite database holding its contacts, per contact count, made when
// first asked for.
class Fixtures {
public:
    MaintainedDevice& device(std::size_t count)
    {
        auto& slot = m_devices[count];
        if (!slot)
            slot = std::make_unique<MaintainedDevice>(count);
        return *slot;
    }

    SqliteContactIndex& sqlite(std::size_t count)
    {
        auto& slot = m_databases[count];
        if (!slot) {
            std::vector<EnteredContact> contacts;
            device(count).run([&](HINSTANCE) { contacts = ContactReader().all(); });
            slot = std::make_unique<SqliteContactIndex>();
            slot->enter(contacts);
        }
        return *slot;
    }

private:
    std::map<std::size_t, std::unique_ptr<MaintainedDevice>> m_devices;
    std::map<std::size_t, std::unique_ptr<SqliteContactIndex>> m_databases;
};

void suiteRebuild(benchmark::State& state, Fixtures& fixtures, std::size_t count)
{
    MaintainedDevice& maintained = fixtures.device(count);
    Measured measured;
    RebuildCounter rebuilds;
    DWORD indexed = 0;
    maintained.run([&](HINSTANCE instance) {
        vyx::ContactManager manager(nullptr, &rebuilds);
        if (!manager.Connect(instance)) {
            state.SkipWithError("the contact manager does not connect");
            return;
        }
        for (auto _ : state) {
            const Stopwatch stopwatch;
            const bool built = manager.Rebuild();
            measured.operation(state, stopwatch.elapsed());
            if (!built) {
                state.SkipWithError("the rebuild failed");
                break;
            }
        }
        indexed = manager.Index().ContactCount();
        // Saves both files: the rebuild left the save pending.
        manager.Disconnect();
    });
    measured.report(state);
    state.counters["contacts"] = static_cast<double>(indexed);
    state.counters["index1_bytes"] = maintained.fileBytes(u"\\pim_index1.dat");
    state.counters["index2_bytes"] = maintained.fileBytes(u"\\pim_index2.dat");
}

void sqliteRebuild(benchmark::State& state, Fixtures& fixtures, std::size_t count)
{
    MaintainedDevice& maintained = fixtures.device(count);
    Measured measured;
    double bytes = 0;
    std::size_t entered = 0;
    for (auto _ : state) {
        std::vector<EnteredContact> contacts;
        maintained.run([&](HINSTANCE) {
            ContactReader reader;
            const Stopwatch stopwatch;
            contacts = reader.all();
            measured.reading(stopwatch.elapsed());
        });
        if (contacts.empty()) {
            state.SkipWithError("the contacts could not be read");
            break;
        }
        SqliteContactIndex database;
        const Stopwatch stopwatch;
        database.enter(contacts);
        measured.operation(state, stopwatch.elapsed());
        bytes = database.bytes();
        entered = contacts.size();
    }
    measured.report(state);
    state.counters["contacts"] = static_cast<double>(entered);
    state.counters["bytes"] = bytes;
}

void suiteReconcile(benchmark::State& state, Fixtures& fixtures, std::size_t count)
{
    MaintainedDevice& maintained = fixtures.device(count);
    Measured measured;
    for (auto _ : state) {
        const std::u16string stem = maintained.renameContacts(reconciledChanges).stem;
        RebuildCounter rebuilds;
        bool connected = false;
        Elapsed elapsed;
        std::size_t found = 0;
        maintained.run([&](HINSTANCE instance) {
            vyx::ContactManager manager(nullptr, &rebuilds);
            const Stopwatch stopwatch;
            connected = manager.Connect(instance);
            elapsed = stopwatch.elapsed();
            if (connected)
                found = manager.Index().SearchWordsRaw(stem).size();
            // Disconnecting saves the reconciled stores for the next round.
        });
        measured.operation(state, elapsed);
        if (!connected || rebuilds.rebuilds != 0 || found != reconciledChanges) {
            state.SkipWithError("the connect did not reconcile the edited contacts one by one");
            break;
        }
    }
    measured.report(state);
}

void suiteQueuedChange(benchmark::State& state, Fixtures& fixtures, std::size_t count)
{
    MaintainedDevice& maintained = fixtures.device(count);
    Measured measured;
    ResidentManager resident(maintained);
    for (auto _ : state) {
        const std::u16string name = maintained.renameContacts(1).stem;
        // The notification reaches the manager's queue; its timer is not yet due.
        maintained.device().runUntilIdle();
        if (resident.queued() != 1) {
            state.SkipWithError("the change was not queued");
            break;
        }
        const ResidentManager::Applied applied = resident.applyQueued(name);
        measured.operation(state, applied.elapsed);
        if (applied.found != 1 || applied.rebuilt) {
            state.SkipWithError("the queued change was not applied on its own");
            break;
        }
    }
    measured.report(state);
}

// The baseline of a reconcile and of a queued change: the edited contacts read again and their rows
// replaced.
void sqliteReplace(benchmark::State& state, Fixtures& fixtures, std::size_t count, std::size_t changes)
{
    MaintainedDevice& maintained = fixtures.device(count);
    SqliteContactIndex& database = fixtures.sqlite(count);
    Measured measured;
    for (auto _ : state) {
        const MaintainedDevice::Renamed renamed = maintained.renameContacts(changes);
        std::vector<EnteredContact> changed;
        maintained.run([&](HINSTANCE) {
            ContactReader reader;
            const Stopwatch stopwatch;
            for (const CEOID contact : renamed.contacts)
                changed.push_back(reader.one(contact));
            measured.reading(stopwatch.elapsed());
        });
        const Stopwatch stopwatch;
        database.replace(changed);
        measured.operation(state, stopwatch.elapsed());
        if (database.contactsWithWord(renamed.stem) != changes) {
            state.SkipWithError("SQLite does not find the edited contacts");
            break;
        }
    }
    measured.report(state);
}

void sqliteReconcile(benchmark::State& state, Fixtures& fixtures, std::size_t count)
{
    sqliteReplace(state, fixtures, count, reconciledChanges);
}

void sqliteQueuedChange(benchmark::State& state, Fixtures& fixtures, std::size_t count)
{
    sqliteReplace(state, fixtures, count, 1);
}

// Prints every run as the console does and keeps its time and counters, to set suite and SQLite side
// by side at the end.
class ComparingReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            Figures& figures = m_figures[run.run_name.function_name];
            figures.milliseconds = run.GetAdjustedRealTime() * toMilliseconds(run.time_unit);
            for (const auto& [name, counter] : run.counters)
                figures.counters[name] = counter.value;
        }
    }

    void printComparison(std::ostream& out) const
    {
        out << "\nindex maintenance, suite beside SQLite: host time of one operation in ms, real (CPU); SQLite\n"
               "without and with reading the records from the contacts database, which the suite's time includes\n";
        char line[240];
        std::snprintf(line, sizeof line, "%-13s %8s %21s %21s %21s %15s %15s\n", "operation", "contacts", "suite", "SQLite", "SQLite+read",
                      "SQLite/suite", "+read/suite");
        out << line;
        for (const char* what : { "Rebuild", "Reconcile10", "QueuedChange" }) {
            for (const std::size_t count : contactCounts) {
                const Figures* suite = find("Suite", what, count);
                const Figures* sqlite = find("SQLite", what, count);
                if (!suite || !sqlite)
                    continue;
                const Elapsed suiteTime { suite->milliseconds, suite->counter("cpu_ms") };
                const Elapsed sqliteTime { sqlite->milliseconds, sqlite->counter("cpu_ms") };
                Elapsed withRead { sqlite->counter("read_ms"), sqlite->counter("read_cpu_ms") };
                withRead += sqliteTime;
                std::snprintf(line, sizeof line, "%-13s %8zu %9.3f (%9.3f) %9.3f (%9.3f) %9.3f (%9.3f) %5.2fx (%5.2fx) %5.2fx (%5.2fx)\n", what,
                              count, suiteTime.real, suiteTime.cpu, sqliteTime.real, sqliteTime.cpu, withRead.real, withRead.cpu,
                              sqliteTime.real / suiteTime.real, sqliteTime.cpu / suiteTime.cpu, withRead.real / suiteTime.real,
                              withRead.cpu / suiteTime.cpu);
                out << line;
            }
        }
        out << "\nbytes after a rebuild\n";
        std::snprintf(line, sizeof line, "%8s %16s %16s %12s %12s %13s\n", "contacts", "pim_index1.dat", "pim_index2.dat", "suite", "SQLite", "SQLite/suite");
        out << line;
        for (const std::size_t count : contactCounts) {
            const Figures* suite = find("Suite", "Rebuild", count);
            const Figures* sqlite = find("SQLite", "Rebuild", count);
            if (!suite || !sqlite)
                continue;
            const double index1 = suite->counter("index1_bytes");
            const double index2 = suite->counter("index2_bytes");
            std::snprintf(line, sizeof line, "%8zu %16.0f %16.0f %12.0f %12.0f %12.2fx\n", count, index1, index2, index1 + index2,
                          sqlite->counter("bytes"), sqlite->counter("bytes") / (index1 + index2));
            out << line;
        }
    }

private:
    struct Figures {
        double milliseconds { 0 };
        std::map<std::string, double> counters;

        double counter(const std::string& name) const
        {
            const auto found = counters.find(name);
            return found == counters.end() ? 0 : found->second;
        }
    };

    static double toMilliseconds(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kSecond:
            return 1e3;
        case benchmark::kMillisecond:
            return 1;
        case benchmark::kMicrosecond:
            return 1e-3;
        case benchmark::kNanosecond:
            break;
        }
        return 1e-6;
    }

    const Figures* find(const char* store, const char* what, std::size_t count) const
    {
        const auto found = m_figures.find(std::string(store) + "/" + what + "/" + std::to_string(count));
        return found == m_figures.end() ? nullptr : &found->second;
    }

    std::map<std::string, Figures> m_figures;
};

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Fixtures fixtures;
    using Measure = void (*)(benchmark::State&, Fixtures&, std::size_t);
    struct Operation {
        const char* name;
        Measure suite;
        Measure sqlite;
        benchmark::TimeUnit unit;
        // Rebuilds of 10,000 contacts take a second: a few of them make a steadier figure.
        std::optional<double> minSeconds;
    };
    const Operation operations[] = {
        { "Rebuild", suiteRebuild, sqliteRebuild, benchmark::kMillisecond, 3.0 },
        { "Reconcile10", suiteReconcile, sqliteReconcile, benchmark::kMillisecond, std::nullopt },
        { "QueuedChange", suiteQueuedChange, sqliteQueuedChange, benchmark::kMicrosecond, std::nullopt },
    };
    for (const std::size_t count : contactCounts) {
        for (const Operation& operation : operations) {
            const std::string tail = std::string("/") + operation.name + "/" + std::to_string(count);
            for (const auto& [store, measure] : { std::pair { "Suite", operation.suite }, std::pair { "SQLite", operation.sqlite } }) {
                benchmark::internal::Benchmark* registered = benchmark::RegisterBenchmark(
                    (store + tail).c_str(), [&fixtures, count, measure = measure](benchmark::State& state) { measure(state, fixtures, count); });
                registered->UseManualTime()->Unit(operation.unit);
                if (operation.minSeconds)
                    registered->MinTime(*operation.minSeconds);
            }
        }
    }
    ComparingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printComparison(std::cout);
    benchmark::Shutdown();
    return 0;
}
