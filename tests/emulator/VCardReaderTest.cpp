// Reading vCard files: 2.1 (quoted-printable with soft line breaks, CHARSET, old-style types, base64),
// 3.0 (folding, escapes, type lists, groups), 4.0 (data: URIs, quoted type lists), the properties that
// are skipped, and the malformed files that give no card but a line and a reason.
#include "emulator/addressbook/ContactMapping.h"
#include "emulator/addressbook/VCardReader.h"
#include "platform/emu/Text.h"
#include "tests/platform/ProgramSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using devemu::VCard;
using devemu::VCardError;
using devemu::VCardProperty;
using devemu::VCardVersion;
using testing_support::caseName;
using Texts = std::vector<std::string>;

std::vector<VCard> readCards(std::string_view text)
{
    VCardError error;
    const auto cards = devemu::VCardReader::read(text, devemu::ContactMapping::propertyNames(), error);
    EXPECT_TRUE(cards) << error.text();
    return cards.value_or(std::vector<VCard> {});
}

const VCardProperty& property(const VCard& card, std::string_view name, std::size_t nth = 0)
{
    for (const VCardProperty& candidate : card.properties) {
        if (candidate.name == name && nth-- == 0)
            return candidate;
    }
    throw std::runtime_error("no property " + std::string(name));
}

std::string text(const VCardProperty& property)
{
    return emu::toUtf8(property.text());
}

Texts utf8(const std::vector<std::u16string>& texts)
{
    Texts out;
    for (const std::u16string& item : texts)
        out.push_back(emu::toUtf8(item));
    return out;
}

TEST(VCardReader, ReadsVersion21)
{
    // "Иван" and "Петров" in code page 1251; a quoted-printable note with soft line breaks; a base64
    // photo whose lines are indented once and not at all, ended by a blank line.
    const std::vector<VCard> cards = readCards(
        "BEGIN:VCARD\r\n"
        "VERSION:2.1\r\n"
        "N;CHARSET=WINDOWS-1251;ENCODING=QUOTED-PRINTABLE:=CF=E5=F2=F0=EE=E2;=C8=E2=E0=ED\r\n"
        "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=9F=D1=80=D0=B8= \t\r\n"
        "=D0=B2=D0=B5=D1=82=0D=0Asecond line=3B with =3D sign\r\n"
        "TEL;CELL;VOICE:+7 916 123-45-67\r\n"
        "TEL;WORK;FAX:495 111-22-33\r\n"
        "PHOTO;PNG;BASE64:\r\n"
        "    iVBORw0KGgo=\r\n"
        "\r\n"
        "PHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/\r\n"
        "4AAQ\r\n"
        "\r\n"
        "END:VCARD\r\n");
    ASSERT_EQ(cards.size(), 1u);
    const VCard& card = cards[0];
    EXPECT_EQ(card.version, VCardVersion::V21);
    EXPECT_EQ(utf8(property(card, "N").components()), (Texts { "Петров", "Иван" }));
    EXPECT_EQ(text(property(card, "NOTE")), "Привет\r\nsecond line; with = sign");
    const VCardProperty& cell = property(card, "TEL");
    EXPECT_TRUE(cell.hasType("CELL") && cell.hasType("voice") && !cell.hasType("WORK"));
    EXPECT_TRUE(property(card, "TEL", 1).hasType("FAX"));
    const VCardProperty& png = property(card, "PHOTO");
    ASSERT_TRUE(png.data);
    EXPECT_EQ(*png.data, (std::vector<std::uint8_t> { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' }));
    EXPECT_TRUE(png.hasType("PNG"));
    ASSERT_TRUE(property(card, "PHOTO", 1).data);
    EXPECT_EQ(*property(card, "PHOTO", 1).data, (std::vector<std::uint8_t> { 0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10 }));
}

TEST(VCardReader, ReadsVersion30)
{
    // A BOM, CRLF and LF mixed, a fold inside a two-byte character, escapes, type lists and groups.
    const std::vector<VCard> cards = readCards(
        "\xEF\xBB\xBF"
        "BEGIN:VCARD\r\n"
        "VERSION:3.0\n"
        "FN:\xD0\xA1\xD0\r\n"
        " \xB5rgey, the first\r\n"
        "N:O\\;Brien;Pat\\,rick;;;\r\n"
        "NOTE:a\\\\b\\nnext\\, line\\; end\\N\\q\r\n"
        "CATEGORIES:Friends\\, old,Work\r\n"
        "TEL;TYPE=cell,voice;type=PREF:+7 916 000-00-01\r\n"
        "item1.TEL;TYPE=HOME:495 000-00-02\r\n"
        "item1.X-ABLabel:Dacha\r\n"
        "X-UNKNOWN;ENCODING=b:not base64 at all!\r\n"
        "TITLE:Chief \r\n"
        " Engineer\r\n"
        "END:VCARD\r\n"
        "\r\n"
        "begin:vcard\n"
        "version:3.0\n"
        "fn:Second\n"
        "end:vcard\n");
    ASSERT_EQ(cards.size(), 2u);
    const VCard& card = cards[0];
    EXPECT_EQ(card.line, 1);
    EXPECT_EQ(text(property(card, "FN")), "Сеrgey, the first");
    EXPECT_EQ(utf8(property(card, "N").components()), (Texts { "O;Brien", "Pat,rick", "", "", "" }));
    EXPECT_EQ(text(property(card, "NOTE")), "a\\b\nnext, line; end\n\\q");
    EXPECT_EQ(utf8(property(card, "CATEGORIES").listValues()), (Texts { "Friends, old", "Work" }));
    const VCardProperty& cell = property(card, "TEL");
    EXPECT_TRUE(cell.hasType("CELL") && cell.hasType("VOICE") && cell.hasType("pref"));
    const VCardProperty& grouped = property(card, "TEL", 1);
    EXPECT_EQ(grouped.group, "item1");
    EXPECT_EQ(grouped.line, 9);
    EXPECT_EQ(text(property(card, "X-ABLABEL")), "Dacha");
    EXPECT_EQ(text(property(card, "TITLE")), "Chief Engineer") << "a line folded after a blank keeps it";
    EXPECT_EQ(card.properties.size(), 8u) << "X-UNKNOWN is skipped, its value unread";
    EXPECT_EQ(cards[1].line, 16);
    EXPECT_EQ(text(property(cards[1], "FN")), "Second");
}

TEST(VCardReader, ReadsVersion40)
{
    const std::vector<VCard> cards = readCards(
        "BEGIN:VCARD\n"
        "VERSION:4.0\n"
        "FN:Maria Rossi\n"
        "TEL;TYPE=\"work,voice\";VALUE=uri:tel:+39-06-555-0199\n"
        "PHOTO:data:image/png;base64,iVBORw0KGgo=\n"
        "LOGO:data:,not%20kept\n"
        "PHOTO:data:text/plain,a%2Cb\n"
        "END:VCARD\n");
    ASSERT_EQ(cards.size(), 1u);
    const VCard& card = cards[0];
    EXPECT_EQ(card.version, VCardVersion::V40);
    const VCardProperty& tel = property(card, "TEL");
    EXPECT_TRUE(tel.hasType("WORK") && tel.hasType("VOICE"));
    EXPECT_EQ(*tel.parameter("VALUE"), "uri");
    ASSERT_TRUE(property(card, "PHOTO").data);
    EXPECT_EQ(property(card, "PHOTO").data->size(), 8u);
    ASSERT_TRUE(property(card, "PHOTO", 1).data);
    EXPECT_EQ(*property(card, "PHOTO", 1).data, (std::vector<std::uint8_t> { 'a', ',', 'b' }));
}

TEST(VCardReader, ReadsAnEmptyFileAsNoCards)
{
    EXPECT_TRUE(readCards("").empty());
    EXPECT_TRUE(readCards("\xEF\xBB\xBF\r\n\r\n").empty());
}

struct BrokenCase {
    const char* name;
    friend void PrintTo(const BrokenCase& tested, std::ostream* out) { *out << tested.name; }
    std::string text;
    int line;
    std::string reason;
};

class BrokenVCardTest : public ::testing::TestWithParam<BrokenCase> { };

TEST_P(BrokenVCardTest, GivesNoCardButTheLineAndReason)
{
    // A good card first: a broken file gives nothing of what came before the fault either.
    const std::string good = "BEGIN:VCARD\nVERSION:3.0\nFN:Good\nEND:VCARD\n";
    VCardError error;
    const auto cards = devemu::VCardReader::read(good + GetParam().text, devemu::ContactMapping::propertyNames(), error);
    EXPECT_FALSE(cards);
    EXPECT_EQ(error.line, GetParam().line + 4);
    EXPECT_EQ(error.reason.substr(0, GetParam().reason.size()), GetParam().reason) << error.reason;
}

const std::string head = "BEGIN:VCARD\nVERSION:3.0\n";

INSTANTIATE_TEST_SUITE_P(Files, BrokenVCardTest,
    ::testing::Values(BrokenCase { "LineWithoutColon", head + "FN:A\nTEL;CELL 123\nEND:VCARD\n", 4, "a property line without ':'" },
        BrokenCase { "ColonOnlyInsideQuotes", head + "TEL;TYPE=\"a:b\n", 3, "a property line without ':'" },
        BrokenCase { "NameWithBlanks", head + "Full Name:A\n", 3, "a property name with characters other than" },
        BrokenCase { "BeginInsideACard", head + "FN:A\nBEGIN:VCARD\n", 4, "BEGIN inside a card (the card of line 5" },
        BrokenCase { "EndWithoutBegin", "END:VCARD\n", 1, "END without BEGIN" },
        BrokenCase { "CardWithoutEnd", "\n" + head + "FN:A\n", 2, "a card without END:VCARD at the end of the file" },
        BrokenCase { "PropertyOutsideACard", "FN:A\n", 1, "a property outside a card" },
        BrokenCase { "NotAVCard", "BEGIN:VCALENDAR\n", 1, "BEGIN:VCALENDAR is not a vCard" },
        BrokenCase { "MissingVersion", "BEGIN:VCARD\nFN:A\nEND:VCARD\n", 1, "a card without VERSION" },
        BrokenCase { "UnsupportedVersion", "BEGIN:VCARD\nVERSION:5.0\nEND:VCARD\n", 2, "unsupported VERSION 5.0" },
        BrokenCase { "BadBase64", head + "PHOTO;ENCODING=b:iVBO*w0K\nEND:VCARD\n", 3, "bad base64: the character '*'" },
        BrokenCase { "TruncatedBase64", head + "PHOTO;ENCODING=b:iVBOR\nEND:VCARD\n", 3, "bad base64" },
        BrokenCase { "BadBase64InDataUri", "BEGIN:VCARD\nVERSION:4.0\nPHOTO:data:image/png;base64,@@\nEND:VCARD\n", 3, "bad base64" },
        BrokenCase { "DataUriWithoutComma", "BEGIN:VCARD\nVERSION:4.0\nPHOTO:data:image/png;base64\nEND:VCARD\n", 3, "a data: URI without ','" },
        BrokenCase { "BadQuotedPrintable", "BEGIN:VCARD\nVERSION:2.1\nN;ENCODING=QUOTED-PRINTABLE:=D0=9\nEND:VCARD\n", 3, "bad quoted-printable" },
        BrokenCase { "QuotedPrintableEndingTheFile", "BEGIN:VCARD\nVERSION:2.1\nNOTE;QUOTED-PRINTABLE:abc=", 1, "a card without END:VCARD" },
        BrokenCase { "InvalidUtf8", head + "FN:\xD0\xA1\xC0\xAF\nEND:VCARD\n", 3, "text that is not valid UTF-8" },
        BrokenCase { "InvalidAscii", "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=US-ASCII:\xC8\xE2\nEND:VCARD\n", 3, "text that is not valid US-ASCII" },
        BrokenCase { "InvalidShiftJis", "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=SHIFT_JIS:\x82\xA0\x81\nEND:VCARD\n", 3, "text that is not valid SHIFT_JIS" },
        BrokenCase { "UnknownCharset", "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=NO-SUCH-SET:A\nEND:VCARD\n", 3, "unknown CHARSET NO-SUCH-SET" },
        BrokenCase { "UnknownEncoding", head + "NOTE;ENCODING=UUENCODE:abc\nEND:VCARD\n", 3, "unknown ENCODING UUENCODE" },
        BrokenCase { "NulInText", head + "NOTE:a\\nb=00\nFN;ENCODING=QUOTED-PRINTABLE:a=00b\nEND:VCARD\n", 4, "a NUL character in the text" },
        BrokenCase { "FaultAfterFoldedLines", head + "NOTE:a\n b\n c\nPHOTO;ENCODING=b:%\nEND:VCARD\n", 6, "bad base64" }),
    caseName<BrokenCase>);

TEST(VCardReader, JoinsTheContinuationsOfSkippedProperties)
{
    // The soft line break and the unindented base64 line belong to the skipped properties; read as
    // properties of their own, they would be lines without ':'.
    const std::vector<VCard> cards = readCards(
        "BEGIN:VCARD\n"
        "VERSION:2.1\n"
        "X-NOTE;ENCODING=QUOTED-PRINTABLE:first=\n"
        "second half\n"
        "X-LOGO;ENCODING=BASE64:iVBO\n"
        "Rw0KGgo=\n"
        "\n"
        "FN:After\n"
        "END:VCARD\n");
    ASSERT_EQ(cards.size(), 1u);
    ASSERT_EQ(cards[0].properties.size(), 1u);
    EXPECT_EQ(text(cards[0].properties[0]), "After");
    EXPECT_EQ(cards[0].properties[0].line, 8);
}

}
