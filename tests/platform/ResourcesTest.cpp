// Program resources: strings loaded whole or cut to the caller's buffer, data resources found by number
// and by name, the module an instance names, and handles the resource functions refuse.
#include "tests/support/DeviceFixture.h"

#include "platform/api/ModuleResources.h"
#include "platform/api/WinResources.h"

#include <array>
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::u16string_view cycle = u"0123456789абвгд";
constexpr auto threeHundredCharacters = [] {
    std::array<char16_t, 300> text {};
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = cycle[i % cycle.size()];
    return text;
}();
constexpr std::u16string_view longText { threeHundredCharacters.data(), threeHundredCharacters.size() };
constexpr std::u16string_view exitWarning = u"Вы закрыли Vyx. Мы настоятельно рекомендуем закрыть все программы и сделать "
                                            u"мягкую перезагрузку(Soft Reset) Вашего устройства для нормальной работы "
                                            u"стандартного телефона.";

constexpr UINT titleId = 101;
constexpr UINT exitWarningId = 41295;
constexpr UINT longTextId = 500;
constexpr UINT missingId = 102;

constexpr std::string_view skinText = "[Skin]\r\nName=Built-in\r\n";
constexpr std::string_view alphabetText = "ABC/ABCabc DEF/DEFdef";
constexpr std::string_view namedText = "named resource";
constexpr std::string_view dialogText = "dialog template";

std::span<const std::byte> bytesOf(std::string_view text)
{
    return std::as_bytes(std::span(text.data(), text.size()));
}

const platform::StringResource vyxStrings[] {
    { titleId, u"Vyx" },
    { exitWarningId, exitWarning },
    { longTextId, longText },
};
const platform::DataResource vyxData[] {
    { u"INI", 439, {}, bytesOf(skinText) },
    { u"ABC", 198, {}, bytesOf(alphabetText) },
    { u"Abc", 0, u"Latin", bytesOf(namedText) },
    { u"#5", 172, {}, bytesOf(dialogText) },
};
const platform::ModuleResources vyxResources { vyxStrings, vyxData };

constexpr std::u16string_view otherTitle = u"Служба контактов";
const platform::StringResource otherStrings[] { { titleId, otherTitle } };
const platform::DataResource otherData[] { { u"INI", 439, {}, bytesOf("[Other]") } };
const platform::ModuleResources otherResources { otherStrings, otherData };

// What a LoadString call gave: its result, the text in the buffer, and whether it wrote past bufferMax.
struct Loaded {
    int result;
    std::u16string text;
    bool wroteBeyondBuffer;
    DWORD error;
};

constexpr char16_t untouched = u'#';

Loaded load(HINSTANCE instance, UINT id, int bufferMax)
{
    std::vector<char16_t> buffer(static_cast<std::size_t>(bufferMax) + 16, untouched);
    SetLastError(ERROR_SUCCESS);
    const int result = LoadString(instance, id, buffer.data(), bufferMax);
    const DWORD error = GetLastError();
    bool beyond = false;
    for (std::size_t i = static_cast<std::size_t>(bufferMax); i < buffer.size(); ++i)
        beyond = beyond || buffer[i] != untouched;
    return { result, std::u16string(buffer.data()), beyond, error };
}

// "bytes:<the resource's bytes>", or "error:<code>" from the first call that failed.
std::string findAndRead(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    const HRSRC found = FindResource(module, name, type);
    if (!found)
        return "error:" + std::to_string(GetLastError());
    const HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return "error:" + std::to_string(GetLastError());
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, found);
    EXPECT_FALSE(FreeResource(loaded));
    return "bytes:" + std::string(bytes, size);
}

std::string errorText(DWORD error)
{
    return "error:" + std::to_string(error);
}

class ResourcesTest : public testing_support::DeviceFixture {
protected:
    static constexpr const char16_t* programPath = u"\\Program Files\\Korvane Phone\\Vyx.exe";

    // Runs `body` as the main routine of a program carrying `resources`; returns its exit code.
    DWORD runWithResources(std::function<int()> body, const platform::ModuleResources* resources = &vyxResources)
    {
        device->installProgram(programPath, [body](HINSTANCE, const std::u16string&) { return body(); }, resources);
        const auto process = device->startProgram(programPath, u"");
        EXPECT_EQ(process->resources(), resources);
        const auto outcome = device->runUntil([&] { return process->finished(); }, std::nullopt);
        EXPECT_EQ(outcome, emu::RunOutcome::Done) << device->deadlockReport();
        return process->exitCode();
    }

    // Starts a second program with resources of its own, which waits until the device ends; its instance.
    HINSTANCE startOtherProgram()
    {
        device->installProgram(u"\\Windows\\PimServ.exe", [](HINSTANCE, const std::u16string&) {
            Sleep(INFINITE);
            return 0;
        }, &otherResources);
        return device->startProgram(u"PimServ", u"")->instance();
    }
};

struct LoadCase {
    const char* name;
    UINT id;
    int bufferMax;
    std::u16string_view expected;
};

TEST_F(ResourcesTest, StringsLoadWholeWhenTheyFitAndAreCutToTheBufferOtherwise)
{
    const std::vector<LoadCase> cases {
        { "short text", titleId, 256, u"Vyx" },
        { "Russian text", exitWarningId, 256, exitWarning },
        { "300 characters, room to spare", longTextId, 1024, longText },
        { "300 characters, exact fit", longTextId, 301, longText },
        { "300 characters, one short", longTextId, 300, longText.substr(0, 299) },
        { "300 characters into 256", longTextId, 256, longText.substr(0, 255) },
        { "buffer of two", longTextId, 2, longText.substr(0, 1) },
        { "buffer of one holds the NUL alone", titleId, 1, u"" },
        { "missing string", missingId, 256, u"" },
    };
    std::vector<Loaded> results;
    runWithResources([&] {
        for (const LoadCase& loadCase : cases)
            results.push_back(load(nullptr, loadCase.id, loadCase.bufferMax));
        return 0;
    });
    ASSERT_EQ(results.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(results[i].result, static_cast<int>(cases[i].expected.size()));
        EXPECT_EQ(results[i].text, cases[i].expected);
        EXPECT_FALSE(results[i].wroteBeyondBuffer);
    }
    EXPECT_EQ(results.back().error, ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST_F(ResourcesTest, AnInstanceNamesTheModuleWhoseResourcesAreRead)
{
    const HINSTANCE other = startOtherProgram();
    const HINSTANCE stranger = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x7777) << 16);
    std::vector<Loaded> results;
    std::vector<std::string> found;
    runWithResources([&] {
        results.push_back(load(nullptr, titleId, 256));
        results.push_back(load(GetModuleHandle(nullptr), titleId, 256));
        results.push_back(load(other, titleId, 256));
        results.push_back(load(stranger, titleId, 256));
        found.push_back(findAndRead(nullptr, MAKEINTRESOURCE(439), u"INI"));
        found.push_back(findAndRead(other, MAKEINTRESOURCE(439), u"INI"));
        found.push_back(findAndRead(stranger, MAKEINTRESOURCE(439), u"INI"));
        return 0;
    });
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].text, u"Vyx");
    EXPECT_EQ(results[1].text, u"Vyx");
    EXPECT_EQ(results[2].text, otherTitle);
    EXPECT_EQ(results[2].result, static_cast<int>(otherTitle.size()));
    EXPECT_EQ(results[3].result, 0);
    EXPECT_EQ(results[3].text, u"");
    EXPECT_EQ(results[3].error, ERROR_INVALID_HANDLE);
    EXPECT_EQ(found, (std::vector<std::string> { "bytes:" + std::string(skinText), "bytes:[Other]", errorText(ERROR_INVALID_HANDLE) }));
}

TEST_F(ResourcesTest, AProgramWithoutResourcesFindsNone)
{
    Loaded loaded {};
    std::string found;
    runProgram([&] {
        loaded = load(nullptr, titleId, 256);
        found = findAndRead(nullptr, MAKEINTRESOURCE(439), u"INI");
        return 0;
    });
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.text, u"");
    EXPECT_EQ(loaded.error, ERROR_RESOURCE_DATA_NOT_FOUND);
    EXPECT_EQ(found, errorText(ERROR_RESOURCE_DATA_NOT_FOUND));
}

struct FindCase {
    const char* name;
    LPCWSTR resourceName;
    LPCWSTR type;
    std::string expected;
};

TEST_F(ResourcesTest, DataResourcesAreFoundByNumberOrNameAndTypesIgnoreCase)
{
    const std::string skin = "bytes:" + std::string(skinText);
    const std::vector<FindCase> cases {
        { "number and type", MAKEINTRESOURCE(439), u"INI", skin },
        { "type in another case", MAKEINTRESOURCE(439), u"ini", skin },
        { "number written as #439", u"#439", u"INI", skin },
        { "another type", MAKEINTRESOURCE(198), u"abc", "bytes:" + std::string(alphabetText) },
        { "by name, in another case", u"LATIN", u"ABC", "bytes:" + std::string(namedText) },
        { "numbered type", MAKEINTRESOURCE(172), MAKEINTRESOURCE(5), "bytes:" + std::string(dialogText) },
        { "numbered type written as #5", MAKEINTRESOURCE(172), u"#5", "bytes:" + std::string(dialogText) },
        { "a name is not a number", u"439", u"INI", errorText(ERROR_RESOURCE_NAME_NOT_FOUND) },
        { "number of another type", MAKEINTRESOURCE(198), u"INI", errorText(ERROR_RESOURCE_NAME_NOT_FOUND) },
        { "missing type", MAKEINTRESOURCE(439), u"BMP", errorText(ERROR_RESOURCE_TYPE_NOT_FOUND) },
    };
    std::vector<std::string> results;
    runWithResources([&] {
        for (const FindCase& findCase : cases)
            results.push_back(findAndRead(nullptr, findCase.resourceName, findCase.type));
        return 0;
    });
    ASSERT_EQ(results.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(results[i], cases[i].expected) << cases[i].name;
}

TEST_F(ResourcesTest, HandlesTheModuleDidNotGiveAreRefused)
{
    struct Refusal {
        DWORD size;
        HGLOBAL loaded;
        DWORD error;
    };
    std::vector<Refusal> refusals;
    const void* lockedAt = nullptr;
    runWithResources([&] {
        const auto place = [](std::uintptr_t value) { return reinterpret_cast<HRSRC>(value); };
        for (const HRSRC handle : { place(0), place(std::size(vyxData) + 1), place(0xFFFF) }) {
            const DWORD size = SizeofResource(nullptr, handle);
            const HGLOBAL loaded = LoadResource(nullptr, handle);
            refusals.push_back({ size, loaded, GetLastError() });
        }
        lockedAt = LockResource(LoadResource(nullptr, FindResource(nullptr, MAKEINTRESOURCE(439), u"INI")));
        return 0;
    });
    ASSERT_EQ(refusals.size(), 3u);
    for (const Refusal& refusal : refusals) {
        EXPECT_EQ(refusal.size, 0u);
        EXPECT_EQ(refusal.loaded, nullptr);
        EXPECT_EQ(refusal.error, ERROR_INVALID_HANDLE);
    }
    // The data is read where the program keeps it, not copied.
    EXPECT_EQ(lockedAt, skinText.data());
}

}
