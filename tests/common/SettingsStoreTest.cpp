// SettingsStore: reads that fall back to their default (missing keys and values, other types, no
// subkey or name), texts as stored, binary values, writes with and without a flush, deleting keys
// and whole trees, and the file flags.
#include "common/SettingsStore.h"

#include "platform/api/WinReg.h"
#include "tests/common/CommonFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char16_t* settingsPath = u"Software\\Korvane\\PIM\\Settings";

// Writes a value straight through the registry, as another program would.
void storeRaw(const char16_t* path, const char16_t* name, DWORD type, const std::vector<BYTE>& data)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, nullptr, 0, 0, nullptr, &key, nullptr), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(RegSetValueEx(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), static_cast<LONG>(ERROR_SUCCESS));
    RegCloseKey(key);
}

void storeDword(const char16_t* path, const char16_t* name, DWORD value)
{
    storeRaw(path, name, REG_DWORD, { static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                                        static_cast<BYTE>(value >> 24) });
}

std::vector<BYTE> textBytes(std::u16string_view text)
{
    std::vector<BYTE> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
}

// The whole text of a Str, its length as it says.
std::u16string textOf(const Str& text)
{
    return std::u16string(static_cast<LPCWSTR>(text), static_cast<std::size_t>(text.GetLength()));
}

bool keyExists(const char16_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, 0, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The type and bytes of a stored value, nullopt when it is missing.
std::optional<std::pair<DWORD, std::vector<BYTE>>> storedValue(const char16_t* path, const char16_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, 0, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = REG_NONE;
    std::vector<BYTE> data(64);
    DWORD size = static_cast<DWORD>(data.size());
    const LONG result = RegQueryValueEx(key, name, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return std::pair(type, data);
}

class SettingsStoreTest : public testing_support::CommonFixture {
protected:
    // Runs `body` as the main routine of a program on the device; a failed ASSERT ends it early.
    void onDevice(const std::function<void()>& body)
    {
        runProgram([&] {
            body();
            return 0;
        });
    }

    std::string registryText() const
    {
        std::ifstream in(folder() / ".devemu" / "registry", std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }
};

// ---- Reading

TEST_F(SettingsStoreTest, ReadsFallBackToTheDefaultWhereThereIsNothingOfTheirType)
{
    onDevice([] {
        storeDword(settingsPath, u"RecallDelay", 5);
        storeRaw(settingsPath, u"SkinPath", REG_SZ, textBytes(std::u16string_view(u"\\Skins\\Blue.skn\0", 16)));
        storeRaw(settingsPath, u"AsText", REG_SZ, textBytes(std::u16string_view(u"12\0", 3)));
        storeRaw(settingsPath, u"Long", REG_DWORD, { 1, 0, 0, 0, 0, 0, 0, 0 });

        struct Case {
            const char* what;
            const char16_t* subkey;
            const char16_t* name;
            DWORD expected;
        };
        const Case dwords[] = {
            { "stored", u"Settings", u"RecallDelay", 5 },
            { "name in another case", u"SETTINGS", u"recalldelay", 5 },
            { "missing value", u"Settings", u"Nothing", 77 },
            { "missing key", u"NoSuchKey", u"RecallDelay", 77 },
            { "a DWORD stored as a string", u"Settings", u"AsText", 77 },
            { "a DWORD too long for its 4-byte buffer", u"Settings", u"Long", 77 },
            { "no subkey", nullptr, u"RecallDelay", 77 },
            { "empty subkey", u"", u"RecallDelay", 77 },
            { "no name", u"Settings", nullptr, 77 },
            { "empty name", u"Settings", u"", 77 },
        };
        for (const Case& c : dwords) {
            SCOPED_TRACE(c.what);
            EXPECT_EQ(SettingsStore::GetDword(c.subkey, c.name, 77), c.expected);
        }

        EXPECT_EQ(textOf(SettingsStore::GetString(u"Settings", u"SkinPath", u"none")), u"\\Skins\\Blue.skn");
        EXPECT_EQ(textOf(SettingsStore::GetString(u"Settings", u"RecallDelay", u"none")), u"none");
        EXPECT_EQ(textOf(SettingsStore::GetString(u"Settings", u"Nothing", u"none")), u"none");
        EXPECT_EQ(textOf(SettingsStore::GetString(u"NoSuchKey", u"SkinPath", u"none")), u"none");
        EXPECT_EQ(textOf(SettingsStore::GetString(nullptr, u"SkinPath", u"none")), u"none");
        EXPECT_EQ(textOf(SettingsStore::GetString(u"Settings", nullptr, u"none")), u"none");
    });
}

TEST_F(SettingsStoreTest, TextsAreReadAsStoredUpToTheirFirstNul)
{
    onDevice([] {
        struct Case {
            const char* what;
            std::vector<BYTE> stored;
            const char16_t* expected;
        };
        const Case texts[] = {
            { "empty, not the default", textBytes(std::u16string_view(u"\0", 1)), u"" },
            { "closed by its NUL", textBytes(std::u16string_view(u"Перезвоню\0", 10)), u"Перезвоню" },
            { "without a NUL", textBytes(u"abc"), u"abc" },
            { "with a NUL inside", textBytes(std::u16string_view(u"ab\0cd\0", 6)), u"ab" },
            { "of an odd size", { 'x', 0, 'y' }, u"xy" },
            { "of no bytes at all", {}, u"" },
        };
        for (const Case& c : texts) {
            SCOPED_TRACE(c.what);
            storeRaw(u"Software\\Korvane\\PIM\\SmsText", u"Text1", REG_SZ, c.stored);
            EXPECT_EQ(textOf(SettingsStore::GetString(u"SmsText", u"Text1", u"default")), c.expected);
        }
    });
}

TEST_F(SettingsStoreTest, EveryReadSeesWhatWasWrittenLast)
{
    onDevice([] {
        storeDword(settingsPath, u"VYX_Silent", 1);
        EXPECT_EQ(SettingsStore::GetDword(u"Settings", u"VYX_Silent", 0), 1u);
        storeDword(settingsPath, u"VYX_Silent", 0);
        EXPECT_EQ(SettingsStore::GetDword(u"Settings", u"VYX_Silent", 9), 0u);
    });
}

TEST_F(SettingsStoreTest, BinaryValuesComeInABufferOfTheirOwn)
{
    onDevice([] {
        storeRaw(settingsPath, u"Colors", REG_BINARY, { 1, 0xFF, 0x0A });
        storeRaw(settingsPath, u"Nothing", REG_BINARY, {});
        storeDword(settingsPath, u"Number", 3);

        DWORD size = 99;
        const auto colors = SettingsStore::GetBinary(u"Settings", u"Colors", size);
        ASSERT_TRUE(colors);
        EXPECT_EQ(std::vector<BYTE>(colors.get(), colors.get() + size), (std::vector<BYTE> { 1, 0xFF, 0x0A }));

        size = 99;
        EXPECT_TRUE(SettingsStore::GetBinary(u"Settings", u"Nothing", size));
        EXPECT_EQ(size, 0u);

        for (const char16_t* name : { u"Number", u"Missing" }) {
            size = 99;
            EXPECT_FALSE(SettingsStore::GetBinary(u"Settings", name, size));
            EXPECT_EQ(size, 0u);
        }
        EXPECT_FALSE(SettingsStore::GetBinary(u"NoSuchKey", u"Colors", size));
    });
}

// ---- Writing

TEST_F(SettingsStoreTest, WritesStoreOneValueAndFlushOnlyWhenAsked)
{
    onDevice([&] {
        EXPECT_TRUE(SettingsStore::SetDword(u"Settings", u"SortType", 2, false));
        EXPECT_TRUE(SettingsStore::SetString(u"SmsText", u"Text1", u"Занят", false));
        EXPECT_EQ(storedValue(settingsPath, u"SortType"), std::pair(REG_DWORD, std::vector<BYTE> { 2, 0, 0, 0 }));
        // The text with its NUL: (length + 1) x 2 bytes.
        EXPECT_EQ(storedValue(u"Software\\Korvane\\PIM\\SmsText", u"Text1"), std::pair(REG_SZ, textBytes(std::u16string_view(u"Занят\0", 6))));
        EXPECT_EQ(registryText(), "") << "written without a flush";

        EXPECT_TRUE(SettingsStore::SetString(u"SmsText", u"Text2", u"", true));
        EXPECT_EQ(storedValue(u"Software\\Korvane\\PIM\\SmsText", u"Text2"), std::pair(REG_SZ, std::vector<BYTE> { 0, 0 }));
        EXPECT_NE(registryText().find("\"SortType\"=dword:00000002"), std::string::npos);
        EXPECT_EQ(textOf(SettingsStore::GetString(u"SmsText", u"Text2", u"default")), u"");
    });
}

TEST_F(SettingsStoreTest, WritesWithoutASubkeyOrANameFailAndWriteNothing)
{
    onDevice([] {
        EXPECT_FALSE(SettingsStore::SetDword(nullptr, u"A", 1, true));
        EXPECT_FALSE(SettingsStore::SetDword(u"", u"A", 1, true));
        EXPECT_FALSE(SettingsStore::SetDword(u"Settings", nullptr, 1, true));
        EXPECT_FALSE(SettingsStore::SetString(u"Settings", u"", u"x", true));
        EXPECT_FALSE(SettingsStore::SetString(nullptr, u"A", u"x", true));
        EXPECT_FALSE(keyExists(u"Software\\Korvane"));
        EXPECT_FALSE(SettingsStore::FlushKey(u"Settings"));
        EXPECT_FALSE(SettingsStore::FlushKey(nullptr));
    });
}

TEST_F(SettingsStoreTest, OpenKeyCreatesOnlyWhenAsked)
{
    onDevice([] {
        EXPECT_EQ(SettingsStore::OpenKey(u"Templates", false), nullptr);
        EXPECT_FALSE(keyExists(u"Software\\Korvane\\PIM\\Templates"));
        const HKEY made = SettingsStore::OpenKey(u"Templates", true);
        ASSERT_NE(made, nullptr);
        RegCloseKey(made);
        const HKEY opened = SettingsStore::OpenKey(u"templates", false);
        ASSERT_NE(opened, nullptr);
        RegCloseKey(opened);
        EXPECT_TRUE(SettingsStore::FlushKey(u"Templates"));
    });
}

// ---- Deleting

TEST_F(SettingsStoreTest, DeleteKeyRemovesTheKeyWithItsValues)
{
    onDevice([] {
        storeDword(u"Software\\Korvane\\PIM\\CatFilter", u"All", 3);
        storeDword(u"Software\\Korvane\\PIM\\CatFilter", u"Category1", 1);
        storeDword(settingsPath, u"RecallDelay", 5);
        EXPECT_EQ(SettingsStore::GetDword(u"CatFilter", u"All", 0), 3u);

        EXPECT_TRUE(SettingsStore::DeleteKey(u"CatFilter"));
        EXPECT_EQ(SettingsStore::GetDword(u"CatFilter", u"All", 0), 0u);
        EXPECT_FALSE(keyExists(u"Software\\Korvane\\PIM\\CatFilter"));
        EXPECT_EQ(SettingsStore::GetDword(u"Settings", u"RecallDelay", 0), 5u);

        EXPECT_FALSE(SettingsStore::DeleteKey(u"CatFilter"));
        EXPECT_FALSE(SettingsStore::DeleteKey(nullptr));
        EXPECT_FALSE(SettingsStore::DeleteKey(u""));
        EXPECT_TRUE(keyExists(u"Software\\Korvane\\PIM"));
    });
}

TEST_F(SettingsStoreTest, SubkeyOfTwoNamesIsDeletedAsTheSecondUnderTheFirst)
{
    onDevice([] {
        storeDword(u"Software\\Korvane\\PIM\\Profiler", u"Count", 2);
        storeDword(u"Software\\Korvane\\PIM\\Profiler\\Profiles", u"Name0", 1);
        storeDword(u"Software\\Korvane\\PIM\\Profiler\\Profiles\\Categories_0", u"Cat", 1);
        storeDword(u"Software\\Korvane\\PIM\\Profiler\\Schedules", u"Days", 0x3E);

        EXPECT_TRUE(SettingsStore::DeleteKey(u"Profiler\\Profiles"));
        EXPECT_FALSE(keyExists(u"Software\\Korvane\\PIM\\Profiler\\Profiles"));
        EXPECT_TRUE(keyExists(u"Software\\Korvane\\PIM\\Profiler\\Schedules"));
        EXPECT_EQ(SettingsStore::GetDword(u"Profiler", u"Count", 0), 2u);
    });
}

TEST_F(SettingsStoreTest, DeleteTreeRemovesNestedKeysUnderAnyPath)
{
    onDevice([] {
        for (const char16_t* path : { u"ControlPanel\\Sounds\\RingTone0\\A\\A1\\A11", u"ControlPanel\\Sounds\\RingTone0\\A\\A2",
                 u"ControlPanel\\Sounds\\RingTone0\\B", u"ControlPanel\\Sounds\\RingTone0\\c\\C1" })
            storeDword(path, u"Value", 1);
        storeDword(u"ControlPanel\\Sounds\\RingTone0", u"Script", 1);
        storeDword(u"ControlPanel\\Sounds\\RingTone1", u"Script", 2);

        // With the parent path ending in a backslash, and without.
        EXPECT_TRUE(SettingsStore::DeleteTree(u"ControlPanel\\Sounds\\", u"RingTone0"));
        EXPECT_FALSE(keyExists(u"ControlPanel\\Sounds\\RingTone0"));
        EXPECT_TRUE(keyExists(u"ControlPanel\\Sounds\\RingTone1"));

        storeDword(u"ControlPanel\\Sounds\\RingTone1\\Deep\\Deeper", u"Value", 1);
        EXPECT_TRUE(SettingsStore::DeleteTree(u"ControlPanel\\Sounds", u"RingTone1"));
        EXPECT_FALSE(keyExists(u"ControlPanel\\Sounds\\RingTone1"));
        EXPECT_TRUE(keyExists(u"ControlPanel\\Sounds"));

        EXPECT_FALSE(SettingsStore::DeleteTree(u"ControlPanel\\Sounds", u"RingTone1"));
        EXPECT_FALSE(SettingsStore::DeleteTree(u"NoSuchParent", u"RingTone1"));
        EXPECT_FALSE(SettingsStore::DeleteTree(u"ControlPanel", nullptr));
    });
}

// ---- File flags

TEST_F(SettingsStoreTest, FileFlagIsTheDwordNamedByTheBaseNameOfThePath)
{
    onDevice([] {
        EXPECT_FALSE(SettingsStore::IsFileFlagSet(u"\\Skins\\Blue.skn"));
        storeDword(settingsPath, u"Blue.skn", 1);
        EXPECT_TRUE(SettingsStore::IsFileFlagSet(u"\\Storage Card\\Skins\\Blue.skn"));
        EXPECT_TRUE(SettingsStore::IsFileFlagSet(u"Blue.skn"));

        SettingsStore::ClearFileFlag(u"\\Skins\\Blue.skn");
        EXPECT_FALSE(SettingsStore::IsFileFlagSet(u"\\Skins\\Blue.skn"));
        EXPECT_EQ(storedValue(settingsPath, u"Blue.skn"), std::pair(REG_DWORD, std::vector<BYTE> { 0, 0, 0, 0 }));

        SettingsStore::SetFileFlag(u"\\pim_index1.dat");
        EXPECT_EQ(storedValue(settingsPath, u"pim_index1.dat"), std::pair(REG_DWORD, std::vector<BYTE> { 1, 0, 0, 0 }));
        EXPECT_TRUE(SettingsStore::IsFileFlagSet(u"\\pim_index1.dat"));

        // Present but of another type counts as not set.
        storeRaw(settingsPath, u"Red.skn", REG_SZ, textBytes(std::u16string_view(u"1\0", 2)));
        EXPECT_FALSE(SettingsStore::IsFileFlagSet(u"Red.skn"));
    });
    EXPECT_NE(registryText().find("\"Blue.skn\"=dword:00000000"), std::string::npos) << "cleared with a flush";
}

}
