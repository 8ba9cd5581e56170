// Mapping a vCard to the device's contact properties: names and file-as, numbers by type and their
// overflow into the PIM information block, e-mail addresses, addresses, dates, notes that already hold
// a block, categories, ringtones, and photos inline or in files beside the address book.
#include "emulator/addressbook/AddressBookFile.h"
#include "emulator/addressbook/ContactMapping.h"
#include "emulator/addressbook/VCardReader.h"
#include "platform/emu/Text.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using devemu::AddressBookFile;
using devemu::ContactProperty;
using devemu::ImportedContact;
using devemu::VCardError;
using testing_support::caseName;
using Texts = std::map<int, std::string>;

constexpr const char* blockStart = "== start pim information ==\r\n";
constexpr const char* blockEnd = "== end pim information ==";

std::optional<ImportedContact> mapCard(const std::string& card, VCardError& error, const fs::path& folder = ".")
{
    const auto cards = devemu::VCardReader::read(card, devemu::ContactMapping::propertyNames(), error);
    if (!cards || cards->size() != 1)
        return std::nullopt;
    return devemu::ContactMapping::map(cards->front(), folder, error);
}

ImportedContact mapCard(const std::string& card)
{
    VCardError error;
    auto contact = mapCard(card, error);
    EXPECT_TRUE(contact) << error.text();
    return contact.value_or(ImportedContact {});
}

std::string version30(const std::string& properties)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + properties + "END:VCARD\r\n";
}

// The texts by property number, in UTF-8.
Texts texts(const ImportedContact& contact)
{
    Texts out;
    for (const auto& [property, text] : contact.texts)
        out[static_cast<int>(property)] = emu::toUtf8(text);
    return out;
}

std::string notes(const ImportedContact& contact)
{
    return emu::toUtf8(contact.notes);
}

struct PhoneCase {
    const char* name;
    friend void PrintTo(const PhoneCase& tested, std::ostream* out) { *out << tested.name; }
    std::string card;
    Texts phones;
    std::string notes;
};

class PhoneMappingTest : public ::testing::TestWithParam<PhoneCase> { };

TEST_P(PhoneMappingTest, PutsNumbersIntoTheirPropertiesAndTheRestIntoTheBlock)
{
    const ImportedContact contact = mapCard(GetParam().card);
    Texts phones = texts(contact);
    phones.erase(static_cast<int>(ContactProperty::FileAs));
    EXPECT_EQ(phones, GetParam().phones);
    EXPECT_EQ(notes(contact), GetParam().notes);
}

INSTANTIATE_TEST_SUITE_P(Types, PhoneMappingTest,
    ::testing::Values(
        PhoneCase { "CellIsMobile", version30("TEL;TYPE=CELL,VOICE:1\r\n"), { { 0x96, "1" } }, "" },
        PhoneCase { "OldStyleTypes", "BEGIN:VCARD\r\nVERSION:2.1\r\nTEL;WORK;VOICE:1\r\nTEL;HOME;FAX:2\r\nTEL;CELL:3\r\nEND:VCARD\r\n",
            { { 0x97, "1" }, { 0x9C, "2" }, { 0x96, "3" } }, "" },
        PhoneCase { "WorkThenSecondWorkThenBlock", version30("TEL;TYPE=WORK:1\r\nTEL;TYPE=WORK,VOICE:2\r\nTEL;TYPE=WORK:3\r\n"),
            { { 0x97, "1" }, { 0x98, "2" } }, std::string(blockStart) + "Phone: [Work: 3]\r\n" + blockEnd },
        PhoneCase { "HomeThenSecondHome", version30("TEL;TYPE=HOME:1\r\nTEL;TYPE=HOME:2\r\n"), { { 0x99, "1" }, { 0x9A, "2" } }, "" },
        PhoneCase { "Faxes", version30("TEL;TYPE=FAX:1\r\nTEL;TYPE=HOME,FAX:2\r\nTEL;TYPE=WORK,FAX:3\r\n"),
            { { 0x9B, "1" }, { 0x9C, "2" } }, std::string(blockStart) + "Phone: [Work fax: 3]\r\n" + blockEnd },
        PhoneCase { "OneOfEachKind",
            version30("TEL;TYPE=PAGER:1\r\nTEL;TYPE=CAR:2\r\nTEL;TYPE=X-RADIO:3\r\nTEL;TYPE=MAIN:4\r\nTEL;TYPE=X-ASSISTANT:5\r\n"
                      "TEL;TYPE=X-MMS:6\r\nTEL;TYPE=X-COMPANY:7\r\n"),
            { { 0x9D, "1" }, { 0x9E, "2" }, { 0x9F, "3" }, { 0xA0, "4" }, { 0xA1, "5" }, { 0x10A3, "6" } },
            std::string(blockStart) + "Phone: [Company: 7]\r\n" + blockEnd },
        PhoneCase { "UntypedTakesMobileHomeWork", version30("TEL:1\r\nTEL;TYPE=VOICE:2\r\nTEL;TYPE=PREF:3\r\nTEL:4\r\n"),
            { { 0x96, "1" }, { 0x99, "2" }, { 0x97, "3" } }, std::string(blockStart) + "Phone: [Other: 4]\r\n" + blockEnd },
        PhoneCase { "UntypedAfterTypedTakesWhatIsFree", version30("TEL;TYPE=CELL:1\r\nTEL;TYPE=HOME:2\r\nTEL:3\r\n"),
            { { 0x96, "1" }, { 0x99, "2" }, { 0x97, "3" } }, "" },
        PhoneCase { "SecondMobileKeepsItsTypeInTheBlock", version30("TEL;TYPE=CELL:1\r\nTEL;TYPE=CELL:2\r\n"),
            { { 0x96, "1" } }, std::string(blockStart) + "Phone: [Mobile: 2]\r\n" + blockEnd },
        PhoneCase { "WritersLabelOfAnUntypedNumber",
            version30("item1.TEL:+7 495 111-22-33\r\nitem1.X-ABLabel:Dacha\r\nitem2.TEL;TYPE=CELL:2\r\nitem2.X-ABLabel:Personal\r\n"
                      "item3.TEL:3\r\nitem3.X-ABLabel:_$!<Other>!$_\r\n"),
            { { 0x96, "2" }, { 0x99, "3" } }, std::string(blockStart) + "Phone: [Dacha: +7 495 111-22-33]\r\n" + blockEnd },
        PhoneCase { "TelUriAndBlanks", "BEGIN:VCARD\r\nVERSION:4.0\r\nTEL;VALUE=uri;TYPE=\"cell,voice\":tel:+39-06-555\r\nTEL: \r\nEND:VCARD\r\n",
            { { 0x96, "+39-06-555" } }, "" },
        PhoneCase { "LabelsAndValuesEscapedInTheBlock",
            version30("TEL;TYPE=CELL:1\r\nitem1.TEL:[2]\\; ext: 3\\\\\r\nitem1.X-ABLabel:: Office [B]\r\n"),
            { { 0x96, "1" } }, std::string(blockStart) + "Phone: [Office \\[B\\]: \\[2\\]\\; ext\\: 3\\ ]\r\n" + blockEnd }),
    caseName<PhoneCase>);

TEST(ContactMapping, MapsNamesCompanyAndFileAs)
{
    const ImportedContact contact = mapCard(version30(
        "N:Петров;Пётр;Алексеевич;Dr.;Jr.\r\nFN:Пётр Петров\r\nORG:ООО «Вектор»;Отдел продаж;Группа 2\r\n"
        "TITLE:Инженер\r\nNICKNAME:Петрович,Пит\r\nURL:https://a.example/\r\nURL;TYPE=WORK:https://b.example/\r\n"));
    EXPECT_EQ(texts(contact), (Texts { { 0x80, "Пётр Петров" }, { 0x81, "Dr." }, { 0x82, "Пётр" }, { 0x83, "Алексеевич" },
                                  { 0x84, "Петров" }, { 0x85, "Jr." }, { 0x86, "Петрович, Пит" }, { 0x8A, "ООО «Вектор»" },
                                  { 0x8B, "Отдел продаж, Группа 2" }, { 0x8C, "Инженер" }, { 0x101, "https://a.example/" } }));
    EXPECT_EQ(notes(contact), std::string(blockStart) + "WebPage: [Work: https\\://b.example/]\r\n" + blockEnd);
}

TEST(ContactMapping, ComposesTheFileAsWhenTheCardHasNone)
{
    const struct {
        std::string properties;
        std::string fileAs;
    } cases[] = {
        { "N:Петров;Пётр;Алексеевич;;\r\n", "Петров, Пётр Алексеевич" },
        { "N:Петров;;;;\r\n", "Петров" },
        { "N:;Пётр;;;\r\n", "Пётр" },
        { "N:;;;;\r\nFN: \r\nORG:Acme\r\n", "Acme" },
    };
    for (const auto& tested : cases)
        EXPECT_EQ(texts(mapCard(version30(tested.properties)))[0x80], tested.fileAs) << tested.properties;
    EXPECT_FALSE(mapCard(version30("TEL:1\r\n")).texts.contains(ContactProperty::FileAs));
}

TEST(ContactMapping, MapsEmailAddressesAndOverflowsTheFourth)
{
    const ImportedContact contact = mapCard(version30(
        "EMAIL:a@example.com\r\nEMAIL;TYPE=INTERNET:mailto:b@example.com\r\nEMAIL:c@example.com\r\nEMAIL;TYPE=HOME:d@example.com\r\n"
        "item1.EMAIL:e@example.com\r\nitem1.X-ABLabel:School\r\n"));
    EXPECT_EQ(texts(contact), (Texts { { 0x90, "a@example.com" }, { 0x91, "b@example.com" }, { 0x92, "c@example.com" } }));
    EXPECT_EQ(notes(contact), std::string(blockStart) + "Email: [Home: d@example.com] [School: e@example.com]\r\n" + blockEnd);
}

TEST(ContactMapping, MapsAddressesToTheirGroups)
{
    const ImportedContact contact = mapCard(version30(
        "ADR;TYPE=WORK:;Office 5;ул. Тверская\\, 7;Москва;;125009;Россия\r\n"
        "ADR;TYPE=HOME:а/я 12;;Невский пр-т 28;Санкт-Петербург;Ленинградская обл.;191186;\r\n"
        "ADR:;;Lindenstraße 3;Berlin;;10969;Germany\r\n"
        "ADR;TYPE=HOME:;;Second home;Казань;;;\r\n"
        "ADR;TYPE=HOME:;;;;;;\r\n"));
    EXPECT_EQ(texts(contact), (Texts {
                                  { 0xC1, "ул. Тверская, 7, Office 5" }, { 0xC2, "Москва" }, { 0xC4, "125009" }, { 0xC5, "Россия" },
                                  { 0xD1, "Невский пр-т 28, а/я 12" }, { 0xD2, "Санкт-Петербург" }, { 0xD3, "Ленинградская обл." },
                                  { 0xD4, "191186" }, { 0xE1, "Lindenstraße 3" }, { 0xE2, "Berlin" }, { 0xE4, "10969" }, { 0xE5, "Germany" },
                              }));
    EXPECT_EQ(notes(contact), std::string(blockStart) + "Address: [Home: Second home; Казань; ; ; ]\r\n" + blockEnd);
}

TEST(ContactMapping, UntypedAddressTakesAFreeGroup)
{
    const ImportedContact contact = mapCard(version30("ADR;TYPE=POSTAL:;;A;;;;\r\nADR:;;B;;;;\r\nADR:;;C;;;;\r\nADR:;;D;;;;\r\n"));
    EXPECT_EQ(texts(contact), (Texts { { 0xE1, "A" }, { 0xD1, "B" }, { 0xC1, "C" } }));
    EXPECT_EQ(notes(contact), std::string(blockStart) + "Address: [Other: D; ; ; ; ]\r\n" + blockEnd);
}

TEST(ContactMapping, WritesDatesIntoTheBlockAndKeepsTheOthersReadable)
{
    const ImportedContact contact = mapCard(version30(
        "NOTE:First line\\nsecond line\r\nBDAY:1975-04-12\r\nANNIVERSARY:20010623T000000Z\r\nX-ANNIVERSARY:--0412\r\n"
        "BDAY;VALUE=text:circa 1800\r\nBDAY:1975-02-29\r\n"));
    EXPECT_EQ(notes(contact),
        "First line\r\nsecond line\r\nAnniversary: --0412\r\nBirthday: circa 1800\r\nBirthday: 1975-02-29\r\n" + std::string(blockStart)
            + "Date: [Birthday: 1975.04.12] [Anniversary: 2001.06.23]\r\n" + blockEnd);
}

TEST(ContactMapping, AddsToTheBlockTheNotesAlreadyHold)
{
    // The card's own block keeps its text; the numbers join its Phone section after its last entry,
    // and the e-mail address gets a section before the end marker.
    const std::string own = "Note\\n== start pim information ==\\nphone: [Dacha: 1] [Boat\\\\]: 2]\\nDate: [Wedding: 2001.06.23]\\n"
                            "== end pim information ==\\nafter";
    const ImportedContact contact = mapCard(version30(
        "NOTE:" + own + "\r\nTEL;TYPE=CELL:3\r\nTEL;TYPE=CELL:4\r\nTEL;TYPE=PAGER:5\r\nTEL;TYPE=PAGER:6\r\n"
        "EMAIL:a@example.com\r\nEMAIL:b@example.com\r\nEMAIL:c@example.com\r\nEMAIL:d@example.com\r\n"));
    EXPECT_EQ(notes(contact),
        "Note\r\n== start pim information ==\r\nphone: [Dacha: 1] [Boat\\]: 2] [Mobile: 4] [Pager: 6]\r\nDate: [Wedding: 2001.06.23]\r\n"
        "Email: [Other: d@example.com]\r\n== end pim information ==\r\nafter");
}

TEST(ContactMapping, AddsASectionToABlockWithoutEndMarker)
{
    const ImportedContact contact = mapCard(version30("NOTE:== start pim information ==\\nDate: [A: 2001.06.23]\r\nTEL:1\r\nTEL:2\r\nTEL:3\r\nTEL:4\r\n"));
    EXPECT_EQ(notes(contact), "== start pim information ==\r\nDate: [A: 2001.06.23]\r\nPhone: [Other: 4]\r\n");
}

TEST(ContactMapping, KeepsCategoriesOnceEach)
{
    const ImportedContact contact = mapCard(version30("CATEGORIES:Семья, Работа,Friends\\, old,,\r\nCATEGORIES:семья,VIP\r\n"));
    std::vector<std::string> names;
    for (const std::u16string& name : contact.categories)
        names.push_back(emu::toUtf8(name));
    EXPECT_EQ(names, (std::vector<std::string> { "Семья", "Работа", "Friends, old", "VIP" }));
}

TEST(ContactMapping, PrefersTheSuitesOwnRingtone)
{
    EXPECT_EQ(texts(mapCard(version30("X-RINGTONE:\\\\a.wav\r\nX-KORVANE-RINGTONE:\\\\Windows\\\\b.wav\r\nX-KORVANE-RINGTONE:c.wav\r\n")))[0xA8],
        "\\Windows\\b.wav");
    EXPECT_EQ(texts(mapCard(version30("X-RINGTONE:a.wav\r\nX-RINGTONE:b.wav\r\n")))[0xA8], "a.wav");
}

TEST(ContactMapping, TakesInlinePhotosOfEveryVersion)
{
    const std::vector<std::uint8_t> png { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    EXPECT_EQ(mapCard("BEGIN:VCARD\r\nVERSION:2.1\r\nPHOTO;PNG;ENCODING=BASE64:iVBORw0KGgo=\r\n\r\nEND:VCARD\r\n").picture, png);
    EXPECT_EQ(mapCard(version30("PHOTO;ENCODING=b;TYPE=PNG:iVBORw0KGgo=\r\nPHOTO;ENCODING=b:AAAA\r\n")).picture, png);
    EXPECT_EQ(mapCard("BEGIN:VCARD\r\nVERSION:4.0\r\nPHOTO:https://example.com/a.png\r\nPHOTO:data:image/png;base64,iVBORw0KGgo=\r\nEND:VCARD\r\n").picture, png);
}

TEST(ContactMapping, RefusesPhotosLargerThanTheLimit)
{
    const std::string large(static_cast<std::size_t>(devemu::ContactMapping::maxPictureBytes / 3 * 4 + 8), 'A');
    VCardError error;
    EXPECT_FALSE(mapCard(version30("FN:A\r\nPHOTO;ENCODING=b:" + large + "\r\n"), error));
    EXPECT_EQ(error.text(), "line 4: a photo larger than 2 MiB");
}

// An address book file in a folder of its own, with photo files beside it.
class PhotoFileTest : public ::testing::Test {
protected:
    void write(const fs::path& relative, const std::string& bytes)
    {
        fs::create_directories((m_folder.path() / relative).parent_path());
        std::ofstream(m_folder.path() / relative, std::ios::binary) << bytes;
    }

    std::optional<std::vector<ImportedContact>> readBook(const std::string& cards)
    {
        write("book/contacts.vcf", cards);
        return AddressBookFile::read(m_folder.path() / "book" / "contacts.vcf", error);
    }

    fs::path path(const std::string& relative) const { return m_folder.path() / relative; }

    VCardError error;

private:
    testing_support::TempFolder m_folder;
};

TEST_F(PhotoFileTest, ReadsPhotosBesideTheBook)
{
    write("book/photos/a.png", "PNG bytes");
    write("book/b b.jpg", "JPEG bytes");
    const auto contacts = readBook(version30("PHOTO;VALUE=uri:photos/a.png\r\n") + version30("PHOTO;VALUE=uri:file:b%20b.jpg\r\n")
        + version30("PHOTO;VALUE=uri:file://" + path("book/photos/a.png").string() + "\r\n")
        + "BEGIN:VCARD\r\nVERSION:4.0\r\nPHOTO:photos\\\\a.png\r\nEND:VCARD\r\n");
    ASSERT_TRUE(contacts) << error.text();
    ASSERT_EQ(contacts->size(), 4u);
    const auto bytes = [](const ImportedContact& contact) { return std::string(contact.picture.begin(), contact.picture.end()); };
    EXPECT_EQ(bytes((*contacts)[0]), "PNG bytes");
    EXPECT_EQ(bytes((*contacts)[1]), "JPEG bytes");
    EXPECT_EQ(bytes((*contacts)[2]), "PNG bytes");
    EXPECT_EQ(bytes((*contacts)[3]), "PNG bytes");
    EXPECT_EQ((*contacts)[1].line, 5);
}

TEST_F(PhotoFileTest, RefusesAMissingPhotoFileWithItsLine)
{
    EXPECT_FALSE(readBook(version30("FN:A\r\n") + version30("FN:B\r\nPHOTO;VALUE=uri:photos/none.png\r\n")));
    EXPECT_EQ(error.text(), "line 8: the photo file photos/none.png is missing");
}

TEST_F(PhotoFileTest, RefusesPhotosOutsideTheBooksFolder)
{
    write("secret.txt", "not a photo");
    fs::create_directories(path("book"));
    fs::create_symlink(path("secret.txt"), path("book/link.png"));
    for (const std::string& reference : { std::string("../secret.txt"), "file://" + path("secret.txt").string(), std::string("link.png") }) {
        error = {};
        EXPECT_FALSE(readBook(version30("PHOTO;VALUE=uri:" + reference + "\r\n"))) << reference;
        EXPECT_EQ(error.text(), "line 3: the photo " + reference + " is not inside the address book's folder");
    }
}

TEST_F(PhotoFileTest, ReportsAFileThatCannotBeRead)
{
    EXPECT_FALSE(AddressBookFile::read(path("none.vcf"), error));
    EXPECT_EQ(error.line, 0);
    EXPECT_EQ(error.reason, "no address book file " + path("none.vcf").string());
}

TEST(SampleAddressBook, HoldsTheDemosContacts)
{
    const fs::path sample = fs::path(__FILE__).parent_path().parent_path().parent_path() / "emulator" / "samples" / "contacts.vcf";
    VCardError error;
    const auto contacts = AddressBookFile::read(sample, error);
    ASSERT_TRUE(contacts) << error.text();
    EXPECT_EQ(contacts->size(), 12u);
    std::map<std::string, const ImportedContact*> byName;
    std::map<std::string, int> numberUses;
    std::set<std::string> categories;
    for (const ImportedContact& contact : *contacts) {
        byName[emu::toUtf8(contact.texts.at(ContactProperty::FileAs))] = &contact;
        for (const auto& [property, text] : texts(contact)) {
            if ((property >= 0x96 && property <= 0xA1) || property == 0x10A3)
                ++numberUses[text];
        }
        for (const std::u16string& category : contact.categories)
            categories.insert(emu::toUtf8(category));
    }
    EXPECT_EQ(categories, (std::set<std::string> { "Семья", "Работа", "Друзья", "VIP" }));
    EXPECT_EQ(numberUses["495 234-56-78"], 2) << "two contacts share a number";
    EXPECT_EQ(notes(*byName.at("Петров Пётр")), "Старый друг, рыбалка по субботам\r\n== start pim information ==\r\n"
                                                 "Phone: [Dacha: +7 495 111-22-33]\r\n== end pim information ==");
    const auto starts = [&](const std::string& name, std::vector<std::uint8_t> signature) {
        const std::vector<std::uint8_t>& picture = byName.at(name)->picture;
        return picture.size() > signature.size() && std::equal(signature.begin(), signature.end(), picture.begin());
    };
    EXPECT_TRUE(starts("Иванов Иван", { 0x89, 'P', 'N', 'G' }));
    EXPECT_TRUE(starts("Петров Пётр", { 0xFF, 0xD8, 0xFF }));
    EXPECT_EQ(texts(*byName.at("Волков Дмитрий"))[0x96], "8 903 765-43-21");
    EXPECT_EQ(texts(*byName.at("Maria Rossi"))[0x96], "+39-06-555-0199");
}

}
