// The programs' database wrapper and the category databases over the device's object store: seeks,
// walks and their end codes, absent properties, deletes, notifications, and the category lookups.
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "tests/platform/ProgramSupport.h"
#include "platform/emu/PocketOutlook.h"
#include "tests/support/DeviceFixture.h"
#include "vyx/contacts/CategoryDatabases.h"
#include "vyx/contacts/PimDatabase.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using vyx::CategoryDatabases;
using vyx::PimDatabase;
using vyx::PropertyValue;

constexpr CEPROPID keyId = MAKEPROPID(1, CEVT_UI4);
constexpr CEPROPID textId = MAKEPROPID(2, CEVT_LPWSTR);
constexpr CEPROPID otherTextId = MAKEPROPID(3, CEVT_LPWSTR);

// Creates "Numbers", sorted by property 1, holding one record per key with the text "k<key>".
std::vector<CEOID> createNumbers(std::initializer_list<DWORD> keys)
{
    CEGUID volume {};
    EXPECT_TRUE(CeMountDBVol(&volume, u"\\pim.vol", OPEN_ALWAYS));
    CEDBASEINFOEX info {};
    info.wVersion = CEDBASEINFOEX_VERSION;
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDSORTSPEC;
    std::u16string_view name = u"Numbers";
    std::copy(name.begin(), name.end(), info.szDbaseName);
    info.wNumSortOrder = 1;
    info.rgSortSpecs[0].wVersion = SORTORDERSPECEX_VERSION;
    info.rgSortSpecs[0].wNumProps = 1;
    info.rgSortSpecs[0].rgPropID[0] = keyId;
    EXPECT_NE(CeCreateDatabaseEx2(&volume, &info), 0u);
    CeUnmountDBVol(&volume);

    PimDatabase database;
    EXPECT_TRUE(database.Open(u"Numbers", {}, 0, nullptr));
    std::vector<CEOID> records;
    for (const DWORD key : keys) {
        const std::array values { PropertyValue::Dword(keyId, key), PropertyValue::Text(textId, u"k" + std::u16string(1, u'0' + key % 10)) };
        records.push_back(database.WriteProps(0, values, PimDatabase::WriteMode::Set));
    }
    return records;
}

DWORD keyOf(const std::vector<PropertyValue>& values)
{
    for (const PropertyValue& value : values) {
        if (value.Id() == keyId)
            return value.AsDword();
    }
    return 0;
}

// The key of the record the database stands on, or 0 when the read fails.
DWORD currentKey(PimDatabase& database)
{
    CEOID record = 0;
    std::vector<PropertyValue> values;
    return database.ReadProps(nullptr, record, values) ? keyOf(values) : 0;
}

class PimDatabaseTest : public testing_support::DeviceFixture {
};

TEST_F(PimDatabaseTest, SeeksReachTheRecordsOfEachKindInSortOrder)
{
    runProgram([] {
        const auto records = createNumbers({ 30, 10, 20, 25 });
        PimDatabase database;
        const std::array sortOrder { keyId };
        EXPECT_TRUE(database.Open(u"Numbers", sortOrder, 0, nullptr));

        EXPECT_TRUE(database.SeekFirst());
        EXPECT_EQ(currentKey(database), 10u);
        EXPECT_TRUE(database.SeekFirst(2));
        EXPECT_EQ(currentKey(database), 25u);
        EXPECT_TRUE(database.SeekLast());
        EXPECT_EQ(currentKey(database), 30u);
        EXPECT_TRUE(database.SeekLast(1));
        EXPECT_EQ(currentKey(database), 25u);
        EXPECT_TRUE(database.SeekIdentifier(records[2]));
        EXPECT_EQ(currentKey(database), 20u);
        EXPECT_TRUE(database.SeekEqual(PropertyValue::Dword(keyId, 25)));
        EXPECT_EQ(currentKey(database), 25u);
        EXPECT_FALSE(database.SeekEqual(PropertyValue::Dword(keyId, 26)));
        const std::array after20 { PropertyValue::Dword(keyId, 20) };
        EXPECT_TRUE(database.SeekAfter(after20));
        EXPECT_EQ(currentKey(database), 25u);
        const std::array after30 { PropertyValue::Dword(keyId, 30) };
        EXPECT_FALSE(database.SeekAfter(after30));
        EXPECT_FALSE(database.SeekFirst(4));
        return 0;
    });
}

TEST_F(PimDatabaseTest, AutoAdvanceReadsEveryRecordOnceThenFailsWithEndOfFile)
{
    runProgram([] {
        createNumbers({ 1, 2, 3 });
        PimDatabase database;
        EXPECT_TRUE(database.Open(u"Numbers", {}, 0, nullptr));
        database.SetAutoAdvance(true);
        EXPECT_TRUE(database.SeekFirst());
        std::vector<DWORD> keys;
        CEOID record = 0;
        std::vector<PropertyValue> values;
        while (database.ReadProps(nullptr, record, values))
            keys.push_back(keyOf(values));
        EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
        EXPECT_EQ(keys, (std::vector<DWORD> { 1, 2, 3 }));
        EXPECT_TRUE(database.IsAtEnd());
        // A seek puts the walk back on its feet.
        EXPECT_TRUE(database.SeekFirst(1));
        EXPECT_EQ(currentKey(database), 2u);
        return 0;
    });
}

TEST_F(PimDatabaseTest, WalkWithoutAutoAdvanceEndsWithNoMoreItems)
{
    runProgram([] {
        createNumbers({ 1, 2 });
        PimDatabase database;
        EXPECT_TRUE(database.Open(u"Numbers", {}, 0, nullptr));
        EXPECT_TRUE(database.SeekFirst());
        int read = 0;
        CEOID record = 0;
        std::vector<PropertyValue> values;
        while (database.ReadProps(nullptr, record, values)) {
            ++read;
            database.SeekNext();
            if (read > 2)
                break;
        }
        EXPECT_EQ(read, 2);
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
        return 0;
    });
}

TEST_F(PimDatabaseTest, ListedReadsFlagWhatTheRecordLacksAndDeleteModeRemovesProperties)
{
    runProgram([] {
        const auto records = createNumbers({ 7 });
        PimDatabase database;
        EXPECT_TRUE(database.Open(u"Numbers", {}, 0, nullptr));
        EXPECT_TRUE(database.SeekIdentifier(records[0]));
        const std::vector<CEPROPID> wanted { otherTextId, textId };
        CEOID record = 0;
        std::vector<PropertyValue> values;
        EXPECT_TRUE(database.ReadProps(&wanted, record, values));
        EXPECT_EQ(record, records[0]);
        EXPECT_EQ(values.size(), 2u);
        EXPECT_TRUE(values[0].IsAbsent());
        EXPECT_FALSE(values[1].IsAbsent());
        EXPECT_EQ(values[1].AsText(), u"k7");

        const std::array removed { PropertyValue::Text(textId, u"") };
        EXPECT_EQ(database.WriteProps(records[0], removed, PimDatabase::WriteMode::Delete), records[0]);
        EXPECT_TRUE(database.SeekIdentifier(records[0]));
        EXPECT_TRUE(database.ReadProps(&wanted, record, values));
        EXPECT_TRUE(values[1].IsAbsent());

        EXPECT_EQ(database.WriteProps(records[0], {}, PimDatabase::WriteMode::Set), 0u);
        EXPECT_EQ(GetLastError(), ERROR_NO_DATA);
        return 0;
    });
}

TEST_F(PimDatabaseTest, ChangesOfTheContactsReachTheNotifyWindowAsCreatedChangedAndDeleted)
{
    runProgram([] {
        testing_support::registerScriptedClass();
        testing_support::MessageHandler noHandler;
        const HWND window = testing_support::createScriptedWindow(noHandler, {});
        PimDatabase contacts;
        EXPECT_TRUE(contacts.Open(u"Contacts Database", {}, 0, window));
        EXPECT_EQ(contacts.Information(), std::optional<DWORD>(0));

        // Another program of the device changes the contacts.
        CEGUID volume {};
        EXPECT_TRUE(CeMountDBVol(&volume, u"\\pim.vol", OPEN_EXISTING));
        CEOID database = 0;
        const HANDLE writer = CeOpenDatabaseEx2(&volume, &database, u"Contacts Database", nullptr, 0, nullptr);
        EXPECT_NE(writer, INVALID_HANDLE_VALUE);
        const PropertyValue name = PropertyValue::Text(MAKEPROPID(0x82, CEVT_LPWSTR), u"Anna");
        CEPROPVAL raw = name.ToRaw();
        const CEOID record = CeWriteRecordProps(writer, 0, 1, &raw);
        EXPECT_NE(record, 0u);
        EXPECT_EQ(contacts.Information(), std::optional<DWORD>(1));
        EXPECT_EQ(CeWriteRecordProps(writer, record, 1, &raw), record);
        EXPECT_TRUE(CeDeleteRecord(writer, record));
        CloseHandle(writer);
        CeUnmountDBVol(&volume);

        std::vector<UINT> types;
        MSG message {};
        while (PeekMessage(&message, window, WM_DBNOTIFICATION, WM_DBNOTIFICATION, PM_REMOVE)) {
            auto* notification = reinterpret_cast<CENOTIFICATION*>(message.lParam);
            types.push_back(notification->uType);
            EXPECT_EQ(notification->oid, record);
            EXPECT_EQ(notification->oidParent, contacts.Identifier());
            CeFreeNotification(nullptr, notification);
        }
        EXPECT_EQ(types, (std::vector<UINT> { DB_CEOID_CREATED, DB_CEOID_CHANGED, DB_CEOID_RECORD_DELETED }));
        return 0;
    });
}

class CategoryDatabasesTest : public testing_support::DeviceFixture {
protected:
    // The category numbers of `names`, created in that order through the databases the object model made.
    static std::vector<DWORD> createCategories(std::initializer_list<std::u16string_view> names)
    {
        PimDatabase main;
        const std::array mainSort { MAKEPROPID(1, CEVT_AUTO_I4) };
        EXPECT_TRUE(main.Open(u"CategoryMainDB", mainSort, 0x1200, nullptr));
        std::vector<DWORD> numbers;
        for (const std::u16string_view name : names) {
            const std::array values { PropertyValue::Text(MAKEPROPID(2, CEVT_LPWSTR), name) };
            const CEOID record = main.WriteProps(0, values, PimDatabase::WriteMode::Set);
            EXPECT_TRUE(main.SeekIdentifier(record));
            CEOID read = 0;
            std::vector<PropertyValue> properties;
            EXPECT_TRUE(main.ReadProps(nullptr, read, properties));
            for (const PropertyValue& value : properties) {
                if (value.Id() == MAKEPROPID(1, CEVT_AUTO_I4))
                    numbers.push_back(value.AsDword());
            }
        }
        return numbers;
    }
    static void associate(DWORD itemKey, DWORD category)
    {
        PimDatabase associations;
        EXPECT_TRUE(associations.Open(u"CategoryAssocDB", {}, 0, nullptr));
        const std::array values { PropertyValue::Dword(MAKEPROPID(1, CEVT_UI4), itemKey),
            PropertyValue::Long(MAKEPROPID(2, CEVT_I4), static_cast<LONG>(category)) };
        EXPECT_NE(associations.WriteProps(0, values, PimDatabase::WriteMode::Set), 0u);
    }
};

TEST_F(CategoryDatabasesTest, MissingDatabasesAreMadeOnceByTheObjectModelAndThenOpen)
{
    EXPECT_EQ(device->pocketOutlook().applicationsCreated(), 0u);
    runProgram([] {
        EXPECT_NE(CategoryDatabases::Instance(), nullptr);
        EXPECT_EQ(CategoryDatabases::Instance(), CategoryDatabases::Instance());
        return 0;
    });
    EXPECT_EQ(device->pocketOutlook().applicationsCreated(), 1u);
    // Once they exist, another program opens them without the object model.
    runProgram([] {
        EXPECT_NE(CategoryDatabases::Instance(), nullptr);
        return 0;
    });
    EXPECT_EQ(device->pocketOutlook().applicationsCreated(), 1u);
}

TEST_F(CategoryDatabasesTest, ItemsCategoriesComeInTheDatabasesOrderAndNamesSortByLocale)
{
    runProgram([] {
        CategoryDatabases* categories = CategoryDatabases::Instance();
        EXPECT_NE(categories, nullptr);
        const auto numbers = createCategories({ u"cherry", u"Banana", u"apple", u"unused" });
        // A contact without a category key looks up the bare kind.
        associate(CategoryDatabases::ContactItemKey(0), numbers[0]);
        associate(CategoryDatabases::ContactItemKey(7), numbers[1]);
        associate(CategoryDatabases::ContactItemKey(7), numbers[0]);
        associate(CategoryDatabases::ContactItemKey(7), numbers[1]);
        associate(CategoryDatabases::ContactItemKey(9), numbers[2]);
        // A category number with no name, and an item of another kind.
        associate(CategoryDatabases::ContactItemKey(9), 999);
        associate(0x40000001, numbers[3]);

        EXPECT_EQ(categories->CategoriesOfItem(0x80000000), (std::vector<DWORD> { numbers[0] }));
        EXPECT_EQ(categories->CategoriesOfItem(CategoryDatabases::ContactItemKey(7)),
            (std::vector<DWORD> { numbers[0], numbers[1], numbers[1] }));
        EXPECT_TRUE(categories->CategoriesOfItem(CategoryDatabases::ContactItemKey(8)).empty());
        EXPECT_EQ(categories->CategoryName(numbers[1]), std::optional<std::u16string>(u"Banana"));
        EXPECT_EQ(categories->CategoryName(999), std::nullopt);

        std::vector<std::u16string> inUse;
        for (const auto& category : categories->CategoriesInUse(CategoryDatabases::contactKind))
            inUse.push_back(category.name);
        EXPECT_EQ(inUse, (std::vector<std::u16string> { u"apple", u"Banana", u"cherry" }));
        std::vector<std::u16string> all;
        for (const auto& category : categories->AllCategories())
            all.push_back(category.name);
        EXPECT_EQ(all, (std::vector<std::u16string> { u"apple", u"Banana", u"cherry", u"unused" }));
        return 0;
    });
}

}
