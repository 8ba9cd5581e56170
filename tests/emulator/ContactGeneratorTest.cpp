// The synthetic address books: the same seed gives the same bytes, a large book reads back whole, the
// numbers are written as people type them, and the photos are pictures that decode.
#include "emulator/addressbook/ContactGenerator.h"
#include "emulator/addressbook/ContactMapping.h"
#include "emulator/addressbook/VCardReader.h"
#include "platform/emu/Text.h"

#include <gtest/gtest.h>
#include <png.h>

#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using devemu::ContactGenerator;
using devemu::ContactProperty;
using devemu::ImportedContact;
using devemu::VCard;
using devemu::VCardError;

std::string generate(std::uint32_t seed, std::size_t count)
{
    std::ostringstream out;
    ContactGenerator(seed).write(out, count);
    return out.str();
}

std::vector<ImportedContact> readBack(const std::string& text)
{
    VCardError error;
    const auto cards = devemu::VCardReader::read(text, devemu::ContactMapping::propertyNames(), error);
    EXPECT_TRUE(cards) << error.text();
    std::vector<ImportedContact> contacts;
    for (const VCard& card : cards.value_or(std::vector<VCard> {})) {
        auto contact = devemu::ContactMapping::map(card, ".", error);
        EXPECT_TRUE(contact) << error.text();
        if (contact)
            contacts.push_back(std::move(*contact));
    }
    return contacts;
}

TEST(ContactGenerator, GivesTheSameBytesForTheSameSeed)
{
    const std::string book = generate(42, 300);
    EXPECT_EQ(generate(42, 300), book);
    EXPECT_NE(generate(43, 300), book);
    // A book of fewer cards is the beginning of a longer one.
    EXPECT_EQ(book.substr(0, generate(42, 100).size()), generate(42, 100));
}

TEST(ContactGenerator, WritesTheSameBookOnEveryMachine)
{
    // The draws and their mapping to ranges are fixed by the generator, not by the standard library.
    EXPECT_EQ(generate(1, 2),
        "BEGIN:VCARD\r\nVERSION:3.0\r\n"
        "N:Иванова;Светлана;Дмитриевна;;\r\n"
        "FN:Иванова Светлана\r\n"
        "ORG:ЗАО «Стройинвест»;ИТ-отдел\r\n"
        "TITLE:Менеджер по продажам\r\n"
        "TEL;TYPE=CELL:8 916 6395843\r\n"
        "TEL;TYPE=WORK,VOICE:499 820-56-94\r\n"
        "EMAIL;TYPE=INTERNET:sivanova19@mail.example\r\n"
        "CATEGORIES:Семья,Клиенты\r\n"
        "END:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\n"
        "N:Johnson;Claire;;;\r\n"
        "FN:Claire Johnson\r\n"
        "ORG:ООО «Ромашка»;Отдел продаж\r\n"
        "TITLE:Engineer\r\n"
        "TEL;TYPE=CELL:8 905 5469451\r\n"
        "TEL;TYPE=HOME,VOICE:495 316-78-40\r\n"
        "END:VCARD\r\n");
}

TEST(ContactGenerator, WritesFoldedVersion30Lines)
{
    const std::string book = generate(7, 300);
    std::istringstream lines(book);
    std::size_t count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r') << "line " << count + 1 << " ends in CRLF";
        EXPECT_LE(line.size(), 76u) << "line " << count + 1 << " holds at most 75 octets";
    }
    EXPECT_EQ(book.substr(0, 26), "BEGIN:VCARD\r\nVERSION:3.0\r\n");
}

TEST(ContactGenerator, ReadsBackTenThousandContacts)
{
    const std::vector<ImportedContact> contacts = readBack(generate(2026, 10000));
    ASSERT_EQ(contacts.size(), 10000u);
    std::size_t cyrillic = 0, latin = 0, withPhoto = 0, withBlock = 0, withCategories = 0, withCompany = 0;
    for (const ImportedContact& contact : contacts) {
        const std::u16string& fileAs = contact.texts.at(ContactProperty::FileAs);
        cyrillic += fileAs[0] >= u'А' && fileAs[0] <= u'я';
        latin += fileAs[0] >= u'A' && fileAs[0] <= u'Z';
        withPhoto += !contact.picture.empty();
        withBlock += contact.notes.find(u"== start pim information ==") != std::u16string::npos;
        withCategories += !contact.categories.empty();
        withCompany += contact.texts.contains(ContactProperty::Company);
    }
    EXPECT_GT(cyrillic, 5000u);
    EXPECT_GT(latin, 2000u);
    EXPECT_GT(withPhoto, 500u);
    EXPECT_GT(withBlock, 500u);
    EXPECT_GT(withCategories, 3000u);
    EXPECT_GT(withCompany, 3000u);
}

// Whether `text` has the shape of `pattern`, where 'd' stands for any digit and every other character
// for itself.
bool hasShape(std::string_view text, std::string_view pattern)
{
    if (text.size() != pattern.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool fits = pattern[i] == 'd' ? (text[i] >= '0' && text[i] <= '9') : text[i] == pattern[i];
        if (!fits)
            return false;
    }
    return true;
}

TEST(ContactGenerator, WritesNumbersAsPeopleTypeThem)
{
    // The formats, each with the shapes it may take.
    const std::vector<std::vector<std::string_view>> formats {
        { "+7 (ddd) ddd-dd-dd" },
        { "8 ddd ddddddd" },
        { "ddd ddd-dd-dd" },
        { "ddd", "dddd" },
    };
    std::vector<std::size_t> uses(formats.size());
    const auto check = [&](const std::string& number) {
        for (std::size_t i = 0; i < formats.size(); ++i) {
            for (const std::string_view shape : formats[i]) {
                if (hasShape(number, shape)) {
                    ++uses[i];
                    return;
                }
            }
        }
        ADD_FAILURE() << "a number in no format: " << number;
    };
    for (const ImportedContact& contact : readBack(generate(5, 1000))) {
        for (const auto& [property, text] : contact.texts) {
            const auto number = static_cast<int>(property);
            if ((number >= 0x96 && number <= 0xA1) || number == 0x10A3)
                check(emu::toUtf8(text));
        }
        const std::string notes = emu::toUtf8(contact.notes);
        const std::size_t phones = notes.find("Phone:");
        if (phones == std::string::npos)
            continue;
        // The entries "[label: number]" of the block's phone section.
        const std::string section = notes.substr(phones, notes.find("\r\n", phones) - phones);
        for (std::size_t open = section.find('['); open != std::string::npos; open = section.find('[', open + 1)) {
            const std::size_t colon = section.find(": ", open);
            const std::size_t close = section.find(']', open);
            if (colon != std::string::npos && close != std::string::npos && colon < close)
                check(section.substr(colon + 2, close - colon - 2));
        }
    }
    for (std::size_t i = 0; i < formats.size(); ++i)
        EXPECT_GT(uses[i], 20u) << "format " << i;
}

TEST(ContactGenerator, DrawsPhotosThatDecode)
{
    std::size_t decoded = 0;
    for (const ImportedContact& contact : readBack(generate(11, 200))) {
        if (contact.picture.empty())
            continue;
        png_image image {};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&image, contact.picture.data(), contact.picture.size())) << image.message;
        image.format = PNG_FORMAT_RGB;
        std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
        EXPECT_EQ(image.width, 32u);
        EXPECT_EQ(image.height, 32u);
        // The squares are mirrored about the middle column.
        for (std::size_t y = 0; y < 32; ++y) {
            for (std::size_t x = 0; x < 32; ++x)
                ASSERT_EQ(pixels[(y * 32 + x) * 3], pixels[(y * 32 + 31 - x) * 3]) << x << "," << y;
        }
        ++decoded;
    }
    EXPECT_GT(decoded, 5u);
}

}
