// The roster of the family's programs on the device: who becomes master as programs join and leave,
// the hand-over messages and their order as the other programs see them, a master that vanished
// without leaving, the full roster, a region holding garbage or left locked by a dead program, a
// roster that cannot be opened, and a master that is sent to while it waits in its own send.
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"
#include "platform/emu/WindowManager.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "vyx/contacts/PimSync.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using testing_support::createScriptedWindow;
using testing_support::MessageHandler;
using testing_support::registerScriptedClass;
using testing_support::runMessageLoop;
using vyx::PimSync;
using vyx::PimSyncMessages;
using Lines = std::vector<std::string>;

// What the test asks a program of the family to do, sent to its window from outside the device.
enum Request : UINT {
    joinRoster = WM_APP + 1,
    leaveRoster,
    takeOver,
    cleanUp,
    // StopSlaves, a noted rebuild, ReloadSlaves: what the master does around a rebuild of the index.
    rebuild,
    // ForwardLinkType with wParam and lParam.
    forwardLinkType,
    askMaster,
    // Ends the program without leaving the roster.
    quitWithoutLeaving,
};

struct Member {
    std::shared_ptr<emu::Process> process;
    HWND window { nullptr };
    // Run when the window is told it is a slave now, after the message is noted.
    std::function<void(PimSync&)> onChangeToSlave;
};

class PimSyncTest : public testing_support::DeviceFixture {
protected:
    // Starts a program of the family: its window notes the roster's messages (and takes ChangeToMaster
    // and ChangeToSlave as the contact book does) and carries out the test's requests.
    Member& startMember(const std::string& name)
    {
        Member& member = m_members[name];
        member.process = start(emu::fromUtf8(name), [this, name, &member] {
            const PimSyncMessages messages = PimSyncMessages::Register();
            PimSync sync(messages);
            if (!sync.Open())
                return 2;
            registerScriptedClass();
            MessageHandler handler = [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
                if (message == messages.changeToMaster) {
                    note(name + " ChangeToMaster");
                    sync.SetMaster(true);
                } else if (message == messages.changeToSlave) {
                    note(name + " ChangeToSlave");
                    sync.SetMaster(false);
                    if (member.onChangeToSlave)
                        member.onChangeToSlave(sync);
                } else if (message == messages.slaveStop) {
                    note(name + " SlaveStop");
                } else if (message == messages.slaveReload) {
                    note(name + " SlaveReload");
                } else if (message == messages.updateLinkType) {
                    note(name + " UpdateLinkType " + std::to_string(wParam) + " " + std::to_string(static_cast<LONG>(lParam)));
                } else if (message == joinRoster) {
                    return sync.Register(hwnd);
                } else if (message == leaveRoster) {
                    sync.Unregister(hwnd);
                } else if (message == takeOver) {
                    sync.MakeMaster(hwnd);
                } else if (message == cleanUp) {
                    sync.Cleanup();
                } else if (message == rebuild) {
                    sync.StopSlaves();
                    note(name + " rebuild");
                    sync.ReloadSlaves();
                } else if (message == forwardLinkType) {
                    sync.ForwardLinkType(static_cast<DWORD>(wParam), static_cast<LONG>(lParam));
                } else if (message == askMaster) {
                    return sync.IsMaster();
                } else if (message == quitWithoutLeaving) {
                    PostQuitMessage(0);
                } else {
                    return std::nullopt;
                }
                return 0;
            };
            member.window = createScriptedWindow(handler, { .title = u"member" });
            return runMessageLoop();
        });
        device->runUntilIdle();
        EXPECT_NE(member.window, nullptr) << name << " has no window";
        return member;
    }

    // Starts the programs and registers their windows in order; each must be taken.
    void join(const Lines& names)
    {
        for (const std::string& name : names) {
            startMember(name);
            EXPECT_EQ(ask(name, joinRoster), 1) << name << " was refused";
        }
    }

    // Sends the request to the program's window and lets the device settle; the message's result.
    LRESULT ask(const std::string& name, Request request, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        const auto result = device->windows().sendFromDriver(m_members.at(name).window, request, wParam, lParam);
        EXPECT_TRUE(result.has_value()) << name << " did not answer: " << device->deadlockReport();
        device->runUntilIdle();
        return result.value_or(-1);
    }

    bool isMaster(const std::string& name) { return ask(name, askMaster) == 1; }

    // Ends the program's process from outside, as a crash or a task manager would.
    void kill(const std::string& name)
    {
        const auto& process = m_members.at(name).process;
        device->terminateProcess(*process, 1);
        device->runUntil([&] { return process->finished(); }, std::nullopt);
    }

    // The roster as a new program reads it: the member names, a handle in hex for anything else.
    Lines roster()
    {
        std::vector<HWND> windows;
        runProgram([&] {
            PimSync sync(PimSyncMessages::Register());
            EXPECT_TRUE(sync.Open());
            windows = sync.Windows();
            return 0;
        }, u"reader");
        Lines names;
        for (const HWND window : windows) {
            std::string name = emu::hexText(reinterpret_cast<std::uintptr_t>(window));
            for (const auto& [memberName, member] : m_members) {
                if (member.window == window)
                    name = memberName;
            }
            names.push_back(name);
        }
        return names;
    }

    // The messages noted since the last call, in the order the windows received them.
    Lines takeEvents() { return std::exchange(m_events, {}); }

    DWORD entryOf(const std::string& name) const
    {
        return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(m_members.at(name).window));
    }

    // Writes the ten entries into the roster region, as any program mapping it by name could.
    void scribble(const std::array<DWORD, PimSync::capacity>& entries)
    {
        runProgram([&] {
            const HANDLE mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, PimSync::rosterBytes,
                                                     PimSync::rosterName);
            void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, PimSync::rosterBytes);
            EXPECT_NE(view, nullptr);
            std::memcpy(view, entries.data(), PimSync::rosterBytes);
            UnmapViewOfFile(view);
            CloseHandle(mapping);
            return 0;
        }, u"scribbler");
    }

    Member& member(const std::string& name) { return m_members.at(name); }

private:
    void note(const std::string& event) { m_events.push_back(event); }

    std::map<std::string, Member> m_members;
    Lines m_events;
};

TEST_F(PimSyncTest, FirstProgramIsMasterAndTheNextAreSlavesInOrder)
{
    join({ "A", "B", "C" });
    EXPECT_EQ(roster(), (Lines { "A", "B", "C" }));
    EXPECT_TRUE(isMaster("A"));
    EXPECT_FALSE(isMaster("B"));
    EXPECT_FALSE(isMaster("C"));
    EXPECT_EQ(takeEvents(), Lines {});
    // Joining again keeps the one entry.
    EXPECT_EQ(ask("B", joinRoster), 1);
    EXPECT_EQ(roster(), (Lines { "A", "B", "C" }));
}

TEST_F(PimSyncTest, MasterLeavingMakesTheNextMasterAtOnceFramedByStopAndReload)
{
    join({ "A", "B", "C" });
    ask("A", leaveRoster);
    EXPECT_EQ(takeEvents(), (Lines { "C SlaveStop", "B ChangeToMaster", "C SlaveReload" }));
    EXPECT_EQ(roster(), (Lines { "B", "C" }));
    EXPECT_FALSE(isMaster("A"));
    EXPECT_TRUE(isMaster("B"));

    ask("B", leaveRoster);
    EXPECT_EQ(takeEvents(), Lines { "C ChangeToMaster" });
    EXPECT_TRUE(isMaster("C"));
    ask("C", leaveRoster);
    EXPECT_EQ(takeEvents(), Lines {});
    EXPECT_EQ(roster(), Lines {});
}

TEST_F(PimSyncTest, SlaveLeavingMovesTheLaterOnesForwardWithoutMessages)
{
    join({ "A", "B", "C", "D" });
    ask("B", leaveRoster);
    EXPECT_EQ(roster(), (Lines { "A", "C", "D" }));
    EXPECT_EQ(takeEvents(), Lines {});
    EXPECT_TRUE(isMaster("A"));
    // A window that is not listed leaves nothing behind either.
    ask("B", leaveRoster);
    EXPECT_EQ(roster(), (Lines { "A", "C", "D" }));
}

enum class Ending { Terminated, ReturnedWithoutLeaving };
enum class NextStep { NewcomerJoins, SlaveLeaves };

struct VanishedMasterCase {
    const char* name;
    friend void PrintTo(const VanishedMasterCase& tested, std::ostream* out) { *out << tested.name; }
    Ending ending;
    NextStep next;
    Lines rosterAfter;
};

class VanishedMasterTest
    : public PimSyncTest
    , public ::testing::WithParamInterface<VanishedMasterCase> { };

TEST_P(VanishedMasterTest, NextRegisterOrUnregisterHandsMastershipToTheNextWindow)
{
    const VanishedMasterCase& tested = GetParam();
    join({ "A", "B", "C" });
    if (tested.ending == Ending::Terminated) {
        kill("A");
    } else {
        ask("A", quitWithoutLeaving);
        ASSERT_TRUE(member("A").process->finished());
    }
    EXPECT_EQ(takeEvents(), Lines {});
    // Nobody noticed yet: the dead window still leads the roster.
    EXPECT_EQ(roster().size(), 3u);

    if (tested.next == NextStep::NewcomerJoins) {
        startMember("D");
        EXPECT_EQ(ask("D", joinRoster), 1);
        EXPECT_FALSE(isMaster("D"));
    } else {
        ask("C", leaveRoster);
    }
    EXPECT_EQ(takeEvents(), (Lines { "C SlaveStop", "B ChangeToMaster", "C SlaveReload" }));
    EXPECT_TRUE(isMaster("B"));
    EXPECT_EQ(roster(), tested.rosterAfter);
}

INSTANTIATE_TEST_SUITE_P(Ways, VanishedMasterTest,
    ::testing::Values(
        VanishedMasterCase { "TerminatedThenNewcomerJoins", Ending::Terminated, NextStep::NewcomerJoins, { "B", "C", "D" } },
        VanishedMasterCase { "TerminatedThenSlaveLeaves", Ending::Terminated, NextStep::SlaveLeaves, { "B" } },
        VanishedMasterCase { "ReturnedThenNewcomerJoins", Ending::ReturnedWithoutLeaving, NextStep::NewcomerJoins, { "B", "C", "D" } },
        VanishedMasterCase { "ReturnedThenSlaveLeaves", Ending::ReturnedWithoutLeaving, NextStep::SlaveLeaves, { "B" } }),
    testing_support::caseName<VanishedMasterCase>);

TEST_F(PimSyncTest, CleanupLeavesALivingMasterAlone)
{
    join({ "A", "B", "C" });
    kill("B");
    ask("C", cleanUp);
    EXPECT_EQ(takeEvents(), Lines {});
    EXPECT_EQ(roster(), (Lines { "A", "C" }));
}

TEST_F(PimSyncTest, MakeMasterSwapsWithTheMasterAndTellsEveryone)
{
    join({ "A", "B", "C" });
    ask("C", takeOver);
    EXPECT_EQ(takeEvents(),
              (Lines { "A ChangeToSlave", "B SlaveStop", "A SlaveStop", "C ChangeToMaster", "B SlaveReload", "A SlaveReload" }));
    EXPECT_EQ(roster(), (Lines { "C", "B", "A" }));
    EXPECT_TRUE(isMaster("C"));
    EXPECT_FALSE(isMaster("A"));

    // The master asking again changes nothing.
    ask("C", takeOver);
    EXPECT_EQ(takeEvents(), Lines {});
    EXPECT_EQ(roster(), (Lines { "C", "B", "A" }));
}

TEST_F(PimSyncTest, MasterSentToWhileItWaitsInItsOwnSendHandlesTheMessage)
{
    join({ "A", "B", "C" });
    // The old master's answer to ChangeToSlave reaches the new master while that one still waits for it.
    member("A").onChangeToSlave = [](PimSync& sync) { sync.ForwardLinkType(65537, -3); };
    ask("C", takeOver);
    EXPECT_EQ(takeEvents(), (Lines { "A ChangeToSlave", "C UpdateLinkType 65537 -3", "B SlaveStop", "A SlaveStop", "C ChangeToMaster",
                                "B SlaveReload", "A SlaveReload" }));
    EXPECT_TRUE(isMaster("C"));
}

TEST_F(PimSyncTest, RebuildIsFramedBySlaveStopBeforeAndSlaveReloadAfter)
{
    join({ "A", "B", "C" });
    ask("A", rebuild);
    EXPECT_EQ(takeEvents(), (Lines { "B SlaveStop", "C SlaveStop", "A rebuild", "B SlaveReload", "C SlaveReload" }));
}

TEST_F(PimSyncTest, SlaveForwardsALinkTypeToTheMastersWindow)
{
    join({ "A", "B" });
    ask("B", forwardLinkType, 65540, static_cast<LPARAM>(-1));
    ask("B", forwardLinkType, 65541, 2);
    EXPECT_EQ(takeEvents(), (Lines { "A UpdateLinkType 65540 -1", "A UpdateLinkType 65541 2" }));
}

TEST_F(PimSyncTest, FullRosterRefusesTheEleventhUntilAPlaceIsFree)
{
    Lines ten;
    for (int i = 1; i <= 10; ++i)
        ten.push_back("P" + std::to_string(i));
    join(ten);
    startMember("P11");
    EXPECT_EQ(ask("P11", joinRoster), 0);
    EXPECT_FALSE(isMaster("P11"));
    // A refused window cannot take the lead either.
    ask("P11", takeOver);
    EXPECT_FALSE(isMaster("P11"));
    EXPECT_EQ(roster(), ten);

    ask("P4", leaveRoster);
    EXPECT_EQ(ask("P11", joinRoster), 1);
    EXPECT_EQ(roster().back(), "P11");
    EXPECT_EQ(takeEvents(), Lines {});
}

struct GarbageCase {
    const char* name;
    friend void PrintTo(const GarbageCase& tested, std::ostream* out) { *out << tested.name; }
    // The region's entries; `windowOfA` stands for the window of the program A.
    std::array<DWORD, PimSync::capacity> entries;
    Lines events;
    Lines rosterAfter;
    bool newcomerIsMaster;
};

constexpr DWORD windowOfA = 0xA000000A;

class GarbageRosterTest
    : public PimSyncTest
    , public ::testing::WithParamInterface<GarbageCase> { };

TEST_P(GarbageRosterTest, HandlesThatAreNoWindowsAreDroppedAndTheRestPacked)
{
    const GarbageCase& tested = GetParam();
    join({ "A" });
    std::array<DWORD, PimSync::capacity> entries = tested.entries;
    for (DWORD& entry : entries)
        entry = entry == windowOfA ? entryOf("A") : entry;
    scribble(entries);
    startMember("B");
    EXPECT_EQ(ask("B", joinRoster), 1);
    EXPECT_EQ(isMaster("B"), tested.newcomerIsMaster);
    EXPECT_EQ(takeEvents(), tested.events);
    EXPECT_EQ(roster(), tested.rosterAfter);
}

INSTANTIATE_TEST_SUITE_P(Regions, GarbageRosterTest,
    ::testing::Values(
        GarbageCase { "StrangersAndGapsAroundTheMaster",
            { 0xDEADBEEF, 0, windowOfA, 0xFFFFFFFF, windowOfA, 0x00000001, 0, 0, 0, 0x7FFF0000 },
            { "A ChangeToMaster" }, { "A", "B" }, false },
        GarbageCase { "NoEntryAWindow",
            { 0xFFFFFFFF, 0x80000000, 0x0000FFFF, 0x12345678, 0xFFFF0000, 0x00000002, 0xCCCCCCCC, 0xFEEEFEEE, 0x00000010, 0xABABABAB },
            {}, { "B" }, true },
        GarbageCase { "OneWindowInEveryEntry",
            { windowOfA, windowOfA, windowOfA, windowOfA, windowOfA, windowOfA, windowOfA, windowOfA, windowOfA, windowOfA },
            {}, { "A", "B" }, false }),
    testing_support::caseName<GarbageCase>);

TEST_F(PimSyncTest, LockLeftHeldByAProgramThatEndedIsTakenOver)
{
    join({ "A" });
    const DWORD held = runProgram([] {
        const HANDLE lock = CreateMutex(nullptr, FALSE, PimSync::lockName);
        return static_cast<int>(WaitForSingleObject(lock, INFINITE));
    }, u"holder");
    EXPECT_EQ(held, WAIT_OBJECT_0);
    startMember("B");
    EXPECT_EQ(ask("B", joinRoster), 1);
    EXPECT_EQ(roster(), (Lines { "A", "B" }));
}

struct OpenFailureCase {
    const char* name;
    friend void PrintTo(const OpenFailureCase& tested, std::ostream* out) { *out << tested.name; }
    // Takes what the roster needs before it opens; the handle is closed afterwards.
    std::function<HANDLE()> occupy;
};

class OpenFailureTest
    : public PimSyncTest
    , public ::testing::WithParamInterface<OpenFailureCase> { };

TEST_P(OpenFailureTest, RosterThatCannotBeOpenedTakesNoWindowAndRecoversLater)
{
    Lines outcome;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler none;
        const HWND window = createScriptedWindow(none, {});
        PimSync sync(PimSyncMessages::Register());
        const HANDLE occupied = GetParam().occupy();
        EXPECT_NE(occupied, nullptr);
        outcome.push_back(std::string("open ") + (sync.Open() ? "yes" : "no"));
        outcome.push_back(std::string("is open ") + (sync.IsOpen() ? "yes" : "no"));
        outcome.push_back(std::string("register ") + (sync.Register(window) ? "yes" : "no"));
        sync.MakeMaster(window);
        outcome.push_back(std::string("master ") + (sync.IsMaster() ? "yes" : "no"));
        sync.StopSlaves();
        sync.Unregister(window);
        outcome.push_back("windows " + std::to_string(sync.Windows().size()));
        CloseHandle(occupied);
        outcome.push_back(std::string("open again ") + (sync.Open() && sync.Register(window) && sync.IsMaster() ? "yes" : "no"));
        return 0;
    });
    EXPECT_EQ(outcome, (Lines { "open no", "is open no", "register no", "master no", "windows 0", "open again yes" }));
}

INSTANTIATE_TEST_SUITE_P(Causes, OpenFailureTest,
    ::testing::Values(OpenFailureCase { "LockNameHeldByAnEvent", [] { return CreateEvent(nullptr, TRUE, FALSE, PimSync::lockName); } },
        OpenFailureCase { "RosterNameHeldByAnEvent", [] { return CreateEvent(nullptr, TRUE, FALSE, PimSync::rosterName); } },
        OpenFailureCase { "RosterRegionTooSmall",
            [] { return CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, PimSync::rosterName); } }),
    testing_support::caseName<OpenFailureCase>);

TEST_F(PimSyncTest, HandleThatIsNoWindowIsRefused)
{
    Lines outcome;
    runProgram([&] {
        PimSync sync(PimSyncMessages::Register());
        EXPECT_TRUE(sync.Open());
        outcome.push_back(std::string("null ") + (sync.Register(nullptr) ? "yes" : "no"));
        const HWND stranger = reinterpret_cast<HWND>(std::uintptr_t { 0xDEADBEEF });
        outcome.push_back(std::string("stranger ") + (sync.Register(stranger) ? "yes" : "no"));
        outcome.push_back(std::string("master ") + (sync.IsMaster() ? "yes" : "no"));
        outcome.push_back("windows " + std::to_string(sync.Windows().size()));
        return 0;
    });
    EXPECT_EQ(outcome, (Lines { "null no", "stranger no", "master no", "windows 0" }));
}

}
