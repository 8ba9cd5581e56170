// The caller look-up end to end on a device: contacts in the contacts database, their extras in the
// property store and their number keys in the index; a received number found, verified, loaded and
// labelled.
#include "tests/support/DeviceFixture.h"
#include "vyx/contacts/CallerLookup.h"
#include "vyx/contacts/CategoryDatabases.h"
#include "vyx/contacts/ContactNotes.h"
#include "vyx/contacts/NumberTypeLabel.h"
#include "vyx/contacts/PhoneFields.h"
#include "vyx/resources/VyxStrings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace {

using vyx::CallerInfo;
using vyx::CallerLookup;
using vyx::PimDatabase;
using vyx::PropertyValue;

constexpr CEPROPID firstName = MAKEPROPID(0x82, CEVT_LPWSTR);
constexpr CEPROPID lastName = MAKEPROPID(0x84, CEVT_LPWSTR);
constexpr CEPROPID mobile = MAKEPROPID(0x96, CEVT_LPWSTR);
constexpr CEPROPID work = MAKEPROPID(0x97, CEVT_LPWSTR);
constexpr CEPROPID notesId = MAKEPROPID(0x1E, CEVT_STREAM);

std::vector<BYTE> bytesOf(std::string_view text)
{
    return std::vector<BYTE>(text.begin(), text.end());
}

// A photo of the bundled address book, a JPEG.
std::vector<BYTE> samplePhoto()
{
    const auto path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "emulator" / "samples" / "photos" / "petrov.jpg";
    std::ifstream file(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The contacts, the property store and the index of one test, filled as the index maintenance fills them.
class Phonebook final : public vyx::SortTextReader {
public:
    Phonebook()
    {
        EXPECT_TRUE(contacts.Open(u"Contacts Database", {}, 0, nullptr));
        EXPECT_TRUE(props.Create(0));
        EXPECT_TRUE(index.Create());
    }

    DWORD add(std::u16string_view last, std::vector<PropertyValue> properties)
    {
        properties.push_back(PropertyValue::Text(lastName, last));
        const CEOID id = contacts.WriteProps(0, properties, PimDatabase::WriteMode::Set);
        m_names[id] = std::u16string(last);
        vyx::IndexedContact entry { id, {}, {}, 0 };
        std::vector<std::u16string> numbers;
        vyx::ContactExtras extras;
        for (const PropertyValue& value : properties) {
            if (value.Type() == CEVT_LPWSTR && value.Number() >= 0x96 && value.Number() <= 0xA1)
                numbers.push_back(value.AsText());
            if (value.Id() == notesId)
                extras = vyx::ContactNotes::ParseNotes(value.AsBytes()).extras;
        }
        for (const auto& phone : extras.phones)
            numbers.push_back(phone.value);
        for (const auto& number : numbers) {
            for (const auto& key : vyx::NumberKeysOfField(number))
                entry.words.emplace_back(key.Text());
        }
        entry.propsOffset = props.WriteRecord(extras).value();
        EXPECT_TRUE(index.AddContact(entry, *this));
        return id;
    }

    std::optional<std::u16string> SortText(DWORD contact, int) override
    {
        const auto found = m_names.find(contact);
        return found == m_names.end() ? std::nullopt : std::optional(found->second);
    }

    PimDatabase contacts;
    vyx::PropsStore props;
    vyx::IndexStore index;

private:
    std::map<DWORD, std::u16string> m_names;
};

class CallerLookupTest : public testing_support::DeviceFixture {
protected:
    void runLookup(std::function<void(Phonebook&)> body)
    {
        runProgram([&] {
            Phonebook book;
            body(book);
            return 0;
        }, u"lookup", &vyx::vyxResources());
    }
};

TEST_F(CallerLookupTest, TheDachaNumberInTheNotesIsFoundLoadedAndLabelled)
{
    runLookup([](Phonebook& book) {
        const std::string notes = "Ключи у соседа\r\n== start pim information ==\r\nPhone: [Dacha: +7 495 111-22-33]\r\n"
                                  "== end pim information ==";
        const DWORD petrov = book.add(u"Петров", { PropertyValue::Text(mobile, u"+7 985 765-43-21"),
                                                     PropertyValue::Bytes(notesId, bytesOf(notes)),
                                                     PropertyValue::Bytes(MAKEPROPID(0xFF, CEVT_BLOB), samplePhoto()) });
        book.add(u"Смирнов", { PropertyValue::Text(mobile, u"+7 903 210-98-76") });

        CallerLookup lookup(book.contacts, book.index, book.props);
        std::vector<DWORD> found;
        std::vector<std::u16string> tails;
        EXPECT_EQ(lookup.FindContactsByNumber(u"+74951112233", 6, 4000, found, tails), 1);
        EXPECT_EQ(found, std::vector<DWORD> { petrov });
        EXPECT_EQ(tails, std::vector<std::u16string> { u"1112233" });

        CallerInfo record;
        EXPECT_TRUE(lookup.LoadContact(petrov, record));
        EXPECT_EQ(record.texts[CallerInfo::LastName], u"Петров");
        ASSERT_TRUE(record.picture);
        EXPECT_GT(record.picture->Width(), 0);
        EXPECT_TRUE(record.notes.empty());
        ASSERT_TRUE(record.visibleNotes);
        EXPECT_EQ(*record.visibleNotes, bytesOf("Ключи у соседа\r\n"));
        ASSERT_EQ(record.extras.phones.size(), 1u);
        EXPECT_EQ(vyx::NumberTypeLabel::Of(record, tails.front()), std::optional<std::u16string>(u"Dacha"));

        // A number stored on the contact form gets its type's label.
        EXPECT_EQ(lookup.FindContactsByNumber(u"89857654321", 6, 4000, found, tails), 1);
        EXPECT_EQ(vyx::NumberTypeLabel::Of(record, tails.front()), std::optional<std::u16string>(u"Мобильный"));
    });
}

TEST_F(CallerLookupTest, AContactGoneOrNotIndexedDoesNotLoad)
{
    runLookup([](Phonebook& book) {
        const DWORD kept = book.add(u"Иванов", { PropertyValue::Text(work, u"495 123-45-67") });
        const std::array unindexedName { PropertyValue::Text(lastName, u"Новиков") };
        const CEOID unindexed = book.contacts.WriteProps(0, unindexedName, PimDatabase::WriteMode::Set);

        CallerLookup lookup(book.contacts, book.index, book.props);
        CallerInfo record;
        EXPECT_FALSE(lookup.LoadContact(unindexed, record));
        EXPECT_EQ(record.identifier, 0u);
        EXPECT_TRUE(lookup.LoadContact(kept, record));
        EXPECT_FALSE(record.picture);

        CEGUID volume {};
        CeMountDBVol(&volume, u"\\pim.vol", OPEN_EXISTING);
        CEOID database = 0;
        const HANDLE raw = CeOpenDatabaseEx2(&volume, &database, u"Contacts Database", nullptr, 0, nullptr);
        EXPECT_TRUE(CeDeleteRecord(raw, kept));
        CloseHandle(raw);
        CeUnmountDBVol(&volume);
        EXPECT_FALSE(lookup.LoadContact(kept, record));
    });
}

TEST_F(CallerLookupTest, CategoriesAreReadOnceAndAContactWithoutAKeyLooksUpTheBareKind)
{
    runLookup([](Phonebook& book) {
        vyx::CategoryDatabases* categories = vyx::CategoryDatabases::Instance();
        ASSERT_NE(categories, nullptr);
        PimDatabase associations;
        EXPECT_TRUE(associations.Open(u"CategoryAssocDB", {}, 0, nullptr));
        for (const auto& [key, category] : { std::pair<DWORD, LONG> { 0x80000000, 4 }, { 0x80000005, 2 }, { 0x80000005, 3 } }) {
            const std::array link { PropertyValue::Dword(MAKEPROPID(1, CEVT_UI4), key), PropertyValue::Long(MAKEPROPID(2, CEVT_I4), category) };
            associations.WriteProps(0, link, PimDatabase::WriteMode::Set);
        }
        const DWORD keyless = book.add(u"Keyless", {});
        const DWORD keyed = book.add(u"Keyed", { PropertyValue::Dword(MAKEPROPID(0x1000, CEVT_UI4), 5) });
        CallerLookup lookup(book.contacts, book.index, book.props);
        CallerInfo record;
        EXPECT_TRUE(lookup.LoadContact(keyless, record));
        EXPECT_EQ(CallerLookup::Categories(record), std::vector<DWORD> { 4 });
        EXPECT_TRUE(lookup.LoadContact(keyed, record));
        EXPECT_EQ(CallerLookup::Categories(record), (std::vector<DWORD> { 2, 3 }));
        // Kept with the record: a later change of the associations is not seen by it.
        const std::array link { PropertyValue::Dword(MAKEPROPID(1, CEVT_UI4), 0x80000005), PropertyValue::Long(MAKEPROPID(2, CEVT_I4), 9) };
        associations.WriteProps(0, link, PimDatabase::WriteMode::Set);
        EXPECT_EQ(CallerLookup::Categories(record), (std::vector<DWORD> { 2, 3 }));
    });
}

class DemotionLookupTest : public CallerLookupTest, public ::testing::WithParamInterface<bool> {
};

TEST_P(DemotionLookupTest, SharedNumbersPutDemotedContactsLastAndOtherwiseFollowTheDisplayOrder)
{
    // A fresh volume, made by a device whose profile says whether contacts have the property.
    device.reset();
    std::filesystem::remove(folder() / "pim.vol");
    emu::DeviceProfile profile;
    profile.contactsDemotionProperty = GetParam();
    resetDevice(profile);
    const bool declared = GetParam();
    runLookup([declared](Phonebook& book) {
        const std::u16string shared = u"495 234-56-78";
        const DWORD ann = book.add(u"Ann", { PropertyValue::Text(mobile, shared), PropertyValue::Dword(CallerLookup::demotionProperty, 1) });
        const DWORD bob = book.add(u"Bob", { PropertyValue::Text(work, shared) });
        const DWORD cid = book.add(u"Cid", { PropertyValue::Text(work, shared) });

        CallerLookup lookup(book.contacts, book.index, book.props);
        std::vector<DWORD> found;
        std::vector<std::u16string> tails;
        EXPECT_EQ(lookup.FindContactsByNumber(u"+74952345678", 6, 4000, found, tails), 3);
        // The demotion property counts only where the database declares it.
        EXPECT_EQ(found, declared ? (std::vector<DWORD> { bob, cid, ann }) : (std::vector<DWORD> { ann, bob, cid }));
    });
}

INSTANTIATE_TEST_SUITE_P(Declared, DemotionLookupTest, ::testing::Bool());

}
