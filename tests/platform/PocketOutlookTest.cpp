// The contacts object model: the programs' sequence that makes the category databases exist (start,
// log on, create a contact item, read a property into a heap of their own), made once however often
// it runs, the count of application objects for drivers, the object model's refusals, and the
// categories' look-ups on the databases it made.
#include "platform/api/PimOutlook.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinDb.h"
#include "platform/emu/ContactsSchema.h"
#include "platform/emu/PocketOutlook.h"
#include "tests/platform/ObjectStoreSupport.h"
#include "tests/support/DeviceFixture.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

using emu::ContactsSchema;
using testing_support::caseName;
using testing_support::flaggedValue;
using testing_support::mountPimVolume;
using testing_support::numberValue;
using testing_support::openDatabase;
using testing_support::readCurrent;
using testing_support::sortOrder;
using testing_support::textValue;
using testing_support::writeRecord;

namespace {

constexpr CEPROPID itemProperty = 0x101A001F;

// The programs' way to make the category tables exist; the outcome of each step, in order.
std::vector<std::string> startObjectModel()
{
    std::vector<std::string> steps;
    const auto step = [&](const char* name, HRESULT result) {
        steps.push_back(std::string(name) + (SUCCEEDED(result) ? " ok" : " failed"));
        return SUCCEEDED(result);
    };
    step("init", CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    IPOutlookApp* application = nullptr;
    if (!step("create", CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp, reinterpret_cast<LPVOID*>(&application))))
        return steps;
    step("logon", application->Logon(nullptr));
    IDispatch* item = nullptr;
    if (step("item", application->CreateItem(olContactItem, &item))) {
        IItem* properties = nullptr;
        if (step("query", item->QueryInterface(IID_IItem, reinterpret_cast<LPVOID*>(&properties)))) {
            const HANDLE heap = HeapCreate(0, 0, 0);
            CEPROPVAL* values = nullptr;
            ULONG size = 0;
            const CEPROPID id = itemProperty;
            if (step("props", properties->GetProps(&id, CEDB_ALLOWREALLOC, 1, &values, &size, heap))) {
                steps.push_back(testing_support::describe(values[0]));
                step("free", HeapFree(heap, 0, values) ? S_OK : E_FAIL);
            }
            HeapDestroy(heap);
            properties->Release();
        }
        item->Release();
    }
    step("logoff", application->Logoff());
    application->Release();
    CoUninitialize();
    return steps;
}

class PocketOutlookTest : public testing_support::DeviceFixture { };

TEST_F(PocketOutlookTest, ProgramsSequenceCreatesTheCategoryDatabasesOnce)
{
    std::vector<std::string> steps;
    std::vector<CEOID> firstIds;
    std::vector<CEOID> secondIds;
    std::vector<std::string> sortOrders;
    const auto categoryIds = [&](std::vector<CEOID>& ids) {
        CEGUID volume = mountPimVolume();
        for (const char16_t* name : { ContactsSchema::categoryMainDatabase, ContactsSchema::categoryAssocDatabase }) {
            CEOID id = 0;
            const HANDLE handle = CeOpenDatabaseEx2(&volume, &id, name, nullptr, 0, nullptr);
            ids.push_back(handle == INVALID_HANDLE_VALUE ? 0 : id);
            CloseHandle(handle);
            CEOIDINFOEX info {};
            if (id && CeOidGetInfoEx2(&volume, id, &info)) {
                const SORTORDERSPECEX& sort = info.infDatabase.rgSortSpecs[0];
                sortOrders.push_back(std::to_string(info.infDatabase.wNumSortOrder) + ": " + testing_support::hex(sort.rgPropID[0]) + " "
                    + testing_support::hex(sort.rgPropID[1]) + " key flags " + testing_support::hex(sort.wKeyFlags));
            }
        }
        CeUnmountDBVol(&volume);
    };
    runProgram([&] {
        steps = startObjectModel();
        categoryIds(firstIds);
        return 0;
    });
    runProgram([&] {
        startObjectModel();
        categoryIds(secondIds);
        return 0;
    }, u"second");
    EXPECT_EQ(steps, (std::vector<std::string> { "init ok", "create ok", "logon ok", "item ok", "query ok", "props ok", "0x101A001F missing", "free ok",
                         "logoff ok" }));
    ASSERT_EQ(firstIds.size(), 2u);
    EXPECT_NE(firstIds[0], 0u);
    EXPECT_NE(firstIds[1], 0u);
    EXPECT_EQ(secondIds, firstIds);
    EXPECT_EQ(sortOrders[0], "1: 0x00010066 0x00000000 key flags 0x00001200");
    EXPECT_EQ(sortOrders[1], "1: 0x00010013 0x00020003 key flags 0x00001200");
    EXPECT_EQ(device->pocketOutlook().applicationsCreated(), 2u);
    EXPECT_EQ(device->pocketOutlook().liveObjects(), 0u);
}

struct RefusalCase {
    std::string name;
    std::function<HRESULT()> attempt;
    HRESULT expected;
    friend void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }
};

class PocketOutlookRefusalTest : public PocketOutlookTest, public ::testing::WithParamInterface<RefusalCase> { };

TEST_P(PocketOutlookRefusalTest, RefusesWhatItCannotDo)
{
    HRESULT result = S_OK;
    runProgram([&] {
        result = GetParam().attempt();
        return 0;
    });
    EXPECT_EQ(result, GetParam().expected);
    EXPECT_EQ(device->pocketOutlook().liveObjects(), 0u);
}

// Runs `use` on a started application object, released afterwards.
HRESULT withApplication(const std::function<HRESULT(IPOutlookApp&)>& use)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IPOutlookApp* application = nullptr;
    CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp, reinterpret_cast<LPVOID*>(&application));
    const HRESULT result = use(*application);
    application->Release();
    CoUninitialize();
    return result;
}

INSTANTIATE_TEST_SUITE_P(Refusals, PocketOutlookRefusalTest,
    ::testing::Values(
        RefusalCase { "CreateBeforeInit",
            [] {
                LPVOID object = nullptr;
                return CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp, &object);
            },
            CO_E_NOTINITIALIZED },
        RefusalCase { "UnknownClass",
            [] {
                CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                LPVOID object = nullptr;
                const HRESULT result = CoCreateInstance(IID_IItem, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp, &object);
                CoUninitialize();
                return result;
            },
            REGDB_E_CLASSNOTREG },
        RefusalCase { "UnknownInterface",
            [] {
                return withApplication([](IPOutlookApp& application) {
                    LPVOID object = nullptr;
                    return application.QueryInterface(IID_IItem, &object);
                });
            },
            E_NOINTERFACE },
        RefusalCase { "ItemBeforeLogon",
            [] {
                return withApplication([](IPOutlookApp& application) {
                    IDispatch* item = nullptr;
                    return application.CreateItem(olContactItem, &item);
                });
            },
            E_FAIL },
        RefusalCase { "OtherItemType",
            [] {
                return withApplication([](IPOutlookApp& application) {
                    application.Logon(nullptr);
                    IDispatch* item = nullptr;
                    return application.CreateItem(1, &item);
                });
            },
            E_INVALIDARG },
        RefusalCase { "ShortBufferWithoutRealloc",
            [] {
                return withApplication([](IPOutlookApp& application) {
                    application.Logon(nullptr);
                    IDispatch* item = nullptr;
                    application.CreateItem(olContactItem, &item);
                    IItem* properties = nullptr;
                    item->QueryInterface(IID_IItem, reinterpret_cast<LPVOID*>(&properties));
                    CEPROPVAL value {};
                    CEPROPVAL* values = &value;
                    ULONG size = 4;
                    const CEPROPID ids[] = { itemProperty, itemProperty };
                    const HRESULT result = properties->GetProps(ids, 0, 2, &values, &size, nullptr);
                    EXPECT_EQ(size, 2 * sizeof(CEPROPVAL));
                    properties->Release();
                    item->Release();
                    return result;
                });
            },
            HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) }),
    caseName<RefusalCase>);

TEST_F(PocketOutlookTest, LogonFailsWhenTheVolumeIsNoVolume)
{
    std::ofstream(folder() / "pim.vol", std::ios::trunc) << "damaged";
    resetDevice(emu::DeviceProfile {});
    HRESULT result = S_OK;
    runProgram([&] {
        result = withApplication([](IPOutlookApp& application) { return application.Logon(nullptr); });
        return 0;
    });
    EXPECT_EQ(result, E_FAIL);
}

// The look-ups the programs make on the category databases: a category's name by its number, and the
// categories of an item key in record order.
TEST_F(PocketOutlookTest, CategoryDatabasesAnswerTheProgramsLookUps)
{
    std::string nameOfSecond;
    std::vector<std::string> ofItem;
    runProgram([&] {
        startObjectModel();
        CEGUID volume = mountPimVolume();
        SORTORDERSPECEX byNumber = sortOrder({ ContactsSchema::categoryNumber }, {}, 0x1200);
        const HANDLE main = openDatabase(volume, ContactsSchema::categoryMainDatabase, &byNumber);
        for (const char16_t* name : { u"Business", u"Family", u"Friends" })
            writeRecord(main, 0, { textValue(ContactsSchema::categoryName, name) });
        CEPROPVAL second = numberValue(ContactsSchema::categoryNumber, 2);
        EXPECT_NE(CeSeekDatabaseEx(main, CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(&second), 1, nullptr), 0u);
        nameOfSecond = readCurrent(main, { ContactsSchema::categoryName }).front();

        SORTORDERSPECEX byItem = sortOrder({ ContactsSchema::assocItemKey, ContactsSchema::assocCategory }, {}, 0x1200);
        const HANDLE assoc = openDatabase(volume, ContactsSchema::categoryAssocDatabase, &byItem);
        const std::pair<DWORD, LONG> links[] = { { 0x80000001, 3 }, { 0x80000000, 5 }, { 0x80000001, 1 }, { 0x80000002, 2 }, { 0x40000001, 1 } };
        for (const auto& [item, category] : links)
            writeRecord(assoc, 0, { numberValue(ContactsSchema::assocItemKey, item), numberValue(ContactsSchema::assocCategory, category) });
        CEPROPVAL after[] = { numberValue(ContactsSchema::assocItemKey, 0x80000001), flaggedValue(ContactsSchema::assocCategory, CEDB_PROPNOTFOUND) };
        for (CEOID record = CeSeekDatabaseEx(assoc, CEDB_SEEK_VALUEGREATER, reinterpret_cast<DWORD_PTR>(after), 2, nullptr); record;
             record = CeSeekDatabaseEx(assoc, CEDB_SEEK_CURRENT, 1, 0, nullptr)) {
            const auto read = readCurrent(assoc, { ContactsSchema::assocItemKey, ContactsSchema::assocCategory });
            if (read[0] != "0x00010013 " + std::to_string(0x80000001u))
                break;
            ofItem.push_back(read[1]);
        }
        return 0;
    });
    EXPECT_EQ(nameOfSecond, "0x0002001F \"Family\"");
    EXPECT_EQ(ofItem, (std::vector<std::string> { "0x00020003 1", "0x00020003 3" }));
}

}
