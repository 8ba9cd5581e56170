// devemu's `namelookup` command: a family program's question by number (the shared block and
// WM_USER+302) answered by Vyx's main window on a device with the sample address book, the name's two
// forms by the "SortType" setting, and the errors of a program that is not running and of bad commands.
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

Lines printedAfter(const std::string& transcript, const std::string& line)
{
    return testing_support::linesPrintedAfter(transcript, line, "NameLookupProbe");
}

TEST(NameLookupCommand, VyxNamesTheFirstContactOfANumber)
{
    const struct {
        std::string line;
        std::string answer;
    } cases[] = {
        // A number of a contact's notes' extras is found as its own numbers are.
        { "namelookup \"+7 495 111-22-33\"", "name \"Петров, Пётр Алексеевич\"" },
        { "namelookup 84951112233", "name \"Петров, Пётр Алексеевич\"" },
        { "namelookup \"8 926 555-12-34\"", "name \"Смирнова, Анна Сергеевна\"" },
        { "namelookup \"+1 415 555 0134\"", "name \"Miller, John\"" },
        { "namelookup \"+7 (916) 700-00-01\"", "name \"Мама\"" },
        // The shared home number names the first of its two contacts in the index's order.
        { "namelookup \"495 234-56-78\"", "name \"Смирнов, Сергей Викторович\"" },
        { "namelookup \"+7 999 000-00-00\"", "name \"\"" },
        // Fewer than six digits name no one, not even the emergency service that has them.
        { "namelookup 112", "name \"\"" },
        { "namelookup Vyx", "name \"\"" },
    };
    testing_support::TempFolder folder;
    std::vector<std::string> lines { testing_support::importSampleBook(), "boot", "run 1s" };
    for (const auto& c : cases)
        lines.push_back(c.line);
    // With sort type 1 the stored display name answers.
    lines.push_back("reg set HKCU\\Software\\Korvane\\PIM\\Settings SortType dword 1");
    lines.push_back("namelookup \"+7 495 111-22-33\" vyx");
    const auto result = testing_support::runEmulatorScript(folder.path(), lines, true);
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    for (const auto& c : cases)
        EXPECT_EQ(printedAfter(result.transcript, c.line), Lines { c.answer }) << c.line;
    EXPECT_EQ(printedAfter(result.transcript, "namelookup \"+7 495 111-22-33\" vyx"), Lines { "name \"Петров Пётр\"" });
}

TEST(NameLookupCommand, RefusesBadCommandsAndProgramsThatDoNotRun)
{
    const std::string usage = "usage: namelookup NUMBER [Vyx|Kab]";
    const struct {
        std::string line;
        std::string error;
    } cases[] = {
        { "namelookup", usage },
        { "namelookup 84951112233 Kab now", usage },
        { "namelookup 84951112233 Zed", "not a program that answers name look-ups: Zed (write Vyx or Kab)" },
        { "namelookup 84951112233", "Vyx is not running: no window of class VYX_MAINCLASS" },
        { "namelookup 84951112233 kab", "Kab is not running: no window of class KAB_MAINCLASS" },
    };
    for (const auto& c : cases) {
        testing_support::TempFolder folder;
        const auto result = testing_support::runEmulatorScript(folder.path(), { testing_support::importSampleBook(), c.line }, true);
        EXPECT_FALSE(result.succeeded) << c.line;
        EXPECT_EQ(result.errors, "error: line 2: " + c.error + "\n") << c.line;
    }
}

}
