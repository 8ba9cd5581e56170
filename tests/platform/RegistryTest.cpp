// The device registry: value types and sizes, the size-query protocol, key and value names without
// regard to case, paths, enumeration order, the delete rules, handles of deleted keys, the registry
// file across devices on one folder (and a damaged one), change notifications to windows, and a
// writer killed at random points that must leave the old file or the new one, whole.
#include "platform/api/RegExt.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "platform/emu/Registry.h"
#include "platform/emu/RegistryData.h"
#include "platform/emu/RegistryFile.h"
#include "platform/emu/Text.h"
#include "platform/emu/WindowManager.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "tests/support/TempFolder.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <random>
#include <span>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using testing_support::caseName;
using testing_support::createScriptedWindow;
using testing_support::MessageHandler;
using testing_support::registerScriptedClass;

namespace {

constexpr const char16_t* phoneState = u"System\\State\\Phone";
constexpr const char16_t* missedCalls = u"Missed Call Count";

struct StoredValue {
    DWORD type;
    std::vector<BYTE> data;
    bool operator==(const StoredValue&) const = default;
    friend void PrintTo(const StoredValue& value, std::ostream* out)
    {
        *out << "type " << value.type << " bytes";
        for (const BYTE byte : value.data)
            *out << ' ' << static_cast<int>(byte);
    }
};

std::vector<BYTE> dwordBytes(DWORD value)
{
    return { static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24) };
}

// UTF-16 little-endian units, as the device stores text; the NUL is for the caller to add.
std::vector<BYTE> unitBytes(std::u16string_view text)
{
    std::vector<BYTE> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
}

HKEY createKey(HKEY root, LPCWSTR path, DWORD* disposition = nullptr)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(root, path, 0, nullptr, 0, 0, nullptr, &key, disposition), static_cast<LONG>(ERROR_SUCCESS));
    return key;
}

// Opens the key; the error of the open when it fails.
std::optional<HKEY> openKey(HKEY root, LPCWSTR path, LONG* error = nullptr)
{
    HKEY key = nullptr;
    const LONG result = RegOpenKeyEx(root, path, 0, 0, &key);
    if (error)
        *error = result;
    if (result != ERROR_SUCCESS)
        return std::nullopt;
    return key;
}

LONG setValue(HKEY key, LPCWSTR name, DWORD type, const std::vector<BYTE>& data)
{
    return RegSetValueEx(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

LONG setDword(HKEY key, LPCWSTR name, DWORD value)
{
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// Reads a value as programs do: the size first, then the bytes into a buffer of that size.
std::optional<StoredValue> readValue(HKEY key, LPCWSTR name, LONG* error = nullptr)
{
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG result = RegQueryValueEx(key, name, nullptr, &type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        std::vector<BYTE> data(size + 1, 0xCC);
        DWORD got = size;
        result = RegQueryValueEx(key, name, nullptr, &type, data.data(), &got);
        if (result == ERROR_SUCCESS) {
            EXPECT_EQ(got, size);
            EXPECT_EQ(data[size], 0xCC) << "written past the size it reported";
            data.resize(size);
            return StoredValue { type, std::move(data) };
        }
    }
    if (error)
        *error = result;
    return std::nullopt;
}

// A name as the dumps show it: characters outside printable ASCII as \uHHHH.
std::string printable(std::u16string_view name)
{
    std::string out;
    for (const char16_t unit : name) {
        if (unit >= 0x20 && unit < 0x7F) {
            out += static_cast<char>(unit);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(unit));
            out += escape;
        }
    }
    return out;
}

// Everything under a key through the enumeration functions: values first, then the subkeys, each
// with its own content indented below it.
void dumpKey(HKEY key, const std::string& indent, std::string& out)
{
    for (DWORD i = 0;; ++i) {
        WCHAR name[300] = {};
        DWORD length = 300;
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (RegEnumValue(key, i, name, &length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(size);
        length = 300;
        EXPECT_EQ(RegEnumValue(key, i, name, &length, nullptr, &type, data.data(), &size), static_cast<LONG>(ERROR_SUCCESS));
        out += indent + printable(name) + " = " + std::to_string(type) + ":";
        for (const BYTE byte : data)
            out += " " + std::to_string(byte);
        out += "\n";
    }
    for (DWORD i = 0;; ++i) {
        WCHAR name[300] = {};
        DWORD length = 300;
        if (RegEnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        out += indent + "[" + printable(name) + "]\n";
        const auto subkey = openKey(key, name);
        ASSERT_TRUE(subkey);
        dumpKey(*subkey, indent + "  ", out);
        RegCloseKey(*subkey);
    }
}

std::string dumpRoots()
{
    std::string out;
    for (const HKEY root : { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE }) {
        out += root == HKEY_CURRENT_USER ? "HKCU\n" : "HKLM\n";
        dumpKey(root, "  ", out);
    }
    return out;
}

// The names RegEnumKeyEx gives, in order.
std::vector<std::u16string> subkeyNames(HKEY key)
{
    std::vector<std::u16string> names;
    WCHAR name[300];
    DWORD length = 300;
    for (DWORD i = 0; RegEnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i, length = 300)
        names.emplace_back(name, length);
    return names;
}

std::vector<std::u16string> valueNames(HKEY key)
{
    std::vector<std::u16string> names;
    WCHAR name[300];
    DWORD length = 300;
    for (DWORD i = 0; RegEnumValue(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i, length = 300)
        names.emplace_back(name, length);
    return names;
}

class RegistryTest : public testing_support::DeviceFixture {
protected:
    // Runs `body` as the main routine of a program on the device; a failed ASSERT ends it early.
    void onDevice(const std::function<void()>& body)
    {
        runProgram([&] {
            body();
            return 0;
        });
    }

    std::filesystem::path registryFile() const { return folder() / ".devemu" / "registry"; }

    std::string hostText(const std::filesystem::path& file) const
    {
        std::ifstream in(file, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }
};

// ---- Types and sizes

struct ValueCase {
    const char* name;
    friend void PrintTo(const ValueCase& tested, std::ostream* out) { *out << tested.name; }
    DWORD type;
    std::vector<BYTE> data;
};

class RegistryValueTest
    : public RegistryTest
    , public ::testing::WithParamInterface<ValueCase> { };

TEST_P(RegistryValueTest, ValueKeepsItsTypeAndBytesHereAndOnTheNextDevice)
{
    const ValueCase& param = GetParam();
    const StoredValue expected { param.type, param.data };
    onDevice([&] {
        const HKEY key = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\Settings");
        ASSERT_EQ(setValue(key, u"Tested", param.type, param.data), static_cast<LONG>(ERROR_SUCCESS));
        DWORD type = REG_NONE;
        DWORD size = 12345;
        ASSERT_EQ(RegQueryValueEx(key, u"Tested", nullptr, &type, nullptr, &size), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(type, param.type);
        EXPECT_EQ(size, param.data.size());
        EXPECT_EQ(readValue(key, u"Tested"), expected);
        RegFlushKey(key);
        RegCloseKey(key);
    });
    resetDevice({});
    onDevice([&] {
        const auto key = openKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\Settings");
        ASSERT_TRUE(key);
        EXPECT_EQ(readValue(*key, u"Tested"), expected);
        RegCloseKey(*key);
    });
}

std::vector<BYTE> textWithNul(std::u16string_view text)
{
    auto bytes = unitBytes(text);
    bytes.insert(bytes.end(), { 0, 0 });
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(Types, RegistryValueTest,
    ::testing::Values(
        ValueCase { "Dword", REG_DWORD, dwordBytes(0x89ABCDEF) },
        ValueCase { "Qword", REG_QWORD, { 0x00, 0x00, 0x4C, 0x5E, 0x8B, 0x2A, 0xDC, 0x01 } },
        ValueCase { "Text", REG_SZ, textWithNul(u"\\Skins\\Синий.skn") },
        ValueCase { "EmptyText", REG_SZ, { 0, 0 } },
        ValueCase { "TextWithQuotesPercentAndLineBreak", REG_SZ, textWithNul(u"a \"b\" 100% c\r\nd") },
        ValueCase { "TextWithALoneSurrogate", REG_SZ, textWithNul(std::u16string_view(u"x\xD800y", 3)) },
        ValueCase { "TextWithANulInside", REG_SZ, textWithNul(std::u16string_view(u"ab\0cd", 5)) },
        ValueCase { "TextWithoutItsNul", REG_SZ, unitBytes(u"abc") },
        ValueCase { "TextOfOddSize", REG_SZ, { 'a', 0, 'b' } },
        ValueCase { "ListOfTexts", REG_MULTI_SZ, textWithNul(std::u16string_view(u"one\0two\0", 8)) },
        ValueCase { "Binary", REG_BINARY, { 0x01, 0xFF, 0x0A, 0x00 } },
        ValueCase { "EmptyBinary", REG_BINARY, {} },
        ValueCase { "DwordOfTwoBytes", REG_DWORD, { 0x05, 0x00 } },
        ValueCase { "TypeTheDeviceDoesNotName", 0x1234, { 9, 8, 7 } }),
    caseName<ValueCase>);

// ---- Reading values

TEST_F(RegistryTest, QueryTellsTheSizeAndRefusesABufferTooSmall)
{
    onDevice([] {
        const HKEY key = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\SmsText");
        ASSERT_EQ(setValue(key, u"Text1", REG_SZ, textWithNul(u"Call you back")), static_cast<LONG>(ERROR_SUCCESS));
        const DWORD stored = 28;

        // Without a buffer: the type and the size, the NUL counted.
        DWORD type = REG_NONE;
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueEx(key, u"Text1", nullptr, &type, nullptr, &size), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(size, stored);

        // One byte short: nothing is written, and the size needed comes back.
        std::vector<BYTE> buffer(stored, 0xCC);
        size = stored - 1;
        type = REG_NONE;
        EXPECT_EQ(RegQueryValueEx(key, u"Text1", nullptr, &type, buffer.data(), &size), static_cast<LONG>(ERROR_MORE_DATA));
        EXPECT_EQ(size, stored);
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(buffer, std::vector<BYTE>(stored, 0xCC));

        // A buffer larger than needed takes the value and learns its size.
        buffer.assign(40, 0xCC);
        size = 40;
        EXPECT_EQ(RegQueryValueEx(key, u"Text1", nullptr, nullptr, buffer.data(), &size), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(size, stored);
        EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + stored), textWithNul(u"Call you back"));

        // A buffer without its size.
        EXPECT_EQ(RegQueryValueEx(key, u"Text1", nullptr, nullptr, buffer.data(), nullptr), static_cast<LONG>(ERROR_INVALID_PARAMETER));
        RegCloseKey(key);
    });
}

TEST_F(RegistryTest, MissingValuesAndTheDefaultValue)
{
    onDevice([] {
        const HKEY key = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\Settings");
        LONG error = 0;
        EXPECT_FALSE(readValue(key, u"Nothing", &error));
        EXPECT_EQ(error, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(RegDeleteValue(key, u"Nothing"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));

        // The null name and the empty one are the same value, the key's default.
        ASSERT_EQ(setDword(key, nullptr, 42), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(readValue(key, u""), (StoredValue { REG_DWORD, dwordBytes(42) }));
        EXPECT_EQ(valueNames(key), std::vector<std::u16string> { u"" });
        EXPECT_EQ(RegDeleteValue(key, u""), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_FALSE(readValue(key, nullptr));

        const BYTE none = 0;
        EXPECT_EQ(RegSetValueEx(key, u"Bad", 0, REG_BINARY, nullptr, 4), static_cast<LONG>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(RegSetValueEx(key, u"Empty", 0, REG_BINARY, &none, 0), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(readValue(key, u"Empty"), (StoredValue { REG_BINARY, {} }));
        RegCloseKey(key);
    });
}

TEST_F(RegistryTest, ValueNamesIgnoreCaseAndKeepTheCaseTheyWereMadeWith)
{
    onDevice([] {
        const HKEY key = createKey(HKEY_CURRENT_USER, u"ControlPanel\\Volume");
        ASSERT_EQ(setDword(key, u"Ringer", 1), static_cast<LONG>(ERROR_SUCCESS));
        ASSERT_EQ(setDword(key, u"RINGER", 2), static_cast<LONG>(ERROR_SUCCESS));
        ASSERT_EQ(setDword(key, u"Громкость", 3), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(valueNames(key), (std::vector<std::u16string> { u"Ringer", u"Громкость" }));
        EXPECT_EQ(readValue(key, u"ringer"), (StoredValue { REG_DWORD, dwordBytes(2) }));
        EXPECT_EQ(readValue(key, u"ГРОМКОСТЬ"), (StoredValue { REG_DWORD, dwordBytes(3) }));
        EXPECT_EQ(RegDeleteValue(key, u"rInGeR"), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(valueNames(key), std::vector<std::u16string> { u"Громкость" });
        RegCloseKey(key);
    });
}

// ---- Keys and paths

TEST_F(RegistryTest, CreateMakesTheMissingKeysAndSaysWhetherItMadeTheLast)
{
    onDevice([] {
        DWORD disposition = 0;
        const HKEY made = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\Settings", &disposition);
        EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
        const HKEY again = createKey(HKEY_CURRENT_USER, u"software\\KORVANE\\pim\\settings", &disposition);
        EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
        // Both handles name the same key.
        ASSERT_EQ(setDword(made, u"RecallDelay", 5), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(readValue(again, u"RecallDelay"), (StoredValue { REG_DWORD, dwordBytes(5) }));
        EXPECT_NE(made, again);

        const HKEY parent = createKey(HKEY_CURRENT_USER, u"Software\\Korvane", &disposition);
        EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
        EXPECT_EQ(subkeyNames(parent), std::vector<std::u16string> { u"PIM" });
        const HKEY child = createKey(parent, u"PIM\\CatFilter", &disposition);
        EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
        for (const HKEY key : { made, again, parent, child })
            EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_SUCCESS));
    });
}

TEST_F(RegistryTest, OpenFindsKeysWithoutRegardToCaseAndNamesKeepTheirCase)
{
    onDevice([] {
        RegCloseKey(createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\Profiler\\Profiles"));
        LONG error = 0;
        const auto opened = openKey(HKEY_CURRENT_USER, u"SOFTWARE\\korvane\\Pim\\PROFILER", &error);
        ASSERT_TRUE(opened) << error;
        EXPECT_EQ(subkeyNames(*opened), std::vector<std::u16string> { u"Profiles" });
        RegCloseKey(*opened);

        HKEY missing = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Korvane\\Nothing", 0, 0, &missing), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(missing, nullptr);
        // The same path under the other root is another key.
        EXPECT_FALSE(openKey(HKEY_LOCAL_MACHINE, u"Software\\Korvane", &error));
        EXPECT_EQ(error, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    });
}

TEST_F(RegistryTest, EmptyStepsOfAPathArePassedOver)
{
    onDevice([] {
        // The profile switcher's "\\Profiler\\Current" after "Software\\Korvane\\PIM\\".
        const HKEY current = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\\\Profiler\\Current");
        ASSERT_EQ(setDword(current, u"Index", 2), static_cast<LONG>(ERROR_SUCCESS));
        RegCloseKey(current);
        for (const char16_t* path : { u"Software\\Korvane\\PIM\\Profiler\\Current", u"\\Software\\Korvane\\PIM\\Profiler\\Current\\" }) {
            SCOPED_TRACE(printable(path));
            const auto key = openKey(HKEY_CURRENT_USER, path);
            ASSERT_TRUE(key);
            EXPECT_EQ(readValue(*key, u"Index"), (StoredValue { REG_DWORD, dwordBytes(2) }));
            RegCloseKey(*key);
        }
        const auto pim = openKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM");
        ASSERT_TRUE(pim);
        EXPECT_EQ(subkeyNames(*pim), std::vector<std::u16string> { u"Profiler" });
        // An empty path opens the key itself.
        const auto same = openKey(*pim, u"");
        ASSERT_TRUE(same);
        EXPECT_EQ(subkeyNames(*same), std::vector<std::u16string> { u"Profiler" });
        RegCloseKey(*same);
        RegCloseKey(*pim);
    });
}

TEST_F(RegistryTest, KeyNamesAreAtMost255Characters)
{
    onDevice([] {
        const std::u16string longest(255, u'k');
        const std::u16string tooLong(256, u'k');
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, (u"Software\\" + tooLong).c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
                  static_cast<LONG>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(key, nullptr);
        EXPECT_FALSE(openKey(HKEY_CURRENT_USER, u"Software"));
        key = createKey(HKEY_CURRENT_USER, (u"Software\\" + longest).c_str());
        ASSERT_NE(key, nullptr);
        RegCloseKey(key);
    });
}

TEST_F(RegistryTest, HandlesAreGoodUntilClosedAndRootsNeedNoClosing)
{
    onDevice([] {
        const HKEY key = createKey(HKEY_CURRENT_USER, u"Software");
        EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(setDword(key, u"Late", 1), static_cast<LONG>(ERROR_INVALID_HANDLE));
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueEx(key, u"Late", nullptr, nullptr, nullptr, &size), static_cast<LONG>(ERROR_INVALID_HANDLE));
        const HKEY never = reinterpret_cast<HKEY>(0x7777);
        EXPECT_EQ(RegFlushKey(never), static_cast<LONG>(ERROR_INVALID_HANDLE));

        EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(setDword(HKEY_CURRENT_USER, u"AtTheRoot", 1), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(readValue(HKEY_CURRENT_USER, u"AtTheRoot"), (StoredValue { REG_DWORD, dwordBytes(1) }));
        EXPECT_FALSE(readValue(HKEY_LOCAL_MACHINE, u"AtTheRoot"));
    });
}

// ---- Enumeration

TEST_F(RegistryTest, SubkeysComeInTheOrderOfTheirNamesAndValuesInTheOrderTheyWereMade)
{
    onDevice([] {
        const HKEY key = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\Ringtone");
        for (const char16_t* name : { u"beta", u"Alpha", u"gamma", u"ALPHA2", u"Бета", u"alpha1" })
            RegCloseKey(createKey(key, name));
        for (const char16_t* name : { u"zeta", u"Alpha", u"mu" })
            ASSERT_EQ(setDword(key, name, 1), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(subkeyNames(key), (std::vector<std::u16string> { u"Alpha", u"alpha1", u"ALPHA2", u"beta", u"gamma", u"Бета" }));
        EXPECT_EQ(valueNames(key), (std::vector<std::u16string> { u"zeta", u"Alpha", u"mu" }));

        // A value set again keeps its place.
        ASSERT_EQ(setDword(key, u"ZETA", 2), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(valueNames(key), (std::vector<std::u16string> { u"zeta", u"Alpha", u"mu" }));

        WCHAR name[16];
        DWORD length = 16;
        EXPECT_EQ(RegEnumKeyEx(key, 6, name, &length, nullptr, nullptr, nullptr, nullptr), static_cast<LONG>(ERROR_NO_MORE_ITEMS));
        length = 16;
        EXPECT_EQ(RegEnumValue(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr), static_cast<LONG>(ERROR_NO_MORE_ITEMS));
        RegCloseKey(key);
    });
}

TEST_F(RegistryTest, EnumerationHandsOutNamesTypesAndData)
{
    onDevice([] {
        const HKEY key = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\ABC");
        RegCloseKey(createKey(key, u"Latin"));
        ASSERT_EQ(setValue(key, u"Key2", REG_SZ, textWithNul(u"abc")), static_cast<LONG>(ERROR_SUCCESS));

        // The name's length counts the NUL going in and leaves it out coming back.
        WCHAR name[8] = {};
        DWORD length = 5;
        EXPECT_EQ(RegEnumKeyEx(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), static_cast<LONG>(ERROR_MORE_DATA));
        length = 6;
        WCHAR keyClass[4] = { u'x', u'x', 0, 0 };
        DWORD classLength = 4;
        FILETIME written { 7, 7 };
        EXPECT_EQ(RegEnumKeyEx(key, 0, name, &length, nullptr, keyClass, &classLength, &written), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(std::u16string(name), u"Latin");
        EXPECT_EQ(length, 5u);
        EXPECT_EQ(keyClass[0], 0);
        EXPECT_EQ(classLength, 0u);
        EXPECT_EQ(written.dwLowDateTime | written.dwHighDateTime, 0u);

        length = 4;
        DWORD type = REG_NONE;
        DWORD size = 0;
        EXPECT_EQ(RegEnumValue(key, 0, name, &length, nullptr, &type, nullptr, &size), static_cast<LONG>(ERROR_MORE_DATA));
        length = 5;
        EXPECT_EQ(RegEnumValue(key, 0, name, &length, nullptr, &type, nullptr, &size), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(std::u16string(name), u"Key2");
        EXPECT_EQ(length, 4u);
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(size, 8u);

        BYTE data[8] = {};
        size = 7;
        length = 5;
        EXPECT_EQ(RegEnumValue(key, 0, name, &length, nullptr, &type, data, &size), static_cast<LONG>(ERROR_MORE_DATA));
        EXPECT_EQ(size, 8u);
        length = 5;
        EXPECT_EQ(RegEnumValue(key, 0, name, &length, nullptr, &type, data, &size), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(std::vector<BYTE>(data, data + 8), textWithNul(u"abc"));
        RegCloseKey(key);
    });
}

// ---- Deleting

TEST_F(RegistryTest, DeleteKeyRefusesAKeyThatHasSubkeys)
{
    onDevice([] {
        RegCloseKey(createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\Profiler\\Profiles"));
        const auto pim = openKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM");
        ASSERT_TRUE(pim);
        EXPECT_EQ(RegDeleteKey(*pim, u"Profiler"), static_cast<LONG>(ERROR_ACCESS_DENIED));
        EXPECT_TRUE(openKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\Profiler\\Profiles"));

        // Two steps below: only the last one goes.
        EXPECT_EQ(RegDeleteKey(*pim, u"profiler\\PROFILES"), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(subkeyNames(*pim), std::vector<std::u16string> { u"Profiler" });
        EXPECT_EQ(RegDeleteKey(*pim, u"Profiler"), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_TRUE(subkeyNames(*pim).empty());
        EXPECT_EQ(RegDeleteKey(*pim, u"Profiler"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
        RegCloseKey(*pim);
    });
}

TEST_F(RegistryTest, DeletedKeyTakesItsValuesAndItsHandlesLearnItIsGone)
{
    onDevice([] {
        const HKEY filter = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\CatFilter");
        ASSERT_EQ(setDword(filter, u"All", 3), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\CatFilter"), static_cast<LONG>(ERROR_SUCCESS));

        DWORD size = 0;
        EXPECT_EQ(RegQueryValueEx(filter, u"All", nullptr, nullptr, nullptr, &size), static_cast<LONG>(ERROR_KEY_DELETED));
        EXPECT_EQ(setDword(filter, u"All", 4), static_cast<LONG>(ERROR_KEY_DELETED));
        HKEY below = nullptr;
        EXPECT_EQ(RegCreateKeyEx(filter, u"Below", 0, nullptr, 0, 0, nullptr, &below, nullptr), static_cast<LONG>(ERROR_KEY_DELETED));
        EXPECT_EQ(RegCloseKey(filter), static_cast<LONG>(ERROR_SUCCESS));

        // Made again, the key starts empty.
        DWORD disposition = 0;
        const HKEY again = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\CatFilter", &disposition);
        EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
        EXPECT_TRUE(valueNames(again).empty());
        RegCloseKey(again);
    });
}

// ---- The registry file

TEST_F(RegistryTest, ContentSurvivesANewDeviceOnTheSameFolder)
{
    std::string before;
    onDevice([&] {
        const HKEY settings = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\Settings");
        setDword(settings, u"RecallDelay", 5);
        setValue(settings, u"SkinPath", REG_SZ, textWithNul(u"\\Skins\\Blue.skn"));
        setValue(settings, u"Name with \"quotes\", 100% and =", REG_BINARY, { 1, 2, 3 });
        setValue(settings, std::u16string(u"tab\there\x0001").c_str(), REG_SZ, textWithNul(u"Привет, мир 😀"));
        RegCloseKey(createKey(settings, u"Empty key [with] brackets"));
        RegCloseKey(createKey(settings, u"100% \"odd\" key"));
        RegCloseKey(settings);
        const HKEY machine = createKey(HKEY_LOCAL_MACHINE, u"Services\\KorvanePimServ");
        setDword(machine, u"Index", 0);
        setDword(machine, nullptr, 7);
        RegCloseKey(machine);
        before = dumpRoots();
    });
    // Written when the device goes away, without a flush.
    resetDevice({});
    std::string after;
    onDevice([&] { after = dumpRoots(); });
    EXPECT_EQ(after, before);
    EXPECT_NE(before.find("RecallDelay"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(registryFile().string() + ".new"));
}

TEST_F(RegistryTest, FlushWritesTheFileAtOnce)
{
    onDevice([&] {
        const HKEY key = createKey(HKEY_CURRENT_USER, u"Software\\Korvane\\PIM\\Settings");
        setDword(key, u"VYX_Silent", 1);
        EXPECT_FALSE(std::filesystem::exists(registryFile()));
        EXPECT_EQ(RegFlushKey(key), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_NE(hostText(registryFile()).find("\"VYX_Silent\"=dword:00000001\n"), std::string::npos) << hostText(registryFile());
        RegCloseKey(key);
    });
    EXPECT_EQ(hostText(registryFile()),
              "Korvane device registry 1\n"
              "[HKEY_CURRENT_USER]\n"
              "[HKEY_CURRENT_USER\\Software]\n"
              "[HKEY_CURRENT_USER\\Software\\Korvane]\n"
              "[HKEY_CURRENT_USER\\Software\\Korvane\\PIM]\n"
              "[HKEY_CURRENT_USER\\Software\\Korvane\\PIM\\Settings]\n"
              "\"VYX_Silent\"=dword:00000001\n"
              "[HKEY_LOCAL_MACHINE]\n"
              "end\n");
}

struct DamageCase {
    const char* name;
    friend void PrintTo(const DamageCase& tested, std::ostream* out) { *out << tested.name; }
    const char* text;
    // What the report says after "FILE:".
    const char* report;
};

class RegistryDamageTest
    : public RegistryTest
    , public ::testing::WithParamInterface<DamageCase> { };

TEST_P(RegistryDamageTest, DamagedFileIsReportedAndPutAsideAndTheDeviceStartsEmpty)
{
    const DamageCase& param = GetParam();
    std::filesystem::create_directories(registryFile().parent_path());
    std::ofstream(registryFile(), std::ios::binary) << param.text;
    resetDevice({});

    const std::string report = "registry damaged: " + registryFile().string() + ":" + param.report;
    EXPECT_NE(transcript().find(report), std::string::npos) << transcript();
    EXPECT_NE(transcript().find("the damaged file is kept as " + registryFile().string() + ".damaged"), std::string::npos);
    EXPECT_EQ(hostText(registryFile().string() + ".damaged"), param.text);
    EXPECT_FALSE(std::filesystem::exists(registryFile()));
    onDevice([] {
        EXPECT_FALSE(openKey(HKEY_CURRENT_USER, u"Software"));
        const HKEY key = createKey(HKEY_CURRENT_USER, u"Software\\Fresh");
        EXPECT_EQ(RegFlushKey(key), static_cast<LONG>(ERROR_SUCCESS));
        RegCloseKey(key);
    });
    EXPECT_NE(hostText(registryFile()).find("[HKEY_CURRENT_USER\\Software\\Fresh]"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Damages, RegistryDamageTest,
    ::testing::Values(
        DamageCase { "NotARegistryFile", "PK\x03\x04 zip?\n", "1: not a registry file" },
        DamageCase { "EmptyFile", "", "1: the file is empty" },
        DamageCase { "CutShort", "Korvane device registry 1\n[HKEY_CURRENT_USER\\Software]\n\"A\"=dword:00000001\n",
            "3: the file ends without its closing \"end\" line" },
        DamageCase { "BadDword", "Korvane device registry 1\n[HKEY_CURRENT_USER\\Software]\n\"A\"=dword:12345678x\nend\n",
            "3: bad dword 12345678x for the value \"A\"" },
        DamageCase { "UnknownType", "Korvane device registry 1\n[HKEY_CURRENT_USER]\n\"A\"=float:1.5\nend\n",
            "3: unknown value type float for the value \"A\"" },
        DamageCase { "ValueBeforeAnyKey", "Korvane device registry 1\n\"A\"=dword:1\nend\n", "2: a value before the first [KEY] line" },
        DamageCase { "UnknownRoot", "Korvane device registry 1\n[HKEY_CLASSES_ROOT\\x]\nend\n", "2: unknown root key HKEY_CLASSES_ROOT" },
        DamageCase { "EmptyKeyName", "Korvane device registry 1\n[HKEY_CURRENT_USER\\a\\\\b]\nend\n", "2: bad key name \"\"" },
        DamageCase { "BadEscape", "Korvane device registry 1\n[HKEY_CURRENT_USER]\n\"A%12\"=dword:1\nend\n", "3: bad value name" },
        DamageCase { "BadBytes", "Korvane device registry 1\n[HKEY_CURRENT_USER]\n\"A\"=binary:1,02\nend\n",
            "3: bad bytes 1,02 for the value \"A\"" },
        DamageCase { "TextAfterTheEnd", "Korvane device registry 1\nend\n[HKEY_CURRENT_USER]\n", "3: text after the closing \"end\" line" }),
    caseName<DamageCase>);

// ---- Change notifications

constexpr UINT missedCountChanged = WM_USER + 109;

// The notifications waiting in the calling thread's queue, as "wParam/lParam", taken from the queue.
std::vector<std::string> takeNotifications()
{
    std::vector<std::string> seen;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == missedCountChanged)
            seen.push_back(std::to_string(msg.wParam) + "/" + std::to_string(msg.lParam));
    }
    return seen;
}

HWND createPlainWindow(MessageHandler& handler)
{
    registerScriptedClass();
    return createScriptedWindow(handler, {});
}

TEST_F(RegistryTest, NotificationFollowsTheWatchedValueAndNothingElse)
{
    struct Step {
        const char* what;
        std::function<void(HKEY)> change;
        std::vector<std::string> posted;
    };
    onDevice([] {
        MessageHandler none;
        const HWND window = createPlainWindow(none);
        HREGNOTIFY notify = nullptr;
        ASSERT_EQ(RegistryNotifyWindow(HKEY_CURRENT_USER, phoneState, missedCalls, window, missedCountChanged, 1, nullptr, &notify), S_OK);
        const HKEY state = createKey(HKEY_CURRENT_USER, phoneState);
        const Step steps[] = {
            { "made", [](HKEY key) { setDword(key, missedCalls, 3); }, { "1/3" } },
            { "set to the same value", [](HKEY key) { setDword(key, missedCalls, 3); }, {} },
            { "set under another case of its name", [](HKEY key) { setDword(key, u"MISSED call COUNT", 4); }, { "1/4" } },
            { "the largest DWORD", [](HKEY key) { setDword(key, missedCalls, 0xFFFFFFFF); }, { "1/4294967295" } },
            { "another value", [](HKEY key) { setDword(key, u"Missed Call Count 2", 9); }, {} },
            { "the same name under the other root",
                [](HKEY) {
                    const HKEY machine = createKey(HKEY_LOCAL_MACHINE, phoneState);
                    setDword(machine, missedCalls, 9);
                    RegCloseKey(machine);
                },
                {} },
            { "the same name in a subkey",
                [](HKEY key) {
                    const HKEY below = createKey(key, u"Below");
                    setDword(below, missedCalls, 9);
                    RegCloseKey(below);
                },
                {} },
            { "set as text", [](HKEY key) { setValue(key, missedCalls, REG_SZ, textWithNul(u"5")); }, { "1/0" } },
            { "set as a DWORD of two bytes", [](HKEY key) { setValue(key, missedCalls, REG_DWORD, { 5, 0 }); }, { "1/0" } },
            { "deleted", [](HKEY key) { RegDeleteValue(key, missedCalls); }, { "1/0" } },
            { "deleted when missing", [](HKEY key) { RegDeleteValue(key, missedCalls); }, {} },
            { "made again", [](HKEY key) { setDword(key, missedCalls, 0); }, { "1/0" } },
        };
        for (const Step& step : steps) {
            SCOPED_TRACE(step.what);
            step.change(state);
            EXPECT_EQ(takeNotifications(), step.posted);
        }

        // The key goes with the value.
        setDword(state, missedCalls, 6);
        const HKEY below = createKey(state, u"Below");
        RegCloseKey(below);
        RegDeleteKey(state, u"Below");
        EXPECT_EQ(takeNotifications(), std::vector<std::string> { "1/6" });
        EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, phoneState), static_cast<LONG>(ERROR_SUCCESS));
        EXPECT_EQ(takeNotifications(), std::vector<std::string> { "1/0" });
        RegCloseKey(state);

        // The watch holds for the key made again, until it is closed.
        const HKEY again = createKey(HKEY_CURRENT_USER, phoneState);
        setDword(again, missedCalls, 2);
        EXPECT_EQ(takeNotifications(), std::vector<std::string> { "1/2" });
        EXPECT_EQ(RegistryCloseNotification(notify), S_OK);
        setDword(again, missedCalls, 3);
        EXPECT_TRUE(takeNotifications().empty());
        RegCloseKey(again);
    });
}

TEST_F(RegistryTest, EveryWatchOfAValueIsToldWithItsOwnUserValue)
{
    onDevice([] {
        MessageHandler none;
        const HWND window = createPlainWindow(none);
        const HKEY software = createKey(HKEY_CURRENT_USER, u"System");
        HREGNOTIFY byRoot = nullptr;
        HREGNOTIFY byKey = nullptr;
        HREGNOTIFY other = nullptr;
        ASSERT_EQ(RegistryNotifyWindow(HKEY_CURRENT_USER, phoneState, missedCalls, window, missedCountChanged, 1, nullptr, &byRoot), S_OK);
        // Watched from an open key, with the rest of the path below it.
        ASSERT_EQ(RegistryNotifyWindow(software, u"State\\Phone", u"missed call count", window, missedCountChanged, 71, nullptr, &byKey), S_OK);
        ASSERT_EQ(RegistryNotifyWindow(HKEY_CURRENT_USER, phoneState, u"Unread", window, missedCountChanged, 5, nullptr, &other), S_OK);
        EXPECT_NE(byRoot, byKey);
        RegCloseKey(software);

        const HKEY state = createKey(HKEY_CURRENT_USER, phoneState);
        setDword(state, missedCalls, 8);
        EXPECT_EQ(takeNotifications(), (std::vector<std::string> { "1/8", "71/8" }));
        RegistryCloseNotification(byRoot);
        setDword(state, missedCalls, 9);
        EXPECT_EQ(takeNotifications(), (std::vector<std::string> { "71/9" }));
        RegistryCloseNotification(byKey);
        RegistryCloseNotification(other);
        RegCloseKey(state);
    });
}

TEST_F(RegistryTest, NotificationsRefuseWhatTheyCannotWatch)
{
    onDevice([] {
        MessageHandler none;
        const HWND window = createPlainWindow(none);
        HREGNOTIFY notify = nullptr;
        const HWND noWindow = reinterpret_cast<HWND>(0x4321);
        EXPECT_EQ(RegistryNotifyWindow(HKEY_CURRENT_USER, phoneState, missedCalls, noWindow, missedCountChanged, 1, nullptr, &notify),
                  E_INVALIDARG);
        EXPECT_EQ(RegistryNotifyWindow(HKEY_CURRENT_USER, phoneState, missedCalls, window, missedCountChanged, 1, nullptr, nullptr),
                  E_INVALIDARG);
        EXPECT_EQ(RegistryNotifyWindow(HKEY_CURRENT_USER, phoneState, nullptr, window, missedCountChanged, 1, nullptr, &notify),
                  E_INVALIDARG);
        EXPECT_EQ(RegistryNotifyWindow(reinterpret_cast<HKEY>(0x7777), phoneState, missedCalls, window, missedCountChanged, 1, nullptr,
                                       &notify),
                  E_INVALIDARG);
        ASSERT_EQ(RegistryNotifyWindow(HKEY_CURRENT_USER, phoneState, missedCalls, window, missedCountChanged, 1, nullptr, &notify), S_OK);
        EXPECT_EQ(RegistryCloseNotification(notify), S_OK);
        EXPECT_EQ(RegistryCloseNotification(notify), E_INVALIDARG);
    });
}

TEST_F(RegistryTest, ChangesFromOutsideTheDeviceAreNotifiedToo)
{
    std::vector<std::string> seen;
    const auto process = start(u"watcher", [&] {
        MessageHandler record = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
            if (message == missedCountChanged)
                seen.push_back(std::to_string(wParam) + "/" + std::to_string(lParam));
            if (message == WM_CLOSE)
                PostQuitMessage(0);
            return std::nullopt;
        };
        const HWND window = createPlainWindow(record);
        HREGNOTIFY notify = nullptr;
        RegistryNotifyWindow(HKEY_CURRENT_USER, phoneState, missedCalls, window, missedCountChanged, 1, nullptr, &notify);
        const int code = testing_support::runMessageLoop();
        RegistryCloseNotification(notify);
        return code;
    });
    device->runUntilIdle();

    emu::Registry& registry = device->registry();
    std::u16string_view below;
    const auto root = registry.rootOf(u"HKCU\\System\\State\\Phone", below);
    ASSERT_TRUE(root);
    bool created = false;
    const auto key = registry.create(root, below, created);
    registry.setValue(*key, missedCalls, REG_DWORD, emu::dwordData(12));
    device->runUntilIdle();
    registry.deleteValue(*key, missedCalls);
    device->runUntilIdle();
    EXPECT_EQ(seen, (std::vector<std::string> { "1/12", "1/0" }));

    const std::u16string className = testing_support::scriptedClassName;
    device->windows().postFromDriver(device->windows().findTopLevel(&className, nullptr), WM_CLOSE, 0, 0);
    EXPECT_EQ(device->runUntil([&] { return process->finished(); }, std::nullopt), emu::RunOutcome::Done);
}

// ---- A writer killed at any moment

using Roots = std::array<std::shared_ptr<emu::RegistryKey>, 2>;

Roots bareRoots()
{
    return { std::make_shared<emu::RegistryKey>(u"HKEY_CURRENT_USER", nullptr), std::make_shared<emu::RegistryKey>(u"HKEY_LOCAL_MACHINE", nullptr) };
}

Roots rootsHolding(int values, DWORD first)
{
    Roots roots = bareRoots();
    const auto settings = roots[0]->addSubkey(u"Software")->addSubkey(u"Korvane")->addSubkey(u"Settings");
    for (int i = 0; i < values; ++i) {
        const std::u16string name = u"Value " + emu::fromUtf8(std::to_string(i));
        settings->setValue(name, REG_DWORD, emu::dwordData(first + static_cast<DWORD>(i)));
        settings->setValue(name + u" text", REG_SZ, emu::stringData(u"text of some length to make the file larger " + name));
    }
    return roots;
}

TEST(RegistryFileCrashTest, WriterKilledAtAnyMomentLeavesTheOldFileOrTheNewOneWhole)
{
    const testing_support::TempFolder folder;
    const emu::RegistryFile file(folder.path() / ".devemu" / "registry");
    const auto oldRoots = rootsHolding(10, 100);
    const auto newRoots = rootsHolding(400, 5000);
    const std::string oldText = emu::RegistryFile::format(oldRoots);
    const std::string newText = emu::RegistryFile::format(newRoots);
    ASSERT_EQ(file.save(oldRoots), "");

    constexpr unsigned seed = 20260302;
    constexpr int rounds = 40;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMicroseconds(0, 15000);
    for (int round = 0; round < rounds; ++round) {
        const int delay = delayMicroseconds(random);
        SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round) + " killed after " + std::to_string(delay) + " us");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Saves the new content and the old one by turns until killed; a bounded number of times in
            // case nobody comes.
            for (int i = 0; i < 2000; ++i)
                file.save(i % 2 == 0 ? newRoots : oldRoots);
            _exit(0);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);

        std::ifstream in(file.path(), std::ios::binary);
        const std::string found { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
        ASSERT_TRUE(found == oldText || found == newText) << "a file of " << found.size() << " bytes is neither";
        const Roots readBack = bareRoots();
        EXPECT_EQ(file.load(readBack), "");
        EXPECT_EQ(emu::RegistryFile::format(readBack), found);
    }
    // A temporary file left behind by a kill is no obstacle to the next save.
    ASSERT_EQ(file.save(oldRoots), "");
    EXPECT_FALSE(std::filesystem::exists(file.path().string() + ".new"));
}

}
