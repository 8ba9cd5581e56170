// The stand-in for Kab, the family's address book, beside Vyx on the emulated phone: Vyx's menu starts
// it by the settings; started after Vyx it reads the shared index as a slave and answers name look-ups;
// when Vyx ends it becomes master and keeps the index; alone it brings the index up to date itself; a
// slave finding no stores ends with code 1; one copy runs, and closing it leaves the roster.
#include "platform/api/WinUser.h"
#include "platform/emu/Text.h"
#include "tests/support/EmulatorScript.h"
#include "tests/support/RosterHolder.h"
#include "tests/support/TempFolder.h"
#include "vyx/contacts/PimSync.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using testing_support::importSampleBook;
using testing_support::linesPrintedAfter;

// The roster's windows by class, master first, one line each time "RosterReader" ran.
using RosterSnapshots = std::shared_ptr<Lines>;

// Installs "RosterReader", which notes the roster, and "RosterHolder", a family member that joins the
// roster with a window of class ROSTER_HOLDER, has no stores of its own and runs until WM_CLOSE.
std::function<void(emu::Device&)> installHelpers(const RosterSnapshots& snapshots)
{
    return [snapshots](emu::Device& device) {
        device.installProgram(u"\\Windows\\RosterReader.exe", [snapshots](HINSTANCE, const std::u16string&) {
            vyx::PimSync roster(vyx::PimSyncMessages::Register());
            if (!roster.Open())
                return 1;
            std::string classes;
            for (const HWND window : roster.Windows()) {
                WCHAR name[64] {};
                GetClassName(window, name, 64);
                classes += (classes.empty() ? "" : " ") + emu::toUtf8(name);
            }
            snapshots->push_back(classes);
            return 0;
        });
        testing_support::installRosterHolder(device);
    };
}

class KabProgramTest : public ::testing::Test {
protected:
    testing_support::ScriptResult run(const Lines& lines)
    {
        return testing_support::runEmulatorScript(m_folder.path(), lines, true, installHelpers(m_roster));
    }
    static Lines printedAfter(const std::string& transcript, const std::string& line)
    {
        Lines printed;
        for (const std::string& printedLine : linesPrintedAfter(transcript, line)) {
            if (!printedLine.starts_with("started ") && !printedLine.starts_with("exited "))
                printed.push_back(printedLine);
        }
        return printed;
    }

    testing_support::TempFolder m_folder;
    RosterSnapshots m_roster { std::make_shared<Lines>() };
};

TEST_F(KabProgramTest, VyxsMenuStartsItByTheSettings)
{
    const auto result = run({ "reg get HKCU\\Software\\Korvane\\PIM\\Settings ProgramPath", importSampleBook(), "boot", "choose menu 3",
        "post VYX_MAINCLASS WM_USER+2001 99 0x201", "run 1s", "windows" });
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    EXPECT_EQ(printedAfter(result.transcript, "reg get HKCU\\Software\\Korvane\\PIM\\Settings ProgramPath"),
              Lines { "ProgramPath = sz \"\\Program Files\\Korvane Phone\\Kab.exe\"" });
    EXPECT_NE(result.transcript.find("started Kab pid 3 \"\""), std::string::npos) << result.transcript;
    EXPECT_NE(result.transcript.find("KAB_MAINCLASS \"Kab\" pid 3 hidden"), std::string::npos) << result.transcript;
    EXPECT_TRUE(std::filesystem::exists(m_folder.path() / "Program Files" / "Korvane Phone" / "Kab.exe"));
}

TEST_F(KabProgramTest, JoinsBehindVyxAsSlaveAndTakesOverWhenVyxEnds)
{
    const auto result = run({ importSampleBook(), "boot", "run 3s", "start Kab", "run 1s", "start RosterReader",
        "namelookup \"+7 495 111-22-33\" Kab",
        // Vyx applies a change while it is master; Kab reads it from the shared index.
        "contacts edit 65543 \"mobile=+7 926 555-00-00\"", "run 2s", "namelookup \"+7 926 555-00-00\" Kab",
        "start Vyx /SHUTDOWN", "wait-exit Vyx 1s", "start RosterReader",
        // With Vyx gone, Kab hears of the change and enters it.
        "contacts edit 65548 last=Петров-Водкин \"mobile=+7 985 000-11-22\"", "run 2s", "lookup \"+7 985 000-11-22\"",
        "namelookup \"+7 985 000-11-22\" Kab" });
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    const std::string& t = result.transcript;
    EXPECT_EQ(*m_roster, (Lines { "VYX_MAINCLASS KAB_MAINCLASS", "KAB_MAINCLASS" }));
    EXPECT_EQ(printedAfter(t, "namelookup \"+7 495 111-22-33\" Kab"), Lines { "name \"Петров, Пётр Алексеевич\"" }) << t;
    EXPECT_EQ(printedAfter(t, "namelookup \"+7 926 555-00-00\" Kab"), Lines { "name \"Смирнова, Анна Сергеевна\"" }) << t;
    EXPECT_EQ(printedAfter(t, "lookup \"+7 985 000-11-22\""),
              Lines { "contact 65548 \"Петров-Водкин, Пётр Алексеевич\" label \"Мобильный\" tail 0001122" }) << t;
    EXPECT_EQ(printedAfter(t, "namelookup \"+7 985 000-11-22\" Kab"), Lines { "name \"Петров-Водкин, Пётр Алексеевич\"" }) << t;
}

TEST_F(KabProgramTest, AloneItIsMasterAndCatchesUpWithChangesMadeWhileNoOneWatched)
{
    const auto result = run({ importSampleBook(), "boot", "run 3s", "start Vyx /SHUTDOWN", "wait-exit Vyx 1s",
        "contacts edit 65548 \"mobile=+7 985 000-11-22\"", "run 2s", "lookup \"+7 985 000-11-22\"", "index check", "start Kab",
        "run 1s", "start RosterReader", "lookup 89850001122", "index check" });
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    const std::string& t = result.transcript;
    // No master watched the change: the index does not know the new number.
    EXPECT_EQ(printedAfter(t, "lookup \"+7 985 000-11-22\""), Lines { "no contact" }) << t;
    EXPECT_EQ(*m_roster, Lines { "KAB_MAINCLASS" });
    EXPECT_EQ(printedAfter(t, "lookup 89850001122"), Lines { "contact 65548 \"Петров, Пётр Алексеевич\" label \"Мобильный\" tail 0001122" }) << t;
    const auto checks = testing_support::linesPrintedAfterEach(t, "index check", "IndexProbe");
    EXPECT_EQ(checks, (std::vector<Lines> { { "stale: \\pim.vol was written after the stores were brought up to date" }, { "current" } }))
        << t;
}

TEST_F(KabProgramTest, RebuildWithBothRunningLeavesTheFirstOfThemMaster)
{
    const auto result = run({ importSampleBook(), "boot", "run 3s", "start Kab", "run 1s", "index rebuild", "start RosterReader",
        "namelookup \"+7 495 111-22-33\"", "namelookup \"+7 495 111-22-33\" Kab", "contacts edit 65548 \"mobile=+7 985 000-11-22\"",
        "run 2s", "namelookup 89850001122", "namelookup 89850001122 Kab" });
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    const std::string& t = result.transcript;
    EXPECT_EQ(printedAfter(t, "index rebuild").front(), "rebuilt 12 contacts") << t;
    // The rebuild took Vyx's place by swapping; leaving, it makes Kab, now first, master.
    EXPECT_EQ(*m_roster, Lines { "KAB_MAINCLASS VYX_MAINCLASS" });
    for (const char* line : { "namelookup \"+7 495 111-22-33\"", "namelookup \"+7 495 111-22-33\" Kab", "namelookup 89850001122",
             "namelookup 89850001122 Kab" })
        EXPECT_EQ(printedAfter(t, line), Lines { "name \"Петров, Пётр Алексеевич\"" }) << line << t;
}

TEST_F(KabProgramTest, SlaveFindingNoStoresEndsWithCodeOneAndLeavesTheRoster)
{
    const auto result = run({ importSampleBook(), "start RosterHolder", "start Kab", "wait-exit Kab 1s", "start RosterReader" });
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    EXPECT_NE(result.transcript.find("exited Kab pid 3 code 1"), std::string::npos) << result.transcript;
    EXPECT_EQ(*m_roster, Lines { "ROSTER_HOLDER" });
}

TEST_F(KabProgramTest, RunsOnceAndLeavesTheRosterWhenClosed)
{
    const auto result = run({ importSampleBook(), "start Kab", "start Kab", "start RosterReader", "post KAB_MAINCLASS WM_CLOSE",
        "wait-exit Kab 1s", "start RosterReader", "windows" });
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    const std::string& t = result.transcript;
    EXPECT_NE(t.find("exited Kab pid 3 code 1"), std::string::npos) << t;
    EXPECT_NE(t.find("exited Kab pid 2 code 0"), std::string::npos) << t;
    EXPECT_EQ(*m_roster, (Lines { "KAB_MAINCLASS", "" }));
    EXPECT_EQ(t.find("KAB_MAINCLASS \"Kab\""), std::string::npos) << t;
    // Alone it built the stores, and saved them when it ended.
    EXPECT_TRUE(std::filesystem::exists(m_folder.path() / "pim_index1.dat"));
    EXPECT_TRUE(std::filesystem::exists(m_folder.path() / "pim_index2.dat"));
}

}
