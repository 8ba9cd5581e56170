// Contact notes on a device: the visible text and the extras of text notes in the device's code page
// and in UTF-16, where the block begins and ends, the notes without the block in their own bytes, and
// Pocket Word notes with and without a block.
#include "platform/api/WinNls.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "tests/vyx/ExtrasDescription.h"
#include "tests/vyx/PocketWordBuilder.h"
#include "vyx/contacts/ContactNotes.h"
#include "vyx/contacts/PocketWordDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing_support::Bytes;
using testing_support::caseName;
using testing_support::describe;
using testing_support::pocketWordDocument;
using testing_support::pocketWordRecord;
using testing_support::textRecord;
using testing_support::utf8;
using vyx::ContactNotes;
using Lines = std::vector<std::string>;

const std::u16string startMarker(ContactNotes::startMarker);
const std::u16string endMarker(ContactNotes::endMarker);

Bytes utf16Notes(std::u16string_view text)
{
    Bytes bytes { 0xFE, 0xFF };
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
}

// Call on the device: the text in its code page.
Bytes codePageNotes(std::u16string_view text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    std::string bytes(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), length, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
    return Bytes(bytes.begin(), bytes.end());
}

class ContactNotesFixture : public testing_support::DeviceFixture {
protected:
    // Runs `body` as a program of the device, where code pages and dates are the device's.
    void onDevice(const std::function<void()>& body)
    {
        runProgram([&] {
            body();
            return 0;
        });
    }
};

// ---- The visible text and the extras

struct ParseCase {
    const char* name;
    std::u16string notes;
    std::u16string visibleText;
    Lines extras;
    friend void PrintTo(const ParseCase& tested, std::ostream* out) { *out << tested.name; }
};

class ParseNotesTest : public ContactNotesFixture, public ::testing::WithParamInterface<ParseCase> { };

TEST_P(ParseNotesTest, CodePageAndUtf16NotesAlike)
{
    const ParseCase& tested = GetParam();
    onDevice([&] {
        for (const Bytes& notes : { codePageNotes(tested.notes), utf16Notes(tested.notes) }) {
            const ContactNotes::Parsed parsed = ContactNotes::ParseNotes(notes);
            EXPECT_EQ(utf8(parsed.visibleText), utf8(tested.visibleText)) << (notes == utf16Notes(tested.notes) ? "UTF-16" : "code page");
            EXPECT_EQ(describe(parsed.extras), tested.extras);
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Notes, ParseNotesTest,
    ::testing::Values(
        ParseCase { "Empty", u"", u"", {} },
        ParseCase { "WithoutBlock", u"Позвонить после 19:00\r\nPhone: [a: 1]", u"Позвонить после 19:00\r\nPhone: [a: 1]", {} },
        ParseCase { "Dacha", u"Позвонить после 19:00\r\n" + startMarker + u"\r\nPhone:\r\n[Dacha: +7 (495) 123-45-67]\r\n" + endMarker,
            u"Позвонить после 19:00\r\n", { "phone Dacha: +7 (495) 123-45-67" } },
        ParseCase { "TextAfterEndMarkerJoinedWithOneBlank", u"Before\r\n" + startMarker + u"Phone: [a: 1]" + endMarker + u"\r\nAfter",
            u"Before\r\n \r\nAfter", { "phone a: 1" } },
        ParseCase { "WithoutEndMarkerBlockRunsToTheEnd", u"Before " + startMarker + u" Phone: [a: 1] Email: [b: c]", u"Before ",
            { "phone a: 1", "email b: c" } },
        ParseCase { "BlockWithoutClosingBracketLeavesNothing", u"Before" + startMarker + u"Phone: [a: 1] [b: 2" + endMarker + u"After", u"", {} },
        ParseCase { "EndMarkerBeforeStartMarkerIsText", endMarker + u"x" + startMarker + u"Phone: [a: 1]", endMarker + u"x", { "phone a: 1" } },
        ParseCase { "SecondStartMarkerIsBlockText", startMarker + u"Phone: [a: 1]" + startMarker + endMarker, u"", {} },
        ParseCase { "UpperCaseMarkerIsNoMarker", u"== START PIM INFORMATION ==Phone: [a: 1]", u"== START PIM INFORMATION ==Phone: [a: 1]", {} }),
    caseName<ParseCase>);

TEST_F(ContactNotesFixture, CodePageNotesAreTheDevicesCodePage)
{
    const Bytes notes { 0xC4, 0xE0, 0xF7, 0xE0 };
    std::u16string cyrillic;
    onDevice([&] { cyrillic = ContactNotes::ParseNotes(notes).visibleText; });
    EXPECT_EQ(utf8(cyrillic), "Дача");

    emu::DeviceProfile western;
    western.ansiCodePage = 1252;
    resetDevice(western);
    std::u16string latin;
    onDevice([&] { latin = ContactNotes::ParseNotes(notes).visibleText; });
    EXPECT_EQ(utf8(latin), "Äà÷à");
}

TEST_F(ContactNotesFixture, Utf16UnitsAreTakenLowByteFirstAfterTheMark)
{
    // An odd last byte is half a unit; notes without the mark are code-page text.
    onDevice([&] {
        EXPECT_EQ(utf8(ContactNotes::Text(Bytes { 0xFE, 0xFF, 0x14, 0x04, 0x30, 0x04, 0x41 })), "Да");
        EXPECT_EQ(utf8(ContactNotes::Text(Bytes { 0xFE, 0xFF })), "");
        EXPECT_EQ(utf8(ContactNotes::Text(Bytes { 0xFF, 0xFE, 0x41, 0x00 })), std::string("яюA") + '\0');
    });
}

// ---- The notes without the block

struct VisibleCase {
    const char* name;
    std::u16string notes;
    std::u16string visible;
    friend void PrintTo(const VisibleCase& tested, std::ostream* out) { *out << tested.name; }
};

class VisibleNotesTest : public ContactNotesFixture, public ::testing::WithParamInterface<VisibleCase> { };

TEST_P(VisibleNotesTest, CutFromTheStoredBytes)
{
    const VisibleCase& tested = GetParam();
    onDevice([&] {
        EXPECT_EQ(ContactNotes::VisibleNotes(codePageNotes(tested.notes)), codePageNotes(tested.visible));
        EXPECT_EQ(ContactNotes::VisibleNotes(utf16Notes(tested.notes)), utf16Notes(tested.visible));
    });
}

INSTANTIATE_TEST_SUITE_P(Notes, VisibleNotesTest,
    ::testing::Values(
        VisibleCase { "BlockWithBothMarkersCut", u"Купить хлеб\r\n" + startMarker + u"\r\nPhone: [Дача: 1]\r\n" + endMarker + u"\r\nПозже",
            u"Купить хлеб\r\n\r\nПозже" },
        VisibleCase { "WithoutEndMarkerNotesStayWhole", u"Before" + startMarker + u"Phone: [a: 1]", u"Before" + startMarker + u"Phone: [a: 1]" },
        VisibleCase { "WithoutStartMarkerNotesStayWhole", u"Before" + endMarker + u"After", u"Before" + endMarker + u"After" },
        VisibleCase { "BrokenBlockCutAllTheSame", u"A" + startMarker + u"Phone: [a" + endMarker + u"B", u"AB" },
        VisibleCase { "OnlyTheBlock", startMarker + endMarker, u"" }),
    caseName<VisibleCase>);

TEST_F(ContactNotesFixture, Utf16NotesKeepTheirMarkAndOddLastByte)
{
    Bytes notes = utf16Notes(u"x" + startMarker + endMarker + u"y");
    notes.push_back(0x7A);
    Bytes visible = utf16Notes(u"xy");
    visible.push_back(0x7A);
    EXPECT_EQ(ContactNotes::VisibleNotes(notes), visible);
}

// ---- Pocket Word notes

// A note, the block over three text records, and a note after it.
Bytes pocketWordNotes(std::initializer_list<Bytes> moreRecords)
{
    Bytes notes = pocketWordDocument({ textRecord("Call me"), textRecord(utf8(startMarker)), textRecord("Phone: [Dacha: 8 495 1234567]"),
        textRecord(utf8(endMarker)), textRecord("later") });
    for (const Bytes& record : moreRecords)
        notes.insert(notes.end(), record.begin(), record.end());
    return notes;
}

TEST_F(ContactNotesFixture, PocketWordNotesParsedFromTheirText)
{
    onDevice([&] {
        const ContactNotes::Parsed parsed = ContactNotes::ParseNotes(pocketWordNotes({}));
        EXPECT_EQ(utf8(parsed.visibleText), "Call me   later");
        EXPECT_EQ(describe(parsed.extras), Lines { "phone Dacha: 8 495 1234567" });
    });
}

TEST_F(ContactNotesFixture, PocketWordVisibleNotesOnlyWhenMoreThanText)
{
    const Bytes table = pocketWordRecord('T', Bytes(8, 1));
    const Bytes plainWithoutBlock = pocketWordDocument({ textRecord("Call me") });
    const Bytes richWithoutBlock = pocketWordDocument({ textRecord("Call me"), table });
    onDevice([&] {
        EXPECT_EQ(ContactNotes::VisibleNotes(pocketWordNotes({})), Bytes());
        EXPECT_EQ(ContactNotes::VisibleNotes(plainWithoutBlock), Bytes());
        EXPECT_EQ(ContactNotes::VisibleNotes(richWithoutBlock), richWithoutBlock);

        const Bytes visible = ContactNotes::VisibleNotes(pocketWordNotes({ table }));
        const vyx::PocketWordDocument document(visible);
        EXPECT_EQ(utf8(document.Text()), "Call me    later");
        EXPECT_FALSE(document.CountsAsTextOnly());
        EXPECT_LT(visible.size(), pocketWordNotes({ table }).size());
    });
}

TEST_F(ContactNotesFixture, PocketWordBlockWithoutEndMarkerRunsToTheEnd)
{
    const Bytes notes = pocketWordDocument({ textRecord("Note"), textRecord(utf8(startMarker) + "Phone: [a: 1]"), pocketWordRecord('C', {}) });
    onDevice([&] {
        EXPECT_EQ(describe(ContactNotes::ParseNotes(notes).extras), Lines { "phone a: 1" });
        EXPECT_EQ(utf8(vyx::PocketWordDocument(ContactNotes::VisibleNotes(notes)).Text()), "Note ");
    });
}

}
