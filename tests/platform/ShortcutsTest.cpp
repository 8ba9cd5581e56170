// Shortcut files as the emulator reads them when a device boots: the program and arguments of a
// target, quoted or not, in the device's code page; files that are not shortcuts; and the shortcuts of
// a folder in the order of their names.
#include "tests/support/DeviceFixture.h"

#include "platform/emu/Shortcuts.h"
#include "platform/emu/Text.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

class ShortcutsTest : public testing_support::DeviceFixture {
protected:
    void writeHostFile(const std::filesystem::path& relative, std::string_view bytes) const
    {
        std::filesystem::create_directories((folder() / relative).parent_path());
        std::ofstream(folder() / relative, std::ios::binary) << bytes;
    }
};

struct ReadCase {
    const char* name;
    std::string_view fileBytes;
    // Absent when the file is to be refused; then `refusal` is part of the reason given.
    std::optional<emu::ShortcutTarget> expected;
    std::string_view refusal;
};

TEST_F(ShortcutsTest, ATargetSplitsIntoTheProgramAndItsArguments)
{
    using Target = emu::ShortcutTarget;
    const std::vector<ReadCase> cases {
        { "quoted path and argument", "23#\"\\Windows\\cprog.exe\" -n", Target { u"\\Windows\\cprog.exe", u"-n" }, {} },
        { "line break after the line", "23#\"\\Windows\\cprog.exe\" -n\r\n", Target { u"\\Windows\\cprog.exe", u"-n" }, {} },
        { "quoted path with spaces, two arguments", "52#\"\\Program Files\\Korvane Phone\\Vyx.exe\" /shutdown now",
          Target { u"\\Program Files\\Korvane Phone\\Vyx.exe", u"/shutdown now" }, {} },
        { "plain path", "18#\\Windows\\cprog.exe", Target { u"\\Windows\\cprog.exe", u"" }, {} },
        { "plain path with spaces and an argument", "33#\\Program Files\\Korvane\\Vyx.exe /p",
          Target { u"\\Program Files\\Korvane\\Vyx.exe", u"/p" }, {} },
        { "\".exe\" inside a folder name", "32#\\Windows\\Setup.exe.bak\\run.exe x", Target { u"\\Windows\\Setup.exe.bak\\run.exe", u"x" }, {} },
        { "no \".exe\": the whole target", "14#\\Windows\\notes", Target { u"\\Windows\\notes", u"" }, {} },
        { "Cyrillic in the ANSI code page",
          "31#\\\xCC\xEE\xE8 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB\\\xC7\xE2\xEE\xED\xEA\xE8.exe -\xF2\xE8\xF5\xEE",
          Target { u"\\Мои программы\\Звонки.exe", u"-тихо" }, {} },
        { "no \"#\"", "\"\\Windows\\cprog.exe\" -n", std::nullopt, "no \"#\"" },
        { "length one short of the target", "22#\"\\Windows\\cprog.exe\" -n", std::nullopt, "has 23 characters, the shortcut says 22" },
        { "length one past the target", "24#\"\\Windows\\cprog.exe\" -n", std::nullopt, "the shortcut says 24" },
        { "a second line", "23#\"\\Windows\\cprog.exe\" -n\r\nextra", std::nullopt, "the shortcut says 23" },
        { "length not a number", "2x#\\Windows\\cprog.exe", std::nullopt, "\"2x\" is not a number" },
        { "no length", "#\\Windows\\cprog.exe", std::nullopt, "is not a number" },
        { "empty target", "0#", std::nullopt, "empty" },
        { "quote never closed", "4#\"\\ab", std::nullopt, "no closing quote" },
        { "quotes around nothing", "5#\"\" -n", std::nullopt, "names no program" },
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        writeHostFile(std::filesystem::path("Windows") / "StartUp" / ("case" + std::to_string(i) + ".lnk"), cases[i].fileBytes);

    const emu::Shortcuts shortcuts(*device);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::u16string path = u"\\Windows\\StartUp\\case" + emu::fromUtf8(std::to_string(i)) + u".lnk";
        std::string error;
        const auto target = shortcuts.read(path, error);
        ASSERT_EQ(target.has_value(), cases[i].expected.has_value()) << error;
        if (target) {
            EXPECT_EQ(target->program, cases[i].expected->program);
            EXPECT_EQ(target->arguments, cases[i].expected->arguments);
        } else {
            EXPECT_NE(error.find(cases[i].refusal), std::string::npos) << error;
            EXPECT_EQ(error.find(emu::toUtf8(path) + ": "), 0u) << error;
        }
    }
}

TEST_F(ShortcutsTest, AMissingShortcutOrAFolderIsNotRead)
{
    writeHostFile("Windows/StartUp/folder.lnk/inside.txt", "");
    const emu::Shortcuts shortcuts(*device);
    for (const std::u16string_view path : { u"\\Windows\\StartUp\\missing.lnk", u"\\Windows\\StartUp\\folder.lnk" }) {
        std::string error;
        EXPECT_FALSE(shortcuts.read(path, error));
        EXPECT_EQ(error, emu::toUtf8(path) + ": cannot open the shortcut");
    }
}

TEST_F(ShortcutsTest, AUtf8DeviceReadsItsShortcutsAsUtf8)
{
    emu::DeviceProfile profile;
    profile.ansiCodePage = 65001;
    resetDevice(profile);
    writeHostFile("Windows/StartUp/a.lnk", "16#\\Windows\\Мои.exe");
    std::string error;
    const auto target = emu::Shortcuts(*device).read(u"\\Windows\\StartUp\\a.lnk", error);
    ASSERT_TRUE(target) << error;
    EXPECT_EQ(target->program, u"\\Windows\\Мои.exe");
}

TEST_F(ShortcutsTest, AFolderListsItsShortcutsInTheOrderOfTheirNames)
{
    for (const char* name : { "b.lnk", "A Start.LNK", "c.txt", "Z.lnk", "a.lnk.bak", ".lnk" })
        writeHostFile(std::filesystem::path("Windows") / "StartUp" / name, "");
    writeHostFile("Windows/StartUp/folder.lnk/inside.txt", "");
    const emu::Shortcuts shortcuts(*device);
    const std::vector<std::u16string> expected {
        u"\\Windows\\StartUp\\A Start.LNK",
        u"\\Windows\\StartUp\\b.lnk",
        u"\\Windows\\StartUp\\Z.lnk",
    };
    EXPECT_EQ(shortcuts.list(u"\\Windows\\StartUp"), expected);
    EXPECT_EQ(shortcuts.list(u"\\windows\\startup\\"), (std::vector<std::u16string> {
        u"\\windows\\startup\\A Start.LNK", u"\\windows\\startup\\b.lnk", u"\\windows\\startup\\Z.lnk" }));
    EXPECT_TRUE(shortcuts.list(u"\\Windows\\Missing").empty());
}

}
