// devemu's `index` command over a device's contact index: word searches in both display orders, keypad
// digits turned into keys by the device's alphabet, numbers found by their trailing digits, the
// statistics, and the errors of a missing index and of bad commands.
#include "platform/api/WinBase.h"
#include "platform/emu/Process.h"
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"
#include "tests/vyx/IndexStoreSupport.h"
#include "vyx/contacts/IndexStore.h"

#include <gtest/gtest.h>

#include <functional>
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
    const std::string usage = "usage: index search TEXT [ORDER], index keys KEY [ORDER], index numbers DIGITS, index stats";
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

}
