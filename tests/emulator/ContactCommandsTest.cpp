// devemu's address book: importing vCard files into the device's contacts (all or nothing), listing,
// showing and changing contacts, the categories, and the notifications a watching program receives.
#include "emulator/AddressBook.h"
#include "emulator/addressbook/ContactGenerator.h"
#include "platform/api/WinDb.h"
#include "platform/api/WinUser.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using testing_support::linesPrintedAfter;
using testing_support::runEmulatorScript;

fs::path sampleBook()
{
    return fs::path(__FILE__).parent_path().parent_path().parent_path() / "emulator" / "samples" / "contacts.vcf";
}

class ContactCommandsTest : public ::testing::Test {
protected:
    testing_support::ScriptResult run(const std::vector<std::string>& lines)
    {
        return runEmulatorScript(m_device.path(), lines, false);
    }
    fs::path write(const std::string& name, const std::string& text)
    {
        const fs::path path = m_files.path() / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    testing_support::TempFolder m_device;
    testing_support::TempFolder m_files;
};

TEST_F(ContactCommandsTest, TheBundledAddressBookImportsWithItsCategoriesAndPhotos)
{
    const std::string import = "contacts import " + sampleBook().string();
    const auto result = run({ import, "contacts list", "categories list" });
    ASSERT_TRUE(result.succeeded) << result.errors;
    EXPECT_EQ(linesPrintedAfter(result.transcript, import), (std::vector<std::string> { "imported 12 contacts, 4 categories" }));
    EXPECT_EQ(linesPrintedAfter(result.transcript, "contacts list").size(), 12u);
    const auto categories = linesPrintedAfter(result.transcript, "categories list");
    EXPECT_EQ(categories.size(), 4u);
    EXPECT_NE(result.transcript.find("\"Семья\""), std::string::npos) << result.transcript;
}

struct VersionCase {
    const char* name;
    std::string card;
    std::vector<std::string> shown;
    friend void PrintTo(const VersionCase& c, std::ostream* out) { *out << c.name; }
};

class ContactImportVersionTest : public ContactCommandsTest, public ::testing::WithParamInterface<VersionCase> {
};

TEST_P(ContactImportVersionTest, EachVersionLandsInTheSameProperties)
{
    const fs::path file = write("card.vcf", GetParam().card);
    const auto result = run({ "contacts import " + file.string(), "contacts list" });
    ASSERT_TRUE(result.succeeded) << result.errors;
    const auto listed = linesPrintedAfter(result.transcript, "contacts list");
    ASSERT_EQ(listed.size(), 1u) << result.transcript;
    const std::string id = listed[0].substr(0, listed[0].find(' '));
    const auto shown = run({ "contacts show " + id });
    ASSERT_TRUE(shown.succeeded) << shown.errors;
    auto lines = linesPrintedAfter(shown.transcript, "contacts show " + id);
    ASSERT_FALSE(lines.empty());
    lines.erase(lines.begin());
    EXPECT_EQ(lines, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Versions, ContactImportVersionTest,
    ::testing::Values(
        VersionCase { "v21",
            "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8:Иванов;Иван\r\nORG:Рога и копыта;Сбыт\r\nTEL;CELL:+7 (916) 123-45-67\r\n"
            "TEL;WORK;VOICE:495 123-45-67\r\nCATEGORIES:Работа\r\nEND:VCARD\r\n",
            { "  fileas = \"Иванов, Иван\"", "  first = \"Иван\"", "  last = \"Иванов\"", "  company = \"Рога и копыта\"",
                "  department = \"Сбыт\"", "  mobile = \"+7 (916) 123-45-67\"", "  work = \"495 123-45-67\"", "  categories = \"Работа\"" } },
        VersionCase { "v30",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Иванов;Иван;;;\r\nFN:Иванов\\, Иван\r\nORG:Рога и копыта;Сбыт\r\n"
            "TEL;TYPE=CELL:+7 (916) 123-45-67\r\nTEL;TYPE=WORK,VOICE:495 123-45-67\r\nCATEGORIES:Работа\r\nEND:VCARD\r\n",
            { "  fileas = \"Иванов, Иван\"", "  first = \"Иван\"", "  last = \"Иванов\"", "  company = \"Рога и копыта\"",
                "  department = \"Сбыт\"", "  mobile = \"+7 (916) 123-45-67\"", "  work = \"495 123-45-67\"", "  categories = \"Работа\"" } },
        VersionCase { "v40",
            "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Иванов;Иван;;;\r\nFN:Иванов\\, Иван\r\nORG:Рога и копыта;Сбыт\r\n"
            "TEL;TYPE=\"cell\":+7 (916) 123-45-67\r\nTEL;TYPE=\"work,voice\":495 123-45-67\r\nCATEGORIES:Работа\r\nEND:VCARD\r\n",
            { "  fileas = \"Иванов, Иван\"", "  first = \"Иван\"", "  last = \"Иванов\"", "  company = \"Рога и копыта\"",
                "  department = \"Сбыт\"", "  mobile = \"+7 (916) 123-45-67\"", "  work = \"495 123-45-67\"", "  categories = \"Работа\"" } }),
    testing_support::caseName<VersionCase>);

TEST_F(ContactCommandsTest, ABrokenCardRejectsTheWholeFileWithItsLine)
{
    const fs::path file = write("broken.vcf",
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Good;One\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN Bad line\r\nEND:VCARD\r\n");
    const auto result = run({ "contacts import " + file.string() });
    EXPECT_FALSE(result.succeeded);
    EXPECT_NE(result.errors.find("line 7"), std::string::npos) << result.errors;
    const auto listed = run({ "contacts list" });
    ASSERT_TRUE(listed.succeeded) << listed.errors;
    EXPECT_TRUE(linesPrintedAfter(listed.transcript, "contacts list").empty()) << listed.transcript;
}

TEST_F(ContactCommandsTest, TenThousandGeneratedContactsImportInOneGo)
{
    const fs::path file = m_files.path() / "big.vcf";
    {
        std::ofstream out(file, std::ios::binary);
        devemu::ContactGenerator(7).write(out, 10000);
    }
    const std::string import = "contacts import " + file.string();
    const auto result = run({ import });
    ASSERT_TRUE(result.succeeded) << result.errors;
    const auto printed = linesPrintedAfter(result.transcript, import);
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_TRUE(printed[0].starts_with("imported 10000 contacts, ")) << printed[0];
}

TEST_F(ContactCommandsTest, AddEditAndDeleteChangeOneContact)
{
    const auto added = run({ "contacts add first=Anna last=Smith \"mobile=+7 916 000-00-01\" categories=VIP,Друзья" });
    ASSERT_TRUE(added.succeeded) << added.errors;
    const auto listedAfterAdd = run({ "contacts list", "categories list" });
    const auto lines = linesPrintedAfter(listedAfterAdd.transcript, "contacts list");
    ASSERT_EQ(lines.size(), 1u);
    const std::string id = lines[0].substr(0, lines[0].find(' '));
    EXPECT_EQ(lines[0], id + " \"Smith\" \"Anna\" \"\" \"+7 916 000-00-01\"");
    EXPECT_EQ(linesPrintedAfter(listedAfterAdd.transcript, "categories list").size(), 2u);

    const auto edited = run({ "contacts edit " + id + " mobile= \"work=495 111-11-11\" categories=VIP", "contacts show " + id });
    ASSERT_TRUE(edited.succeeded) << edited.errors;
    EXPECT_EQ(linesPrintedAfter(edited.transcript, "contacts show " + id),
        (std::vector<std::string> { "contact " + id, "  first = \"Anna\"", "  last = \"Smith\"", "  work = \"495 111-11-11\"",
            "  categories = \"VIP\"" }));

    const auto deleted = run({ "contacts delete " + id, "contacts list" });
    ASSERT_TRUE(deleted.succeeded) << deleted.errors;
    EXPECT_TRUE(linesPrintedAfter(deleted.transcript, "contacts list").empty());
    EXPECT_FALSE(run({ "contacts delete " + id }).succeeded);
    EXPECT_FALSE(run({ "contacts add nosuchfield=1" }).succeeded);
}

TEST_F(ContactCommandsTest, ExtrasShowWhatTheNotesCarryAndLookupNeedsAnIndex)
{
    const auto added = run({ "contacts add last=Петров \"notes=Ключи у соседа\r\n== start pim information ==\r\n"
                             "Phone: [Dacha: +7 495 111-22-33]\r\nDate: [Birthday: 1975.04.12]\r\n== end pim information ==\"" });
    ASSERT_TRUE(added.succeeded) << added.errors;
    const auto listed = run({ "contacts list" });
    const auto lines = linesPrintedAfter(listed.transcript, "contacts list");
    ASSERT_EQ(lines.size(), 1u);
    const std::string id = lines[0].substr(0, lines[0].find(' '));
    const auto extras = run({ "contacts extras " + id });
    ASSERT_TRUE(extras.succeeded) << extras.errors;
    EXPECT_EQ(linesPrintedAfter(extras.transcript, "contacts extras " + id, "LookupProbe"),
        (std::vector<std::string> { "visible \"Ключи у соседа\\r\\n\"", "phone \"Dacha\" \"+7 495 111-22-33\"",
            "date \"Birthday\" 1975.04.12" }));
    EXPECT_FALSE(run({ "contacts extras 12345" }).succeeded);

    const auto lookup = run({ "lookup +74951112233" });
    EXPECT_FALSE(lookup.succeeded);
    EXPECT_NE(lookup.errors.find("no valid index"), std::string::npos) << lookup.errors;
}

class AddressBookNotificationsTest : public testing_support::DeviceFixture {
};

TEST_F(AddressBookNotificationsTest, ChangesReachAProgramWatchingTheContacts)
{
    std::vector<UINT> received;
    testing_support::MessageHandler handler = [&](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message != WM_DBNOTIFICATION)
            return std::nullopt;
        auto* notification = reinterpret_cast<CENOTIFICATION*>(lParam);
        received.push_back(notification->uType);
        CeFreeNotification(nullptr, notification);
        return 0;
    };
    const auto watcher = start(u"watcher", [&] {
        testing_support::registerScriptedClass();
        const HWND window = testing_support::createScriptedWindow(handler, {});
        CEGUID volume {};
        CeMountDBVol(&volume, u"\\pim.vol", OPEN_EXISTING);
        CEOID database = 0;
        CENOTIFYREQUEST request { sizeof(CENOTIFYREQUEST), window, CEDB_EXNOTIFICATION, nullptr, 0 };
        const HANDLE contacts = CeOpenDatabaseEx2(&volume, &database, u"Contacts Database", nullptr, 0, &request);
        EXPECT_NE(contacts, INVALID_HANDLE_VALUE);
        return testing_support::runMessageLoop();
    });
    device->runUntilIdle();

    devemu::AddressBook book(*device);
    devemu::ContactChanges anna;
    anna.texts[MAKEPROPID(0x82, CEVT_LPWSTR)] = u"Anna";
    const CEOID id = book.add(anna);
    device->runUntilIdle();
    devemu::ContactChanges renamed;
    renamed.texts[MAKEPROPID(0x82, CEVT_LPWSTR)] = u"Anne";
    book.edit(id, renamed);
    book.remove(id);
    device->runUntilIdle();
    EXPECT_EQ(received, (std::vector<UINT> { DB_CEOID_CREATED, DB_CEOID_CHANGED, DB_CEOID_RECORD_DELETED }));
    EXPECT_FALSE(watcher->finished());
}

}
