// The shell's special folders and shortcuts, as programs call them: folder paths and their creation,
// shortcuts written in the device's code page and read back, and the shortcuts the shell refuses.
#include "tests/support/DeviceFixture.h"

#include "platform/api/ShellApi.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct FolderCase {
    int csidl;
    std::u16string_view path;
};

const std::vector<FolderCase> specialFolders {
    { CSIDL_PROGRAMS, u"\\Windows\\Start Menu\\Programs" },
    { CSIDL_PERSONAL, u"\\My Documents" },
    { CSIDL_STARTUP, u"\\Windows\\StartUp" },
    { CSIDL_WINDOWS, u"\\Windows" },
    { CSIDL_PROGRAM_FILES, u"\\Program Files" },
};

// What SHGetSpecialFolderPath gave, and whether the folder was there afterwards.
struct FolderAnswer {
    BOOL result;
    DWORD error;
    std::u16string path;
    bool exists;
};

FolderAnswer askFolder(int csidl, BOOL create)
{
    std::u16string path(MAX_PATH, u'#');
    const BOOL result = SHGetSpecialFolderPath(nullptr, path.data(), csidl, create);
    const DWORD error = GetLastError();
    path.resize(std::char_traits<char16_t>::length(path.c_str()));
    const DWORD attributes = GetFileAttributes(path.c_str());
    return { result, error, path, !path.empty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) };
}

class ShellTest : public testing_support::DeviceFixture {
protected:
    std::string hostFileText(const std::filesystem::path& relative) const
    {
        std::ifstream file(folder() / relative, std::ios::binary);
        return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
    }

    void writeHostFile(const std::filesystem::path& relative, std::string_view bytes) const
    {
        std::filesystem::create_directories((folder() / relative).parent_path());
        std::ofstream(folder() / relative, std::ios::binary) << bytes;
    }
};

TEST_F(ShellTest, SpecialFoldersHaveTheirPathsAndAreMadeOnlyWhenAsked)
{
    std::vector<FolderAnswer> asked;
    std::vector<FolderAnswer> created;
    runProgram([&] {
        for (const FolderCase& special : specialFolders)
            asked.push_back(askFolder(special.csidl, FALSE));
        for (const FolderCase& special : specialFolders)
            created.push_back(askFolder(special.csidl, TRUE));
        return 0;
    });
    ASSERT_EQ(asked.size(), specialFolders.size());
    ASSERT_EQ(created.size(), specialFolders.size());
    for (std::size_t i = 0; i < specialFolders.size(); ++i) {
        SCOPED_TRACE(specialFolders[i].csidl);
        EXPECT_TRUE(asked[i].result);
        EXPECT_EQ(asked[i].path, specialFolders[i].path);
        EXPECT_FALSE(asked[i].exists);
        EXPECT_TRUE(created[i].result);
        EXPECT_EQ(created[i].path, specialFolders[i].path);
        EXPECT_TRUE(created[i].exists);
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder() / "Windows" / "Start Menu" / "Programs"));
}

TEST_F(ShellTest, AnUnknownFolderOrAFileInTheWayFailsTheCall)
{
    writeHostFile("My Documents", "not a folder");
    FolderAnswer unknown {};
    FolderAnswer blocked {};
    runProgram([&] {
        unknown = askFolder(0x7F, TRUE);
        blocked = askFolder(CSIDL_PERSONAL, TRUE);
        return 0;
    });
    EXPECT_FALSE(unknown.result);
    EXPECT_EQ(unknown.path, u"");
    EXPECT_EQ(unknown.error, ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(blocked.result);
    EXPECT_EQ(blocked.path, u"");
    EXPECT_EQ(blocked.error, ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder() / "My Documents"));
}

struct ShortcutCase {
    const char* name;
    std::u16string_view target;
    std::string_view fileBytes;
};

TEST_F(ShellTest, AShortcutIsWrittenInTheAnsiCodePageAndReadBack)
{
    const std::vector<ShortcutCase> cases {
        { "quoted path and argument", u"\"\\Program Files\\Korvane Phone\\Vyx.exe\" /p",
          "41#\"\\Program Files\\Korvane Phone\\Vyx.exe\" /p" },
        { "plain path", u"\\Windows\\cprog.exe", "18#\\Windows\\cprog.exe" },
        { "Cyrillic path", u"\\Windows\\Мои.exe", "16#\\Windows\\\xCC\xEE\xE8.exe" },
    };
    std::vector<BOOL> written;
    std::vector<std::u16string> readBack;
    runProgram([&] {
        SHGetSpecialFolderPath(nullptr, std::u16string(MAX_PATH, 0).data(), CSIDL_STARTUP, TRUE);
        for (std::size_t i = 0; i < cases.size(); ++i) {
            std::u16string shortcut = u"\\Windows\\StartUp\\" + std::u16string(1, static_cast<char16_t>(u'a' + i)) + u".lnk";
            std::u16string target(cases[i].target);
            written.push_back(SHCreateShortcut(shortcut.data(), target.data()));
            std::u16string text(MAX_PATH, u'#');
            SHGetShortcutTarget(shortcut.c_str(), text.data(), MAX_PATH);
            readBack.emplace_back(text.c_str());
        }
        return 0;
    });
    ASSERT_EQ(readBack.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_TRUE(written[i]);
        EXPECT_EQ(hostFileText(std::filesystem::path("Windows") / "StartUp" / (std::string(1, static_cast<char>('a' + i)) + ".lnk")),
                  cases[i].fileBytes);
        EXPECT_EQ(readBack[i], cases[i].target);
    }
}

// What a shell call gave: its result, the last error, and the target text it returned.
struct ShellOutcome {
    BOOL result;
    DWORD error;
    std::u16string text;
    bool operator==(const ShellOutcome&) const = default;
    friend void PrintTo(const ShellOutcome& outcome, std::ostream* out)
    {
        *out << outcome.result << " error " << outcome.error << " " << ::testing::PrintToString(outcome.text);
    }
};

TEST_F(ShellTest, ShortcutsAreNotReplacedAndReadOnlyWhereTheyFitAndAreWellFormed)
{
    writeHostFile("Windows/StartUp/lengthless.lnk", "\"\\Windows\\cprog.exe\" -n");
    writeHostFile("Windows/StartUp/miscounted.lnk", "22#\"\\Windows\\cprog.exe\" -n");
    std::vector<ShellOutcome> outcomes;
    runProgram([&] {
        std::u16string shortcut = u"\\Windows\\StartUp\\cprog.lnk";
        std::u16string first = u"\\Windows\\cprog.exe";
        std::u16string second = u"\\Windows\\other.exe";
        const auto record = [&](BOOL result, std::u16string text = {}) {
            outcomes.push_back({ result, result ? ERROR_SUCCESS : GetLastError(), std::move(text) });
        };
        const auto readTarget = [&](LPCWSTR path, int maxChars) {
            std::u16string text(64, u'#');
            const BOOL result = SHGetShortcutTarget(path, text.data(), maxChars);
            record(result, text.c_str());
        };
        record(SHCreateShortcut(shortcut.data(), first.data()));
        record(SHCreateShortcut(shortcut.data(), second.data()));
        readTarget(shortcut.c_str(), 19);
        readTarget(shortcut.c_str(), 18);
        readTarget(u"\\Windows\\StartUp\\missing.lnk", 64);
        readTarget(u"\\Windows\\StartUp\\lengthless.lnk", 64);
        readTarget(u"\\Windows\\StartUp\\miscounted.lnk", 64);
        return 0;
    });
    EXPECT_EQ(outcomes, (std::vector<ShellOutcome> {
        { TRUE, ERROR_SUCCESS, u"" },
        { FALSE, ERROR_FILE_EXISTS, u"" },
        { TRUE, ERROR_SUCCESS, u"\\Windows\\cprog.exe" },
        { FALSE, ERROR_INSUFFICIENT_BUFFER, u"" },
        { FALSE, ERROR_FILE_NOT_FOUND, u"" },
        { FALSE, ERROR_INVALID_DATA, u"" },
        { FALSE, ERROR_INVALID_DATA, u"" },
    }));
}

}
