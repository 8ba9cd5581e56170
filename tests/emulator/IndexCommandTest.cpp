// devemu's `index` command over a device's contact index: word searches in both display orders, keypad
// digits turned into keys by the device's alphabet, numbers found by their trailing digits, the
// statistics, the check of both stores against the contacts, the rebuild through the family's roster,
// and the errors of a missing index and of bad commands.
#include "platform/api/WinBase.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"
#include "platform/emu/WindowManager.h"
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"
#include "tests/vyx/IndexStoreSupport.h"
#include "vyx/contacts/IndexStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testing_support::indexedContact;
using testing_support::ScriptResult;
using Lines = std::vector<std::string>;

Lines printedAfter(const std::string& transcript, const std::string& line)
{
    return testing_support::linesPrintedAfter(transcript, line, "IndexProbe");
}

// Saves an index of three contacts to the device, as Vyx would have left it. Keypad keys are by the
// Cyrillic alphabet a Russian device chooses ("петров" is "мдррма").
void saveThreeContacts(emu::Device& device)
{
    device.installProgram(u"\\Windows\\makeindex.exe", [](HINSTANCE, const std::u16string&) {
        testing_support::MapSortTexts names;
        names.set(65537, u"Петров Иван", u"c");
        names.set(65538, u"Петрова Анна", u"b");
        names.set(65540, u"Сидоров Петр", u"a");
        vyx::IndexStore store;
        store.Create();
        store.AddContact(indexedContact(65537, { u"петров", u"иван", u"~76543216197" }, { u"мдррма", u"иаам" }), names);
        store.AddContact(indexedContact(65538, { u"петрова", u"анна", u"~76543210495" }, { u"мдррмаа", u"ампа" }), names);
        store.AddContact(indexedContact(65540, { u"сидоров", u"петр", u"~7654321" }, { u"ридмрма", u"мдрр" }), names);
        store.StartSave();
        store.Close();
        return 0;
    });
    const auto process = device.startProgram(u"makeindex", u"");
    device.runUntil([&] { return process->finished(); }, std::nullopt);
}

TEST(IndexCommand, SearchesTheDevicesIndex)
{
    testing_support::TempFolder folder;
    const Lines commands {
        "index search петр",
        "index search петр 1",
        "index search \"Петров, Анна\"",
        "index search петрович",
        "index keys 536",
        "index keys 536652",
        "index keys ам",
        "index numbers 1234567",
        "index numbers \"+7 916 123-45-67\"",
        "index numbers 0000",
    };
    const ScriptResult result = testing_support::runEmulatorScript(folder.path(), commands, true, saveThreeContacts);
    ASSERT_TRUE(result.succeeded) << result.errors;
    const std::string& t = result.transcript;
    const Lines expected[] = {
        { "contacts 3: 65537 65538 65540" },
        { "contacts 3: 65540 65538 65537" },
        { "contacts 1: 65538" },
        { "contacts 0" },
        { "contacts 3: 65537 65538 65540" },
        { "contacts 2: 65537 65538" },
        { "contacts 1: 65538" },
        { "contacts 3: 65537 65538 65540" },
        { "contacts 1: 65537" },
        { "contacts 0" },
    };
    for (std::size_t i = 0; i < commands.size(); ++i)
        EXPECT_EQ(printedAfter(t, commands[i]), expected[i]) << t;
}

TEST(IndexCommand, ShowsTheStatistics)
{
    testing_support::TempFolder folder;
    const ScriptResult result = testing_support::runEmulatorScript(folder.path(), { "index stats" }, true, saveThreeContacts);
    ASSERT_TRUE(result.succeeded) << result.errors;
    const Lines printed = printedAfter(result.transcript, "index stats");
    ASSERT_EQ(printed.size(), 5u) << result.transcript;
    EXPECT_EQ(printed[0], "used length 102444");
    EXPECT_TRUE(printed[1].starts_with("free ") && printed[1].ends_with(" blocks")) << printed[1];
    EXPECT_TRUE(printed[2].starts_with("word tree ") && printed[2].ends_with(" nodes")) << printed[2];
    EXPECT_TRUE(printed[3].starts_with("keypad tree ") && printed[3].ends_with(" nodes")) << printed[3];
    EXPECT_EQ(printed[4], "contacts 3");
}

TEST(IndexCommand, RefusesBadCommandsAndAMissingIndex)
{
    const std::string usage
        = "usage: index search TEXT [ORDER], index keys KEY [ORDER], index numbers DIGITS, index stats, index check, index rebuild";
    const std::string missing = "no valid index at \\pim_index1.dat (missing, cut short or not an index)";
    const struct {
        std::string line;
        bool withIndex;
        std::string error;
    } cases[] = {
        { "index", true, usage },
        { "index count", true, usage },
        { "index search", true, usage },
        { "index stats now", true, usage },
        { "index check now", true, usage },
        { "index rebuild all", true, usage },
        { "index numbers 1 2", true, usage },
        { "index search петр 2", true, "not a display order: 2 (write 0 or 1)" },
        { "index numbers abc", true, "no digits in \"abc\"" },
        { "index keys 51", true, "no letters on key 1" },
        { "index stats", false, missing },
        { "index search петр", false, missing },
    };
    for (const auto& c : cases) {
        testing_support::TempFolder folder;
        const std::function<void(emu::Device&)> prepare = c.withIndex ? saveThreeContacts : nullptr;
        const ScriptResult result = testing_support::runEmulatorScript(folder.path(), { c.line }, true, prepare);
        EXPECT_FALSE(result.succeeded) << c.line;
        EXPECT_EQ(result.errors, "error: line 1: " + c.error + "\n") << c.line;
    }
}

// ---- Checking and rebuilding the stores of a device with the sample address book

const std::string missingProps = "missing: no valid property store \\pim_index2.dat (absent, cut short, busy or of another format)";
const std::string rebuiltSample[] = { "rebuilt 12 contacts", "\\pim_index1.dat 102448 bytes", "\\pim_index2.dat 1596 bytes" };

TEST(IndexCheck, FollowsTheStoresThroughVyxsLife)
{
    testing_support::TempFolder folder;
    const ScriptResult result = testing_support::runEmulatorScript(folder.path(),
        { testing_support::importSampleBook(), "index check", "boot", "run 1s", "index check",
          // Vyx applies a change a second after it, and saves two seconds later.
          "contacts edit 65543 last=Соколова", "index check", "run 2s", "index check",
          "reg set HKCU\\Software\\Korvane\\PIM\\Settings pim_index1.dat dword 1", "index check",
          "reg set HKCU\\Software\\Korvane\\PIM\\Settings pim_index1.dat dword 0",
          // Contacts added while no program watches leave the stores behind.
          "start Vyx /shutdown", "wait-exit Vyx 1s", "contacts add first=Новый \"mobile=+7 900 000-00-01\"", "index check" },
        true);
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    const std::vector<Lines> expected {
        { missingProps },
        { "current" },
        { "stale: \\pim.vol was written after the stores were brought up to date" },
        { "current" },
        { "current", "untrusted: the settings value \"pim_index1.dat\" or \"pim_index2.dat\" is set; a master connecting rebuilds" },
        { "stale: the stores hold 12 contacts, the database 13" },
    };
    EXPECT_EQ(testing_support::linesPrintedAfterEach(result.transcript, "index check", "IndexProbe"), expected) << result.transcript;
}

TEST(IndexRebuild, BuildsMissingOrBrokenStoresWhenNoProgramRuns)
{
    testing_support::TempFolder folder;
    const ScriptResult built = testing_support::runEmulatorScript(folder.path(),
        { testing_support::importSampleBook(), "index rebuild", "index check", "index search \"петров пётр\"" }, true);
    ASSERT_TRUE(built.succeeded) << built.errors << built.transcript;
    EXPECT_EQ(printedAfter(built.transcript, "index rebuild"), Lines(std::begin(rebuiltSample), std::end(rebuiltSample)));
    EXPECT_EQ(printedAfter(built.transcript, "index check"), Lines { "current" });
    EXPECT_EQ(printedAfter(built.transcript, "index search \"петров пётр\""), Lines { "contacts 1: 65548" });

    // An index file cut short is no index; the rebuild writes both files whole again.
    std::filesystem::resize_file(folder.path() / "pim_index1.dat", 100);
    const ScriptResult repaired = testing_support::runEmulatorScript(folder.path(), { "index check", "index rebuild", "index check" });
    ASSERT_TRUE(repaired.succeeded) << repaired.errors << repaired.transcript;
    const std::vector<Lines> checks = testing_support::linesPrintedAfterEach(repaired.transcript, "index check", "IndexProbe");
    ASSERT_EQ(checks.size(), 2u) << repaired.transcript;
    EXPECT_EQ(checks[0], Lines { "missing: no valid index \\pim_index1.dat (absent, cut short or of another format)" });
    EXPECT_EQ(printedAfter(repaired.transcript, "index rebuild"), Lines(std::begin(rebuiltSample), std::end(rebuiltSample)));
    EXPECT_EQ(checks[1], Lines { "current" });
}

// The spy's lines for the family's hand-over messages to Vyx's window, by their names.
Lines handOversToVyx(const std::string& transcript, const std::map<std::string, UINT>& messages)
{
    Lines seen;
    std::istringstream lines(transcript);
    for (std::string line; std::getline(lines, line);) {
        for (const auto& [name, number] : messages) {
            if (line.find(" VYX_MAINCLASS " + std::to_string(number) + " ") != std::string::npos)
                seen.push_back(name);
        }
    }
    return seen;
}

TEST(IndexRebuild, TakesMastershipFromVyxStopsItWhileRebuildingAndHandsItBack)
{
    testing_support::TempFolder folder;
    std::map<std::string, UINT> messages;
    const auto learnMessages = [&messages](emu::Device& device) {
        for (const char* name : { "ChangeToMaster", "ChangeToSlave", "SlaveStop", "SlaveReload" })
            messages[name] = device.windows().registerMessage(u"PimSync" + emu::fromUtf8(name));
    };
    const ScriptResult result = testing_support::runEmulatorScript(folder.path(),
        { testing_support::importSampleBook(), "boot", "run 3s", "spy VYX_MAINCLASS", "index rebuild", "spy off", "index check",
          // Vyx is master again: it applies the next change.
          "contacts edit 65548 \"mobile=+7 985 000-11-22\"", "run 2s", "lookup \"+7 985 000-11-22\"" },
        true, learnMessages);
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    EXPECT_EQ(printedAfter(result.transcript, "index rebuild").back(), rebuiltSample[2]) << result.transcript;
    // Vyx hands over and lets go of the stores, reopens them after the hand-over, lets go again for the
    // rebuild and reopens them once it is done; the probe leaving makes Vyx master again.
    const Lines expected { "ChangeToSlave", "SlaveStop", "SlaveReload", "SlaveStop", "SlaveReload", "ChangeToMaster" };
    EXPECT_EQ(handOversToVyx(result.transcript, messages), expected) << result.transcript;
    EXPECT_EQ(printedAfter(result.transcript, "index check"), Lines { "current" });
    EXPECT_EQ(testing_support::linesPrintedAfter(result.transcript, "lookup \"+7 985 000-11-22\"", "LookupProbe"),
              Lines { "contact 65548 \"Петров, Пётр Алексеевич\" label \"Мобильный\" tail 0001122" });
}

}
