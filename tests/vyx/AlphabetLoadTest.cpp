// Loading the keypad alphabets on a device: "Type" and "Custom" of the settings subkey "ABC", the
// device's locale when "Type" chooses nothing, Vyx's "ABC" resources with their captions, the Latin
// resource as the last resort, and the service's own groups.
#include "common/SettingsStore.h"
#include "platform/api/WinReg.h"
#include "platform/api/WinResources.h"
#include "tests/common/CommonFixture.h"
#include "vyx/keypad/AlphabetResources.h"
#include "vyx/keypad/ServiceAlphabetLoader.h"
#include "vyx/keypad/VyxAlphabetLoader.h"
#include "vyx/resources/VyxStrings.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using keypad::KeypadAlphabet;
using testing_support::caseName;
using Groups = std::vector<std::u16string>;

constexpr const char16_t* abcPath = u"Software\\Korvane\\PIM\\ABC";

const Groups latin { u"abc", u"def", u"ghi", u"jkl", u"mno", u"pqrs", u"tuv", u"wxyz" };
const Groups cyrillic { u"абвг", u"деёжз", u"ийкл", u"мноп", u"рсту", u"фхцч", u"шщъы", u"ьэюя" };
const Groups german { u"abcä", u"def", u"ghi", u"jkl", u"mnoö", u"pqrsß", u"tuvü", u"wxyz" };
const Groups vyxMixed { u"абвгabc", u"деёжзdef", u"ийклghi", u"мнопjkl", u"рстуmno", u"фхцчpqrs", u"шщъыtuv", u"ьэюяwxyz" };
const Groups serviceMixed { u"abcабвг", u"defдеёжз", u"ghiийкл", u"jklмноп", u"mnoрсту", u"pqrsфхцч", u"tuvшщъы", u"wxyzьэюя" };

std::u16string textOf(const Str& text)
{
    return std::u16string(static_cast<LPCWSTR>(text), static_cast<std::size_t>(text.GetLength()));
}

Groups groupsOf(const KeypadAlphabet& alphabet)
{
    Groups groups;
    for (int i = 0; i < alphabet.GetCount(); ++i)
        groups.push_back(textOf(alphabet.KeyAt(i).group.Letters()));
    return groups;
}

Groups captionsOf(const KeypadAlphabet& alphabet)
{
    Groups captions;
    for (int i = 0; i < alphabet.GetCount(); ++i) {
        const KeypadAlphabet::Key& key = alphabet.KeyAt(i);
        captions.push_back(textOf(key.caption) + (key.secondCaption.IsEmpty() ? u"" : u"^" + textOf(key.secondCaption)));
    }
    return captions;
}

std::vector<BYTE> littleEndian(std::u16string_view text)
{
    std::vector<BYTE> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
}

void storeValue(const char16_t* name, DWORD type, const std::vector<BYTE>& data)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, abcPath, 0, nullptr, 0, 0, nullptr, &key, nullptr), static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(RegSetValueEx(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), static_cast<LONG>(ERROR_SUCCESS));
    RegCloseKey(key);
}

struct Settings {
    std::optional<DWORD> type {};
    // "Custom" as stored, when not null: the text's bytes, and a stray byte after them when `oddByte`.
    const char16_t* custom = nullptr;
    bool oddByte = false;
};

void store(const Settings& settings)
{
    if (settings.type)
        SettingsStore::SetDword(keypad::AlphabetChoice::subkey, u"Type", *settings.type, true);
    if (settings.custom) {
        std::vector<BYTE> bytes = littleEndian(settings.custom);
        if (settings.oddByte)
            bytes.push_back(u'Q');
        storeValue(u"Custom", REG_BINARY, bytes);
    }
}

class AlphabetLoadTest : public testing_support::CommonFixture {
protected:
    void useLocale(LCID locale)
    {
        emu::DeviceProfile profile;
        profile.locale = locale;
        resetDevice(profile);
    }

    struct Loaded {
        Groups vyxGroups;
        Groups vyxCaptions;
        Groups serviceGroups;
    };

    // Both loaders, run in a program carrying `resources` after `settings` were stored.
    Loaded load(const Settings& settings, const platform::ModuleResources& resources = vyx::vyxResources())
    {
        Loaded loaded;
        runWithResources(resources, [&] {
            store(settings);
            const KeypadAlphabet vyxAlphabet = keypad::VyxAlphabetLoader::Load();
            loaded = { groupsOf(vyxAlphabet), captionsOf(vyxAlphabet), groupsOf(keypad::ServiceAlphabetLoader::Load()) };
            return 0;
        });
        return loaded;
    }
};

struct LoadCase {
    std::string name;
    LCID locale;
    Settings settings;
    Groups vyxGroups;
    Groups serviceGroups;
};

class AlphabetChoiceTest : public AlphabetLoadTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(AlphabetChoiceTest, BothProgramsLoadTheChosenAlphabet)
{
    const LoadCase& c = GetParam();
    useLocale(c.locale);
    const Loaded loaded = load(c.settings);
    EXPECT_EQ(loaded.vyxGroups, c.vyxGroups);
    EXPECT_EQ(loaded.serviceGroups, c.serviceGroups);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, AlphabetChoiceTest,
    ::testing::Values(
        LoadCase { "RussianDeviceWithoutTypeIsCyrillic", 0x0419, {}, cyrillic, cyrillic },
        LoadCase { "GermanDeviceWithoutTypeIsGerman", 0x0407, {}, german, german },
        LoadCase { "SwissGermanDeviceIsGerman", 0x0807, {}, german, german },
        LoadCase { "FrenchDeviceWithoutTypeIsLatin", 0x040C, {}, latin, latin },
        LoadCase { "TypeSevenOnGermanDeviceIsGerman", 0x0407, { .type = 7 }, german, german },
        LoadCase { "TypeSevenOnFrenchDeviceIsLatin", 0x040C, { .type = 7 }, latin, latin },
        LoadCase { "MinusOneOnRussianDeviceIsCyrillic", 0x0419, { .type = 0xFFFFFFFF }, cyrillic, cyrillic },
        LoadCase { "UnreadableLocaleCountsAsEnglish", 0x1234, {}, latin, latin },
        LoadCase { "TypeOneOnRussianDeviceIsLatin", 0x0419, { .type = 1 }, latin, latin },
        LoadCase { "TypeTwoOnFrenchDeviceIsCyrillic", 0x040C, { .type = 2 }, cyrillic, cyrillic },
        LoadCase { "TypeThreeMixesWithOwnRepresentatives", 0x0419, { .type = 3 }, vyxMixed, serviceMixed },
        LoadCase { "TypeFourOnRussianDeviceIsGerman", 0x0419, { .type = 4 }, german, german },
        LoadCase { "CustomWithoutTextFallsBackToLatin", 0x0419, { .type = 0 }, latin, latin },
        LoadCase { "CustomWithEmptyTextFallsBackToLatin", 0x0419, { .type = 0, .custom = u"" }, latin, latin },
        LoadCase { "CustomTwoEntries", 0x0419, { .type = 0, .custom = u"ABC/abc  DEF/def" }, { u"abc", u"def" }, { u"abc", u"def" } },
        LoadCase { "CustomEntryWithoutCaption", 0x0419, { .type = 0, .custom = u"/xyz ABC/abc" }, { u"abc" }, { u"xyz", u"abc" } },
        LoadCase { "CustomOnlyWithoutCaption", 0x0419, { .type = 0, .custom = u"/xyz" }, latin, { u"xyz" } },
        LoadCase { "CustomWithoutMarks", 0x0419, { .type = 0, .custom = u"hello" }, latin, latin },
        LoadCase { "CustomIsNormalised", 0x0419, { .type = 0, .custom = u"ЁЖ/ЁЕеёЖ" }, { u"ёеж" }, { u"ёеж" } },
        LoadCase { "CustomWithAStrayByte", 0x0419, { .type = 0, .custom = u"AB/ab", .oddByte = true }, { u"ab" }, { u"ab" } },
        LoadCase { "CustomIgnoredForOtherTypes", 0x0419, { .type = 1, .custom = u"ABC/xyz" }, latin, latin }),
    caseName<LoadCase>);

TEST_F(AlphabetLoadTest, VyxKeysCarryTheResourcesCaptions)
{
    EXPECT_EQ(load({ .type = 3 }).vyxCaptions,
              (Groups { u"АБВГ^ABC", u"ДЕЖЗ^DEF", u"ИКЛ^GHI", u"МНОП^JKL", u"РСТУ^MNO", u"ФХЦЧ^PQRS", u"ШЩЪЫ^TUV", u"ЬЭЮЯ^WXYZ" }));
    EXPECT_EQ(load({ .type = 2 }).vyxCaptions, (Groups { u"АБВГ", u"ДЕЖЗ", u"ИКЛ", u"МНОП", u"РСТУ", u"ФХЦЧ", u"ШЩЪЫ", u"ЬЭЮЯ" }));
    EXPECT_EQ(load({ .type = 4 }).vyxCaptions, (Groups { u"ABCÄ", u"DEF", u"GHI", u"JKL", u"MNOÖ", u"PQRSß", u"TUVÜ", u"WXYZ" }));
    EXPECT_EQ(load({ .type = 0, .custom = u"АБВ^ABC/абвabc" }).vyxCaptions, (Groups { u"АБВ^ABC" }));
}

TEST_F(AlphabetLoadTest, DwordStoredAsTextChoosesByLanguage)
{
    useLocale(0x0407);
    Loaded loaded;
    runWithResources(vyx::vyxResources(), [&] {
        const std::u16string one = u"1";
        std::vector<BYTE> bytes = littleEndian(one);
        bytes.insert(bytes.end(), { 0, 0 });
        storeValue(u"Type", REG_SZ, bytes);
        loaded.vyxGroups = groupsOf(keypad::VyxAlphabetLoader::Load());
        loaded.serviceGroups = groupsOf(keypad::ServiceAlphabetLoader::Load());
        return 0;
    });
    EXPECT_EQ(loaded.vyxGroups, german);
    EXPECT_EQ(loaded.serviceGroups, german);
}

// Vyx's resources as a module carries them: each begins with the mark 0xFEFF, then the text.
TEST_F(AlphabetLoadTest, VyxModuleCarriesTheFiveAlphabetResources)
{
    struct Resource {
        UINT id;
        std::u16string text;
    };
    const Resource expected[] = {
        { keypad::IDR_ABC_LATIN, u"ABC/ABC DEF/DEF GHI/GHI JKL/JKL MNO/MNO PQRS/PQRS TUV/TUV WXYZ/WXYZ" },
        { keypad::IDR_ABC_CYRILLIC, u"АБВГ/абвг ДЕЖЗ/деёжз ИКЛ/ийкл МНОП/мноп РСТУ/рсту ФХЦЧ/фхцч ШЩЪЫ/шщъы ЬЭЮЯ/ьэюя" },
        { keypad::IDR_ABC_CYRILLIC_AND_LATIN, u"АБВГ^ABC/абвгabc ДЕЖЗ^DEF/деёжзdef ИКЛ^GHI/ийклghi МНОП^JKL/мнопjkl РСТУ^MNO/рстуmno "
                                              u"ФХЦЧ^PQRS/фхцчpqrs ШЩЪЫ^TUV/шщъыtuv ЬЭЮЯ^WXYZ/ьэюяwxyz" },
        { keypad::IDR_ABC_GERMAN, u"ABCÄ/ABCÄ DEF/DEF GHI/GHI JKL/JKL MNOÖ/MNOÖ PQRSß/PQRSß TUVÜ/TUVÜ WXYZ/WXYZ" },
        { keypad::IDR_ABC_POLISH, u"ABC/AĄBCĆaąbcć DEF/DEĘFdeęf GHI/GHIghi JKL/JKLŁjklł MNO/MNOÓmnoó PQRS/PQRSŚpqrsś TUV/TUVtuv "
                                  u"WXYZ/WXYZŹŻwxyzźż" },
    };
    runWithResources(vyx::vyxResources(), [&] {
        for (const Resource& resource : expected) {
            const HRSRC found = FindResource(nullptr, MAKEINTRESOURCE(static_cast<WORD>(resource.id)), u"ABC");
            if (!found) {
                ADD_FAILURE() << "no ABC resource " << resource.id;
                continue;
            }
            const DWORD size = SizeofResource(nullptr, found);
            const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
            const std::vector<BYTE> stored(bytes, bytes + size);
            std::vector<BYTE> wanted { 0xFF, 0xFE };
            const std::vector<BYTE> text = littleEndian(resource.text);
            wanted.insert(wanted.end(), text.begin(), text.end());
            EXPECT_EQ(stored, wanted) << resource.id;
        }
        return 0;
    });
}

TEST_F(AlphabetLoadTest, NoTypeSelectsThePolishAlphabet)
{
    for (DWORD type = 0; type <= 8; ++type) {
        for (const Groups& groups : { load({ .type = type }).vyxGroups, load({ .type = type }).serviceGroups }) {
            for (const std::u16string& group : groups)
                EXPECT_EQ(group.find(u'ą'), std::u16string::npos) << type;
        }
    }
}

// A module whose alphabet resources are damaged: 199 lacks the mark, 215 holds 3 bytes, 220 is
// missing, and 222 stands where no type looks. Every type then falls back to the Latin resource.
TEST_F(AlphabetLoadTest, DamagedResourcesFallBackToLatin)
{
    static constexpr std::array<std::byte, 6> latinBytes { std::byte { 0xFF }, std::byte { 0xFE }, std::byte { 'Q' }, std::byte { 0 },
                                                           std::byte { '/' }, std::byte { 0 } };
    static constexpr std::array<std::byte, 10> latinText { std::byte { 0xFF }, std::byte { 0xFE }, std::byte { 'L' }, std::byte { 0 },
                                                           std::byte { '/' }, std::byte { 0 }, std::byte { 'l' }, std::byte { 0 },
                                                           std::byte { 'x' }, std::byte { 0 } };
    static constexpr std::array<std::byte, 8> withoutMark { std::byte { 'C' }, std::byte { 0 }, std::byte { '/' }, std::byte { 0 },
                                                            std::byte { 'c' }, std::byte { 0 }, std::byte { 'y' }, std::byte { 0 } };
    static constexpr std::array<std::byte, 3> tooShort { std::byte { 0xFF }, std::byte { 0xFE }, std::byte { 'c' } };
    const platform::DataResource data[] {
        { u"ABC", keypad::IDR_ABC_LATIN, {}, latinText },
        { u"ABC", keypad::IDR_ABC_CYRILLIC, {}, withoutMark },
        { u"ABC", keypad::IDR_ABC_CYRILLIC_AND_LATIN, {}, tooShort },
        { u"ABC", 222, {}, latinBytes },
    };
    const platform::ModuleResources damaged { {}, data };
    for (const DWORD type : { 2u, 3u, 4u }) {
        const Loaded loaded = load({ .type = type }, damaged);
        EXPECT_EQ(loaded.vyxGroups, Groups { u"lx" }) << type;
        EXPECT_EQ(loaded.vyxCaptions, Groups { u"L" }) << type;
    }
    // A Latin resource holding no entry leaves Vyx without keys; the service keeps its own groups.
    const platform::DataResource emptyData[] { { u"ABC", keypad::IDR_ABC_LATIN, {}, latinBytes } };
    const Loaded empty = load({ .type = 1 }, platform::ModuleResources { {}, emptyData });
    EXPECT_TRUE(empty.vyxGroups.empty());
    EXPECT_EQ(empty.serviceGroups, latin);
}

}
