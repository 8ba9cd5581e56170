// The contact book among several programs of the family, each with its own roster place and contact
// book: a slave that finds no stores or stale ones, the master's changes reaching a slave's look-ups
// and cache, a master handing over what it heard before it becomes a slave, stop and reload messages
// that reach a master late, the link type written by the master or forwarded by a slave, the store
// check of a slave made master, and a rebuild framed by the slaves' stop and reload.
#include "tests/vyx/IndexKeeper.h"

#include "common/SettingsStore.h"
#include "platform/emu/Text.h"
#include "vyx/contacts/ChangeQueue.h"
#include "vyx/contacts/ContactBook.h"
#include "vyx/contacts/DbEventsListener.h"
#include "vyx/contacts/PimSync.h"
#include "vyx/contacts/PimSyncMessages.h"
#include "vyx/contacts/StoreCheck.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using testing_support::createScriptedWindow;
using testing_support::IndexKeeperFixture;
using testing_support::MessageHandler;
using testing_support::registerScriptedClass;
using testing_support::runMessageLoop;
using vyx::CallerInfo;
using vyx::ContactBook;
using vyx::PimSync;
using vyx::PimSyncMessages;
using Lines = std::vector<std::string>;

// Asks a program to run the test's task on its own thread.
constexpr UINT runTask = WM_APP + 1;

constexpr CEPROPID linkTypeProperty = MAKEPROPID(0xF8, CEVT_I4);

// A program of the family: a main window in the roster whose registered messages go to its contact
// book. Its objects live on its thread; the test reaches them only through tasks.
struct Program {
    std::shared_ptr<emu::Process> process;
    HWND window { nullptr };
    PimSyncMessages messages;
    PimSync* sync { nullptr };
    ContactBook* book { nullptr };
    std::function<void(Program&)> task;
};

class ContactBookTest : public IndexKeeperFixture {
protected:
    // Starts a program that opens the roster and registers its main window; it notes each roster
    // message after its contact book handled it, with whether its stores are open then.
    void join(const std::string& name)
    {
        Program& program = m_programs[name];
        program.process = start(emu::fromUtf8(name), [this, name, &program] {
            const PimSyncMessages messages = PimSyncMessages::Register();
            PimSync sync(messages);
            ContactBook contactBook;
            registerScriptedClass();
            MessageHandler handler = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
                if (contactBook.HandleSyncMessage(messages, message, wParam, lParam)) {
                    note(name, messages, message, contactBook);
                    return 0;
                }
                if (message == runTask) {
                    program.task(program);
                    return 0;
                }
                return std::nullopt;
            };
            program.messages = messages;
            program.sync = &sync;
            program.book = &contactBook;
            program.window = createScriptedWindow(handler, {});
            if (!sync.Open() || !sync.Register(program.window))
                return 2;
            return runMessageLoop();
        }, u"", &vyx::vyxResources());
        device->runUntilIdle();
        EXPECT_FALSE(program.process->finished()) << name << " could not join the roster";
    }

    // Runs the task on the program's thread and lets the device settle (no time passes).
    void in(const std::string& name, std::function<void(Program&)> task)
    {
        Program& program = m_programs.at(name);
        program.task = std::move(task);
        const auto result = device->windows().sendFromDriver(program.window, runTask, 0, 0);
        EXPECT_TRUE(result.has_value()) << name << " did not run the task: " << device->deadlockReport();
        device->runUntilIdle();
    }

    bool connect(const std::string& name)
    {
        bool succeeded = false;
        in(name, [&](Program& program) { succeeded = program.book->Connect(GetModuleHandle(nullptr), program.sync); });
        return succeeded;
    }

    bool isMaster(const std::string& name)
    {
        bool master = false;
        in(name, [&](Program& program) { master = program.sync->IsMaster(); });
        return master;
    }

    bool savePending(const std::string& name)
    {
        bool pending = false;
        in(name, [&](Program& program) { pending = program.book->IsConnected() && program.book->Manager()->IsSavePending(); });
        return pending;
    }

    // The last name of the contact as the program's cache holds it; "<none>" when it has no record.
    std::u16string cachedLastName(const std::string& name, DWORD contact)
    {
        std::u16string lastName = u"<none>";
        in(name, [&](Program& program) {
            if (const CallerInfo* cached = program.book->CachedContact(contact))
                lastName = cached->texts[CallerInfo::LastName];
        });
        return lastName;
    }

    std::vector<DWORD> callersFoundBy(const std::string& name, const std::u16string& number)
    {
        std::vector<DWORD> contacts;
        in(name, [&](Program& program) {
            std::vector<std::u16string> tails;
            program.book->FindContactsByNumber(number, 6, 0, contacts, tails);
        });
        return contacts;
    }

    std::vector<DWORD> namesFoundBy(const std::string& name, const std::u16string& text)
    {
        std::vector<DWORD> contacts;
        in(name, [&](Program& program) { contacts = program.book->SearchNames(text); });
        return contacts;
    }

    // Ends the program as a crash would: nothing saved, nothing left.
    void kill(const std::string& name)
    {
        Program& program = m_programs.at(name);
        device->terminateProcess(*program.process, 1);
        device->runUntil([&] { return program.process->finished(); }, std::nullopt);
        program.sync = nullptr;
        program.book = nullptr;
    }

    // What a program starting now would find of the stores: "current", "stale" or "missing".
    std::string storeState()
    {
        std::string state = "no database";
        runProgram([&] {
            vyx::PimDatabase contacts;
            if (!contacts.Open(vyx::ContactManager::contactsDatabase, {}, 0, nullptr))
                return 1;
            vyx::IndexStore index;
            vyx::PropsStore props;
            switch (vyx::StoreCheck::OpenAndCheck(index, props, contacts, vyx::StoreCheck::Compare::VolumeTimeAndCount).state) {
            case vyx::StoreCheck::State::Current:
                state = "current";
                break;
            case vyx::StoreCheck::State::Stale:
                state = "stale";
                break;
            case vyx::StoreCheck::State::Missing:
                state = "missing";
                break;
            }
            return 0;
        }, u"check");
        return state;
    }

    bool untrustedBySettings()
    {
        bool untrusted = false;
        runProgram([&] {
            untrusted = vyx::StoreCheck::UntrustedBySettings();
            return 0;
        }, u"settings");
        return untrusted;
    }

    // The bytes of a store file in the device's folder; empty when it is absent.
    std::string fileBytes(const char* name) const
    {
        std::ifstream file(folder() / name, std::ios::binary);
        return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
    }

    std::optional<std::int64_t> storedLinkType(DWORD contact)
    {
        const auto record = book->contact(contact);
        if (!record)
            return std::nullopt;
        for (const emu::StoredProperty& property : record->properties) {
            if (property.id == linkTypeProperty)
                return std::get<std::int64_t>(property.value);
        }
        return std::nullopt;
    }

    // The roster messages noted since the last call, in the order the programs handled them.
    Lines takeEvents() { return std::exchange(m_events, {}); }

    Program& program(const std::string& name) { return m_programs.at(name); }

private:
    void note(const std::string& name, const PimSyncMessages& messages, UINT message, ContactBook& contactBook)
    {
        const std::map<UINT, std::string> names { { messages.changeToMaster, "ChangeToMaster" },
            { messages.changeToSlave, "ChangeToSlave" }, { messages.slaveReload, "SlaveReload" },
            { messages.slaveStop, "SlaveStop" }, { messages.updateLinkType, "UpdateLinkType" } };
        std::string event = name + " " + names.at(message);
        if (contactBook.IsConnected())
            event += contactBook.Manager()->Index().IsOpen() ? ": stores open" : ": stores closed";
        m_events.push_back(event);
    }

    std::map<std::string, Program> m_programs;
    Lines m_events;
};

TEST_F(ContactBookTest, SlaveFindingNoStoresFailsToConnectAndHoldsNothing)
{
    const DWORD petrov = addContact(u"Petrov", u"+7 916 123-45-67");
    join("A");
    join("B");
    ASSERT_TRUE(isMaster("A"));
    EXPECT_FALSE(connect("B"));

    in("B", [&](Program& program) {
        ContactBook& contactBook = *program.book;
        EXPECT_FALSE(contactBook.IsConnected());
        CallerInfo record;
        EXPECT_FALSE(contactBook.LoadContact(petrov, record));
        EXPECT_EQ(contactBook.CachedContact(petrov), nullptr);
        EXPECT_TRUE(contactBook.SearchNames(u"petrov").empty());
        // No window of the failed connect is left to hear the database.
        EXPECT_EQ(FindWindow(vyx::DbEventsListener::className, nullptr), nullptr);
        EXPECT_EQ(FindWindow(vyx::ChangeQueue::className, nullptr), nullptr);
    });
    EXPECT_TRUE(callersFoundBy("B", u"89161234567").empty());
    // Neither a region nor a file of the stores was made.
    EXPECT_FALSE(contents().opened);
    EXPECT_FALSE(std::filesystem::exists(folder() / "pim_index1.dat"));

    // Once the master built the stores, the slave connects to them.
    ASSERT_TRUE(connect("A"));
    ASSERT_TRUE(connect("B"));
    EXPECT_EQ(callersFoundBy("B", u"89161234567"), std::vector<DWORD> { petrov });
    // The master's build was framed for the slave too, though it had no stores to let go of then.
    EXPECT_EQ(takeEvents(), (Lines { "B SlaveStop", "B SlaveReload" }));
}

enum class Spoil { ContactRenamedUnwatched, FilesMarkedUntrusted };

struct SpoiledStoresCase {
    const char* name;
    friend void PrintTo(const SpoiledStoresCase& tested, std::ostream* out) { *out << tested.name; }
    Spoil spoil;
};

class SpoiledStoresTest
    : public ContactBookTest
    , public ::testing::WithParamInterface<SpoiledStoresCase> { };

// Only the master brings the stores up to date: a slave reads them as it finds them.
TEST_P(SpoiledStoresTest, SlaveConnectsToThemAsTheyAre)
{
    const DWORD petrov = addContact(u"Petrov", u"+7 916 123-45-67");
    addContact(u"Sidorov");
    startKeeper();
    device->runFor(3000);
    stopKeeper();
    if (GetParam().spoil == Spoil::ContactRenamedUnwatched)
        renameContact(petrov, u"Renamed");
    else
        runProgram([] {
            SettingsStore::SetFileFlag(vyx::IndexStore::defaultPath);
            return 0;
        }, u"spoiler");
    const std::string stateBefore = storeState();
    const bool untrustedBefore = untrustedBySettings();
    const std::string indexFile = fileBytes("pim_index1.dat");
    const std::string propsFile = fileBytes("pim_index2.dat");

    join("A");
    join("B");
    ASSERT_TRUE(connect("B"));
    EXPECT_FALSE(savePending("B"));
    EXPECT_EQ(namesFoundBy("B", u"petrov"), std::vector<DWORD> { petrov });
    EXPECT_TRUE(namesFoundBy("B", u"renamed").empty());

    device->runFor(3000);
    EXPECT_EQ(storeState(), stateBefore);
    EXPECT_EQ(untrustedBySettings(), untrustedBefore);
    EXPECT_EQ(fileBytes("pim_index1.dat"), indexFile);
    EXPECT_EQ(fileBytes("pim_index2.dat"), propsFile);
    EXPECT_EQ(takeEvents(), Lines {});
}

INSTANTIATE_TEST_SUITE_P(Spoils, SpoiledStoresTest,
    ::testing::Values(SpoiledStoresCase { "StaleAfterAnUnwatchedChange", Spoil::ContactRenamedUnwatched },
                      SpoiledStoresCase { "MarkedUntrustedBySettings", Spoil::FilesMarkedUntrusted }),
    testing_support::caseName<SpoiledStoresCase>);

TEST_F(ContactBookTest, MasterChangesReachTheSlavesLookupsAndCacheAtItsReload)
{
    const DWORD petrov = addContact(u"Petrov", u"+7 916 123-45-67");
    const DWORD sidorov = addContact(u"Sidorov", u"+7 926 765-43-21");
    join("A");
    join("B");
    ASSERT_TRUE(connect("A"));
    ASSERT_TRUE(connect("B"));
    device->runFor(3000);
    EXPECT_EQ(cachedLastName("B", petrov), u"Petrov");
    EXPECT_EQ(cachedLastName("B", sidorov), u"Sidorov");
    EXPECT_EQ(callersFoundBy("B", u"89161234567"), std::vector<DWORD> { petrov });
    takeEvents();

    devemu::ContactChanges changes;
    changes.texts[testing_support::lastNameProperty] = u"Ivanov";
    changes.texts[testing_support::mobileProperty] = u"+7 903 555-12-34";
    book->edit(petrov, changes);
    book->remove(sidorov);
    device->runFor(1000);
    EXPECT_EQ(takeEvents(), Lines { "B SlaveReload: stores open" });

    EXPECT_EQ(cachedLastName("B", petrov), u"Ivanov");
    EXPECT_EQ(cachedLastName("B", sidorov), u"<none>");
    in("B", [&](Program& program) {
        CallerInfo record;
        ASSERT_TRUE(program.book->LoadContact(petrov, record));
        EXPECT_EQ(record.texts[CallerInfo::LastName], u"Ivanov");
        EXPECT_EQ(record.texts[CallerInfo::MobilePhone], u"+7 903 555-12-34");
        EXPECT_FALSE(program.book->LoadContact(sidorov, record));
    });
    EXPECT_EQ(callersFoundBy("B", u"89035551234"), std::vector<DWORD> { petrov });
    EXPECT_TRUE(callersFoundBy("B", u"89161234567").empty());
    EXPECT_TRUE(callersFoundBy("B", u"89267654321").empty());
    EXPECT_EQ(namesFoundBy("B", u"ivanov"), std::vector<DWORD> { petrov });
}

struct HandOverCase {
    const char* name;
    friend void PrintTo(const HandOverCase& tested, std::ostream* out) { *out << tested.name; }
    // How long the master had after the change before it was made a slave.
    std::uint64_t heldFor;
    std::size_t queued;
    bool savePending;
    Lines heard;
};

class HandOverTest
    : public ContactBookTest
    , public ::testing::WithParamInterface<HandOverCase> { };

// The new master never heard the change: the old one must apply and write it before it lets go.
TEST_P(HandOverTest, MasterMadeSlaveWritesWhatItHeardFirst)
{
    const HandOverCase& tested = GetParam();
    const DWORD petrov = addContact(u"Petrov", u"+7 916 123-45-67");
    addContact(u"Sidorov");
    join("A");
    join("B");
    ASSERT_TRUE(connect("A"));
    ASSERT_TRUE(connect("B"));
    device->runFor(3000);

    renameContact(petrov, u"Renamed");
    device->runFor(tested.heldFor);
    in("A", [&](Program& program) {
        EXPECT_EQ(program.book->Manager()->QueuedChanges(), tested.queued);
        EXPECT_EQ(program.book->Manager()->IsSavePending(), tested.savePending);
    });
    takeEvents();

    in("B", [](Program& program) { program.sync->MakeMaster(program.window); });
    EXPECT_TRUE(isMaster("B"));
    EXPECT_FALSE(isMaster("A"));
    EXPECT_EQ(takeEvents(), tested.heard);
    EXPECT_EQ(namesFoundBy("B", u"renamed"), std::vector<DWORD> { petrov });

    kill("A");
    kill("B");
    EXPECT_EQ(storeState(), "current");
    EXPECT_EQ(found(u"renamed"), std::vector<DWORD> { petrov });
    EXPECT_TRUE(indexMatchesDatabase());
}

INSTANTIATE_TEST_SUITE_P(Moments, HandOverTest,
    ::testing::Values(
        // Applying the queue reloads the slaves, the old master already among them.
        HandOverCase { "ChangeStillQueued", 0, 1, false,
            { "A ChangeToSlave: stores open", "A SlaveReload: stores open", "A SlaveStop: stores closed",
              "B ChangeToMaster: stores open", "A SlaveReload: stores open" } },
        HandOverCase { "ChangeAppliedSaveStillPending", 1000, 0, true,
            { "A ChangeToSlave: stores open", "A SlaveStop: stores closed", "B ChangeToMaster: stores open",
              "A SlaveReload: stores open" } }),
    testing_support::caseName<HandOverCase>);

enum class Successor { None, Slave };

struct LeavingCase {
    const char* name;
    friend void PrintTo(const LeavingCase& tested, std::ostream* out) { *out << tested.name; }
    Successor successor;
};

class LeavingMasterTest
    : public ContactBookTest
    , public ::testing::WithParamInterface<LeavingCase> { };

// The master ends as Vyx's shutdown ends it (disconnect, then leave the roster) within a second of a
// change, with an earlier batch still waiting for its save: what it heard must not be dropped while
// the save tells the next start the stores are current.
TEST_P(LeavingMasterTest, MasterEndingAppliesWhatItHeardBeforeItSaves)
{
    const DWORD petrov = addContact(u"Petrov", u"+7 916 123-45-67");
    const DWORD sidorov = addContact(u"Sidorov");
    join("A");
    ASSERT_TRUE(connect("A"));
    if (GetParam().successor == Successor::Slave) {
        join("B");
        ASSERT_TRUE(connect("B"));
    }
    device->runFor(3000);
    renameContact(sidorov, u"Earlier");
    device->runFor(1000);
    renameContact(petrov, u"Renamed");
    device->runUntilIdle();
    ASSERT_TRUE(savePending("A"));

    in("A", [](Program& program) {
        program.book->Disconnect();
        program.sync->Unregister(program.window);
    });
    if (GetParam().successor == Successor::Slave) {
        EXPECT_TRUE(isMaster("B"));
        EXPECT_EQ(namesFoundBy("B", u"renamed"), std::vector<DWORD> { petrov });
        device->runFor(3000);
        kill("B");
    }
    kill("A");
    EXPECT_EQ(storeState(), "current");
    EXPECT_EQ(found(u"renamed"), std::vector<DWORD> { petrov });
    EXPECT_EQ(found(u"earlier"), std::vector<DWORD> { sidorov });
    EXPECT_TRUE(indexMatchesDatabase());
}

INSTANTIATE_TEST_SUITE_P(Successors, LeavingMasterTest,
    ::testing::Values(LeavingCase { "Alone", Successor::None }, LeavingCase { "SlaveTakesOver", Successor::Slave }),
    testing_support::caseName<LeavingCase>);

struct LateMessagesCase {
    const char* name;
    friend void PrintTo(const LateMessagesCase& tested, std::ostream* out) { *out << tested.name; }
    bool stop;
    bool reload;
};

class LateMessagesTest
    : public ContactBookTest
    , public ::testing::WithParamInterface<LateMessagesCase> { };

// A stop or reload meant for the program while it was a slave arrives after it became master.
TEST_P(LateMessagesTest, MasterKeepsItsStoresAndUnsavedWork)
{
    const LateMessagesCase& tested = GetParam();
    const DWORD petrov = addContact(u"Petrov", u"+7 916 123-45-67");
    join("A");
    ASSERT_TRUE(connect("A"));
    device->runFor(3000);
    renameContact(petrov, u"Renamed");
    device->runFor(1000);
    ASSERT_TRUE(savePending("A"));

    const Program& master = program("A");
    if (tested.stop) {
        ASSERT_TRUE(device->windows().sendFromDriver(master.window, master.messages.slaveStop, 0, 0).has_value());
    }
    if (tested.reload) {
        ASSERT_TRUE(device->windows().postFromDriver(master.window, master.messages.slaveReload, 0, 0));
    }
    device->runUntilIdle();

    in("A", [&](Program& program) { EXPECT_TRUE(program.book->Manager()->Index().IsOpen()); });
    EXPECT_EQ(namesFoundBy("A", u"renamed"), std::vector<DWORD> { petrov });
    EXPECT_EQ(cachedLastName("A", petrov), u"Renamed");
    EXPECT_TRUE(savePending("A"));

    device->runFor(2000);
    kill("A");
    EXPECT_EQ(storeState(), "current");
    EXPECT_EQ(found(u"renamed"), std::vector<DWORD> { petrov });
}

INSTANTIATE_TEST_SUITE_P(Messages, LateMessagesTest,
    ::testing::Values(LateMessagesCase { "SlaveStop", true, false }, LateMessagesCase { "SlaveReload", false, true },
                      LateMessagesCase { "SlaveStopThenReload", true, true }),
    testing_support::caseName<LateMessagesCase>);

struct LinkTypeCase {
    const char* name;
    friend void PrintTo(const LinkTypeCase& tested, std::ostream* out) { *out << tested.name; }
    const char* setter;
    std::vector<LONG> values;
    // The property the database keeps afterwards; none when it was removed.
    std::optional<std::int64_t> stored;
};

class LinkTypeTest
    : public ContactBookTest
    , public ::testing::WithParamInterface<LinkTypeCase> { };

TEST_P(LinkTypeTest, MasterWritesItWhoeverAsked)
{
    const LinkTypeCase& tested = GetParam();
    const DWORD petrov = addContact(u"Petrov", u"+7 916 123-45-67");
    join("A");
    join("B");
    ASSERT_TRUE(connect("A"));
    ASSERT_TRUE(connect("B"));
    device->runFor(3000);
    const CallerInfo* masterCached = nullptr;
    in("A", [&](Program& program) { masterCached = program.book->CachedContact(petrov); });
    ASSERT_NE(masterCached, nullptr);
    takeEvents();

    for (const LONG value : tested.values) {
        in(tested.setter, [&](Program& program) { EXPECT_TRUE(program.book->SetLinkType(petrov, value)); });
        EXPECT_EQ(storedLinkType(petrov), value == 0 ? std::nullopt : std::optional<std::int64_t>(value));
        // The master's cached record follows at once, before the database's notification is applied.
        in("A", [&](Program&) { EXPECT_EQ(masterCached->linkType, value); });
    }
    EXPECT_EQ(storedLinkType(petrov), tested.stored);
    EXPECT_TRUE(savePending("A"));
    EXPECT_FALSE(savePending("B"));

    device->runFor(3000);
    in("B", [&](Program& program) {
        const CallerInfo* cached = program.book->CachedContact(petrov);
        ASSERT_NE(cached, nullptr);
        EXPECT_EQ(cached->linkType, tested.stored.value_or(0));
    });
    EXPECT_TRUE(indexMatchesDatabase());
}

INSTANTIATE_TEST_SUITE_P(Setters, LinkTypeTest,
    ::testing::Values(LinkTypeCase { "MasterSets", "A", { 7 }, 7 },
                      LinkTypeCase { "MasterSetsNegative", "A", { -2 }, -2 },
                      LinkTypeCase { "MasterRemovesWithZero", "A", { 4, 0 }, std::nullopt },
                      LinkTypeCase { "SlaveForwards", "B", { 9 }, 9 },
                      LinkTypeCase { "SlaveForwardsNegative", "B", { -5 }, -5 },
                      LinkTypeCase { "SlaveRemovesWithZero", "B", { 4, 0 }, std::nullopt }),
    testing_support::caseName<LinkTypeCase>);

enum class StoresLeft { NeverSaved, SavedBeforeAnUnheardAddition, SavedAndCurrent };

struct BecomeMasterCase {
    const char* name;
    friend void PrintTo(const BecomeMasterCase& tested, std::ostream* out) { *out << tested.name; }
    StoresLeft left;
    // What the third program, a slave, hears while mastership passes to the second.
    Lines heard;
    bool savePending;
};

class BecomeMasterTest
    : public ContactBookTest
    , public ::testing::WithParamInterface<BecomeMasterCase> { };

// The master dies; the next in the roster checks the stores as the files left them.
TEST_P(BecomeMasterTest, NewMasterRebuildsMissingReconcilesStaleAndKeepsCurrentStores)
{
    const BecomeMasterCase& tested = GetParam();
    addContact(u"Petrov", u"+7 916 123-45-67");
    addContact(u"Sidorov");
    join("A");
    join("B");
    join("C");
    ASSERT_TRUE(connect("A"));
    ASSERT_TRUE(connect("B"));
    ASSERT_TRUE(connect("C"));
    if (tested.left != StoresLeft::NeverSaved)
        device->runFor(3000);
    if (tested.left == StoresLeft::SavedBeforeAnUnheardAddition)
        addContact(u"Newcomer");
    kill("A");
    takeEvents();

    // A newcomer's registration finds the master gone.
    join("D");
    EXPECT_TRUE(isMaster("B"));
    EXPECT_EQ(takeEvents(), tested.heard);
    EXPECT_EQ(savePending("B"), tested.savePending);
    EXPECT_TRUE(indexMatchesDatabase());
}

INSTANTIATE_TEST_SUITE_P(Stores, BecomeMasterTest,
    ::testing::Values(
        BecomeMasterCase { "MissingAreRebuilt", StoresLeft::NeverSaved,
            { "C SlaveStop: stores closed", "C SlaveStop: stores closed", "B ChangeToMaster: stores open",
              "C SlaveReload: stores open", "C SlaveReload: stores open" },
            true },
        BecomeMasterCase { "RecordCountDiffersReconciled", StoresLeft::SavedBeforeAnUnheardAddition,
            { "C SlaveStop: stores closed", "B ChangeToMaster: stores open", "C SlaveReload: stores open",
              "C SlaveReload: stores open" },
            true },
        BecomeMasterCase { "CurrentLeftAlone", StoresLeft::SavedAndCurrent,
            { "C SlaveStop: stores closed", "B ChangeToMaster: stores open", "C SlaveReload: stores open" }, false }),
    testing_support::caseName<BecomeMasterCase>);

enum class RebuildCause { Asked, BurstOfFifteenChanges };

struct RebuildCase {
    const char* name;
    friend void PrintTo(const RebuildCase& tested, std::ostream* out) { *out << tested.name; }
    RebuildCause cause;
    int renamed;
};

class FramedRebuildTest
    : public ContactBookTest
    , public ::testing::WithParamInterface<RebuildCase> { };

TEST_P(FramedRebuildTest, SlaveLetsGoOfTheStoresUntilTheRebuildIsDone)
{
    const RebuildCase& tested = GetParam();
    std::vector<DWORD> contacts;
    for (int i = 0; i < 20; ++i)
        contacts.push_back(addContact(u"Person" + emu::fromUtf8(std::to_string(i))));
    join("A");
    join("B");
    ASSERT_TRUE(connect("A"));
    ASSERT_TRUE(connect("B"));
    device->runFor(3000);
    EXPECT_EQ(cachedLastName("B", contacts[0]), u"Person0");
    takeEvents();

    for (int i = 0; i < tested.renamed; ++i)
        renameContact(contacts[static_cast<std::size_t>(i)], u"Renamed" + emu::fromUtf8(std::to_string(i)));
    if (tested.cause == RebuildCause::Asked)
        in("A", [](Program& program) { EXPECT_TRUE(program.book->Manager()->Rebuild()); });
    else
        device->runFor(4000);

    EXPECT_EQ(takeEvents(), (Lines { "B SlaveStop: stores closed", "B SlaveReload: stores open" }));
    // The master made both regions anew: nobody else held them then.
    in("A", [](Program& program) {
        EXPECT_FALSE(program.book->Manager()->Index().Mapped().AttachedToExisting());
        EXPECT_FALSE(program.book->Manager()->Props().Store().AttachedToExisting());
    });
    EXPECT_EQ(namesFoundBy("B", u"renamed").size(), static_cast<std::size_t>(tested.renamed));
    EXPECT_EQ(cachedLastName("B", contacts[0]), u"Renamed0");
}

INSTANTIATE_TEST_SUITE_P(Causes, FramedRebuildTest,
    ::testing::Values(RebuildCase { "Asked", RebuildCause::Asked, 1 },
                      RebuildCase { "BurstOfFifteenChanges", RebuildCause::BurstOfFifteenChanges, 15 }),
    testing_support::caseName<RebuildCase>);

}
