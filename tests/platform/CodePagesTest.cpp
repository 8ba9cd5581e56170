// Code pages: the device's ANSI code page 1251 and its profile, round trips between UTF-16 and 8-bit
// text, characters a code page lacks, NUL-terminated input, sizes asked for, and buffers too small.
#include "tests/support/DeviceFixture.h"

#include "platform/api/WinNls.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The bytes WideCharToMultiByte gives for the whole text, or "error:<code>".
std::string toBytes(UINT codePage, std::u16string_view text, LPCSTR defaultChar = nullptr, BOOL* usedDefaultChar = nullptr)
{
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, defaultChar, usedDefaultChar);
    if (needed == 0)
        return "error:" + std::to_string(GetLastError());
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    const int written = WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(), needed, defaultChar, usedDefaultChar);
    EXPECT_EQ(written, needed);
    return bytes;
}

std::u16string fromBytes(UINT codePage, std::string_view bytes)
{
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    std::u16string text(static_cast<std::size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(codePage, 0, bytes.data(), length, text.data(), needed);
    EXPECT_EQ(written, needed);
    return text;
}

using CodePagesTest = testing_support::DeviceFixture;

struct RoundTrip {
    const char* name;
    UINT codePage;
    std::u16string_view text;
    std::string_view bytes;
};

TEST_F(CodePagesTest, TextConvertsToTheCodePagesBytesAndBack)
{
    const std::vector<RoundTrip> cases {
        { "Cyrillic in the ANSI code page", CP_ACP, u"Привет", "\xCF\xF0\xE8\xE2\xE5\xF2" },
        { "Cyrillic in 1251 named", 1251, u"Привет", "\xCF\xF0\xE8\xE2\xE5\xF2" },
        { "letters outside the alphabet's block", CP_ACP, u"Ёё №5 «Дом»", "\xA8\xB8 \xB9" "5 \xAB\xC4\xEE\xEC\xBB" },
        { "plain ASCII", CP_ACP, u"Vyx 2026.03.02", "Vyx 2026.03.02" },
        { "Cyrillic in UTF-8", CP_UTF8, u"Привет", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82" },
        { "outside the BMP in UTF-8", CP_UTF8, u"\U0001F4DE", "\xF0\x9F\x93\x9E" },
        { "Latin in 1252", 1252, u"café", "caf\xE9" },
    };
    std::vector<std::string> bytes;
    std::vector<std::u16string> texts;
    runProgram([&] {
        for (const RoundTrip& trip : cases) {
            bytes.push_back(toBytes(trip.codePage, trip.text));
            texts.push_back(fromBytes(trip.codePage, trip.bytes));
        }
        return 0;
    });
    ASSERT_EQ(bytes.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(bytes[i], cases[i].bytes);
        EXPECT_EQ(texts[i], cases[i].text);
    }
}

struct MissingCase {
    const char* name;
    UINT codePage;
    std::u16string_view text;
    LPCSTR defaultChar;
    std::string_view bytes;
    BOOL usedDefault;
};

TEST_F(CodePagesTest, CharactersTheCodePageLacksBecomeTheDefaultCharacter)
{
    const std::vector<MissingCase> cases {
        { "Greek letter", CP_ACP, u"Ωmega", nullptr, "?mega", TRUE },
        { "accented Latin letter", CP_ACP, u"café", nullptr, "caf?", TRUE },
        { "one per character", CP_ACP, u"日本", nullptr, "??", TRUE },
        { "half a surrogate pair", CP_ACP, u"a\xD800z", nullptr, "a?z", TRUE },
        { "a default character of the caller's", CP_ACP, u"Ωмега", "*", "*\xEC\xE5\xE3\xE0", TRUE },
        { "nothing missing", CP_ACP, u"Омега", nullptr, "\xCE\xEC\xE5\xE3\xE0", FALSE },
    };
    std::vector<std::string> bytes;
    std::vector<BOOL> used;
    runProgram([&] {
        for (const MissingCase& missing : cases) {
            BOOL usedDefault = -1;
            bytes.push_back(toBytes(missing.codePage, missing.text, missing.defaultChar, &usedDefault));
            used.push_back(usedDefault);
        }
        return 0;
    });
    ASSERT_EQ(bytes.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(bytes[i], cases[i].bytes);
        EXPECT_EQ(used[i], cases[i].usedDefault);
    }
}

TEST_F(CodePagesTest, SizesAreAskedWithoutABufferAndATerminatedTextBringsItsNul)
{
    std::vector<int> sizes;
    std::string terminatedBytes(8, '#');
    std::u16string terminatedText(8, u'#');
    runProgram([&] {
        sizes.push_back(WideCharToMultiByte(CP_ACP, 0, u"Привет", 6, nullptr, 0, nullptr, nullptr));
        sizes.push_back(WideCharToMultiByte(CP_ACP, 0, u"Привет", -1, nullptr, 0, nullptr, nullptr));
        sizes.push_back(WideCharToMultiByte(CP_UTF8, 0, u"Привет", -1, nullptr, 0, nullptr, nullptr));
        sizes.push_back(MultiByteToWideChar(CP_ACP, 0, "\xCF\xF0\xE8\xE2\xE5\xF2", -1, nullptr, 0));
        sizes.push_back(MultiByteToWideChar(CP_UTF8, 0, "\xD0\x9F\xD1\x80", 4, nullptr, 0));
        sizes.push_back(WideCharToMultiByte(CP_ACP, 0, u"Да", -1, terminatedBytes.data(), 8, nullptr, nullptr));
        sizes.push_back(MultiByteToWideChar(CP_ACP, 0, "\xC4\xE0", -1, terminatedText.data(), 8));
        return 0;
    });
    EXPECT_EQ(sizes, (std::vector<int> { 6, 7, 13, 7, 2, 3, 3 }));
    EXPECT_EQ(terminatedBytes, std::string("\xC4\xE0\0#####", 8));
    EXPECT_EQ(terminatedText, std::u16string(u"Да\0#####", 8));
}

// What a call gave: its result and the last error.
struct Outcome {
    int result;
    DWORD error;
    bool operator==(const Outcome&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Outcome& outcome)
    {
        return out << outcome.result << " error " << outcome.error;
    }
};

TEST_F(CodePagesTest, ABufferTooSmallOrABadArgumentFailsTheCall)
{
    std::vector<Outcome> outcomes;
    std::string bytes(16, '#');
    std::u16string text(16, u'#');
    runProgram([&] {
        const auto record = [&](int result) { outcomes.push_back({ result, result ? ERROR_SUCCESS : GetLastError() }); };
        // "Привет" needs 6 bytes, 7 with its NUL; "\xCF\xF0\xE8" needs 3 characters.
        record(WideCharToMultiByte(CP_ACP, 0, u"Привет", 6, bytes.data(), 5, nullptr, nullptr));
        record(WideCharToMultiByte(CP_ACP, 0, u"Привет", 6, bytes.data(), 6, nullptr, nullptr));
        record(WideCharToMultiByte(CP_ACP, 0, u"Привет", -1, bytes.data(), 6, nullptr, nullptr));
        record(MultiByteToWideChar(CP_ACP, 0, "\xCF\xF0\xE8", 3, text.data(), 2));
        record(MultiByteToWideChar(CP_ACP, 0, "\xCF\xF0\xE8", 3, text.data(), 3));
        record(WideCharToMultiByte(12345, 0, u"Привет", 6, nullptr, 0, nullptr, nullptr));
        record(MultiByteToWideChar(12345, 0, "abc", 3, nullptr, 0));
        record(WideCharToMultiByte(CP_ACP, 0, u"Привет", 0, nullptr, 0, nullptr, nullptr));
        record(MultiByteToWideChar(CP_ACP, 0, nullptr, 3, nullptr, 0));
        record(MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 3));
        record(WideCharToMultiByte(CP_UTF8, 0, u"Привет", 6, nullptr, 0, "?", nullptr));
        return 0;
    });
    EXPECT_EQ(outcomes, (std::vector<Outcome> {
        { 0, ERROR_INSUFFICIENT_BUFFER },
        { 6, ERROR_SUCCESS },
        { 0, ERROR_INSUFFICIENT_BUFFER },
        { 0, ERROR_INSUFFICIENT_BUFFER },
        { 3, ERROR_SUCCESS },
        { 0, ERROR_INVALID_PARAMETER },
        { 0, ERROR_INVALID_PARAMETER },
        { 0, ERROR_INVALID_PARAMETER },
        { 0, ERROR_INVALID_PARAMETER },
        { 0, ERROR_INVALID_PARAMETER },
        { 0, ERROR_INVALID_PARAMETER },
    }));
}

TEST_F(CodePagesTest, TheProfileChoosesTheAnsiCodePage)
{
    struct Seen {
        UINT acp;
        std::string bytes;
    };
    const auto seenOn = [&](std::optional<UINT> codePage) {
        emu::DeviceProfile profile;
        if (codePage)
            profile.ansiCodePage = *codePage;
        resetDevice(profile);
        Seen seen {};
        runProgram([&] {
            seen = { GetACP(), toBytes(CP_ACP, u"éД") };
            return 0;
        });
        return seen;
    };
    const Seen cyrillic = seenOn(std::nullopt);
    EXPECT_EQ(cyrillic.acp, 1251u);
    EXPECT_EQ(cyrillic.bytes, "?\xC4");
    const Seen western = seenOn(1252);
    EXPECT_EQ(western.acp, 1252u);
    EXPECT_EQ(western.bytes, "\xE9?");
}

}
