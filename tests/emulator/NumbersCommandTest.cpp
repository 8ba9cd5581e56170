// devemu's `numbers` command: digits, keys and the keys of a phone field, the match of two numbers,
// formatting by the templates in the device's settings, and the errors of bad commands.
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing_support::ScriptResult;
using Lines = std::vector<std::string>;

Lines printedAfter(const std::string& transcript, const std::string& line)
{
    return testing_support::linesPrintedAfter(transcript, line, "NumberProbe");
}

TEST(NumbersCommand, ShowsDigitsKeysAndMatches)
{
    testing_support::TempFolder folder;
    const Lines commands {
        "numbers digits \"+7 (916) 123-45-67\"",
        "numbers digits *#",
        "numbers key \"+7 916 123-45-67\"",
        "numbers key abc",
        "numbers field-keys \"495 123-45-67, 8 916 765-43-21\"",
        "numbers field-keys \"1234 x,7890123\"",
        "numbers field-keys none",
        "numbers match \"+7 (916) 123-45-67\" 89161234567",
        "numbers match 0911 10911",
    };
    const ScriptResult result = testing_support::runEmulatorScript(folder.path(), commands, true);
    ASSERT_TRUE(result.succeeded) << result.errors;
    const std::string& t = result.transcript;
    const Lines expected[] = {
        { "\"+7 (916) 123-45-67\" -> \"79161234567\"" },
        { "\"*#\" -> \"\"" },
        { "\"+7 916 123-45-67\" -> \"~76543216197\"" },
        { "\"abc\" -> no key" },
        { "~123456761987654321594", "~7654321594" },
        { "~32109874321" },
        { "no keys" },
        { "match 1234567" },
        { "no match" },
    };
    for (std::size_t i = 0; i < commands.size(); ++i)
        EXPECT_EQ(printedAfter(t, commands[i]), expected[i]) << t;
}

TEST(NumbersCommand, FormatsByTheTemplatesInTheSettings)
{
    testing_support::TempFolder folder;
    const std::string key = "HKCU\\Software\\Korvane\\PIM\\Templates";
    const ScriptResult result = testing_support::runEmulatorScript(folder.path(), {
        "numbers format +79161234567",
        "reg set " + key + " Count dword 2",
        "reg set " + key + " 0 sz \"#-###-###-##-##\"",
        "reg set " + key + " 1 sz \"+7 (###) ###-##-##\"",
        "numbers format \"+7 916 123 45 67\"",
        "numbers format 89161234567",
        "numbers format *100#",
    }, true);
    ASSERT_TRUE(result.succeeded) << result.errors;
    const std::string& t = result.transcript;
    EXPECT_EQ(printedAfter(t, "numbers format +79161234567"), Lines { "+79161234567 (unchanged)" }) << t;
    EXPECT_EQ(printedAfter(t, "numbers format \"+7 916 123 45 67\""), Lines { "+7 (916) 123-45-67" }) << t;
    EXPECT_EQ(printedAfter(t, "numbers format 89161234567"), Lines { "8-916-123-45-67" }) << t;
    EXPECT_EQ(printedAfter(t, "numbers format *100#"), Lines { "*100# (unchanged)" }) << t;
}

TEST(NumbersCommand, RefusesBadCommands)
{
    const struct {
        std::string line;
        std::string error;
    } cases[] = {
        { "numbers", "usage: numbers digits|key|field-keys TEXT, numbers match CALLER STORED, numbers format NUMBER" },
        { "numbers split 123", "usage: numbers digits|key|field-keys TEXT, numbers match CALLER STORED, numbers format NUMBER" },
        { "numbers digits", "usage: numbers digits|key|field-keys TEXT, numbers match CALLER STORED, numbers format NUMBER" },
        { "numbers key 1 2", "usage: numbers digits|key|field-keys TEXT, numbers match CALLER STORED, numbers format NUMBER" },
        { "numbers match 123", "usage: numbers digits|key|field-keys TEXT, numbers match CALLER STORED, numbers format NUMBER" },
    };
    for (const auto& c : cases) {
        testing_support::TempFolder folder;
        const ScriptResult result = testing_support::runEmulatorScript(folder.path(), { c.line }, true);
        EXPECT_FALSE(result.succeeded) << c.line;
        EXPECT_EQ(result.errors, "error: line 1: " + c.error + "\n") << c.line;
    }
}

}
