// devemu's `keypad` command and `--locale` option: keypad forms and groups by the device's settings
// and locale, the locale kept in the device folder between runs, and the errors of bad commands.
#include "emulator/DeviceFolder.h"
#include "emulator/Emulator.h"
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testing_support::ScriptResult;

constexpr const char* abcKey = "HKCU\\Software\\Korvane\\PIM\\ABC";

// Runs the script on the folder, with the locale option when one is given.
ScriptResult runWithLocale(const std::filesystem::path& folder, const std::vector<std::string>& lines, std::optional<LCID> locale)
{
    devemu::EmulatorOptions options;
    options.folder = folder;
    options.locale = locale;
    return testing_support::runEmulatorScript(options, lines);
}

bool has(const ScriptResult& result, const std::string& line)
{
    return result.transcript.find("] " + line + "\n") != std::string::npos;
}

TEST(KeypadCommand, KeysAndGroupsFollowTheSettings)
{
    struct Case {
        const char* name;
        std::vector<std::string> script;
        std::vector<std::string> printed;
    };
    const std::string setType = std::string("reg set ") + abcKey + " Type dword ";
    const std::string setCustom = std::string("reg set ") + abcKey + " Custom binary ";
    const Case cases[] = {
        { "Latin", { setType + "1", "keypad key Smith", "keypad key o'neil", "keypad key 1abc" },
            { "\"Smith\" -> \"pmgtg\"", "\"o'neil\" -> \"m\"", "\"1abc\" -> \"\"" } },
        { "German", { setType + "4", "keypad key Müller", "keypad service-key Müller" },
            { "\"Müller\" -> \"mtjjdp\"" } },
        { "mixed, each program its own representatives", { setType + "3", "keypad key Б", "keypad service-key Б", "keypad service-key B" },
            { "\"Б\" -> \"а\"", "\"Б\" -> \"a\"", "\"B\" -> \"a\"" } },
        { "Russian device without a type", { "keypad groups" },
            { "2 абвг", "3 деёжз", "4 ийкл", "5 мноп", "6 рсту", "7 фхцч", "8 шщъы", "9 ьэюя" } },
        // "ABC/abc  DEF/def" and "/xyz" as UTF-16.
        { "user-defined", { setType + "0", setCustom + "41 00 42 00 43 00 2F 00 61 00 62 00 63 00 20 00 20 00 44 00 45 00 46 00 2F 00 64 00 65 00 66 00",
                              "keypad groups" },
            { "2 abc", "3 def" } },
        { "user-defined entry without caption", { setType + "0", setCustom + "2F 00 78 00 79 00 7A 00", "keypad key zyx", "keypad service-key zyx", "keypad groups" },
            { "\"zyx\" -> \"www\"", "\"zyx\" -> \"xxx\"", "2 abc", "9 wxyz" } },
    };
    for (const Case& c : cases) {
        testing_support::TempFolder folder;
        const ScriptResult result = runWithLocale(folder.path(), c.script, std::nullopt);
        ASSERT_TRUE(result.succeeded) << c.name << ": " << result.errors;
        for (const std::string& line : c.printed)
            EXPECT_TRUE(has(result, line)) << c.name << ": " << line << "\n" << result.transcript;
    }
}

TEST(KeypadCommand, LocaleOptionIsKeptInTheDeviceFolder)
{
    testing_support::TempFolder folder;
    const ScriptResult german = runWithLocale(folder.path(), { "keypad groups", "keypad key Müller" }, 0x0407);
    ASSERT_TRUE(german.succeeded) << german.errors;
    EXPECT_TRUE(has(german, "2 abcä")) << german.transcript;
    EXPECT_TRUE(has(german, "\"Müller\" -> \"mtjjdp\"")) << german.transcript;

    const ScriptResult again = runWithLocale(folder.path(), { "keypad groups" }, std::nullopt);
    EXPECT_TRUE(has(again, "8 tuvü")) << again.transcript;
    std::string error;
    EXPECT_EQ(devemu::DeviceFolder(folder.path()).loadProfile(error).locale, 0x0407u);
    EXPECT_EQ(error, "");

    const ScriptResult french = runWithLocale(folder.path(), { "keypad groups" }, 0x040C);
    EXPECT_TRUE(has(french, "2 abc")) << french.transcript;
    EXPECT_TRUE(has(french, "8 tuv")) << french.transcript;
}

TEST(KeypadCommand, LocaleIdentifiers)
{
    EXPECT_EQ(devemu::DeviceFolder::parseLocale("0x0407"), std::optional<LCID>(0x0407));
    EXPECT_EQ(devemu::DeviceFolder::parseLocale("1031"), std::optional<LCID>(0x0407));
    EXPECT_EQ(devemu::DeviceFolder::parseLocale("0x00010407"), std::optional<LCID>(0x10407));
    for (const char* refused : { "0", "-1", "german", "0x", "0x100000", "" })
        EXPECT_EQ(devemu::DeviceFolder::parseLocale(refused), std::nullopt) << refused;
}

TEST(KeypadCommand, BadCommandsAreRefused)
{
    const std::vector<std::string> bad { "keypad", "keypad key", "keypad key a b", "keypad groups now", "keypad spell abc" };
    for (const std::string& line : bad) {
        testing_support::TempFolder folder;
        const ScriptResult result = runWithLocale(folder.path(), { line }, std::nullopt);
        EXPECT_FALSE(result.succeeded) << line;
        EXPECT_NE(result.errors.find("error: line 1: usage: keypad key WORD"), std::string::npos) << line << ": " << result.errors;
    }
}

}
