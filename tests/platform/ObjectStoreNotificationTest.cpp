// Change notifications of the object store: created, changed and deleted records reach every handle
// that asked, in this process and others, with the fields filled in; closing a handle ends its
// requests; a notification is given back once, and one never given back or sent to a window that is
// gone harms nobody.
#include "platform/api/WinBase.h"
#include "platform/api/WinDb.h"
#include "platform/api/WinUser.h"
#include "platform/emu/ObjectStore.h"
#include "platform/emu/WindowManager.h"
#include "tests/platform/ObjectStoreSupport.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include <string>
#include <vector>

using testing_support::createScriptedWindow;
using testing_support::hex;
using testing_support::MessageHandler;
using testing_support::mountPimVolume;
using testing_support::NotificationListener;
using testing_support::openDatabase;
using testing_support::registerScriptedClass;
using testing_support::textValue;
using testing_support::writeRecord;

namespace {

constexpr CEPROPID firstName = MAKEPROPID(0x82, CEVT_LPWSTR);

class ObjectStoreNotificationTest : public testing_support::DeviceFixture {
protected:
    // Starts a listener on "Contacts Database" and lets it open its handle.
    std::shared_ptr<emu::Process> startListener(NotificationListener& listener, DWORD param, bool giveBack = true)
    {
        auto process = start(u"listener", [&listener, param, giveBack] { return listener.run(u"Contacts Database", param, giveBack); });
        device->runUntilIdle();
        return process;
    }

    void stopListener(const NotificationListener& listener, const std::shared_ptr<emu::Process>& process)
    {
        device->windows().postFromDriver(listener.window, WM_CLOSE, 0, 0);
        device->runUntil([&] { return process->finished(); }, std::nullopt);
    }
};

// The notifications a window of the calling thread has in its queue, described and given back.
std::vector<std::string> takeNotifications(std::vector<DWORD>* params = nullptr)
{
    std::vector<std::string> taken;
    MSG msg;
    while (PeekMessage(&msg, nullptr, WM_DBNOTIFICATION, WM_DBNOTIFICATION, PM_REMOVE)) {
        auto* notification = reinterpret_cast<CENOTIFICATION*>(msg.lParam);
        taken.push_back(testing_support::describe(*notification));
        if (params)
            params->push_back(notification->dwParam);
        EXPECT_TRUE(CeFreeNotification(nullptr, notification));
    }
    return taken;
}

TEST_F(ObjectStoreNotificationTest, EveryRequestingHandleHearsOfCreatedChangedAndDeletedRecords)
{
    NotificationListener listener;
    const auto process = startListener(listener, 77);
    CEOID record = 0;
    CEOID contacts = 0;
    std::vector<std::string> writerHeard;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler none;
        const HWND window = createScriptedWindow(none, {});
        CEGUID volume = mountPimVolume();
        CENOTIFYREQUEST request { 20, window, CEDB_EXNOTIFICATION, nullptr, 0 };
        const HANDLE database = CeOpenDatabaseEx2(&volume, &contacts, u"Contacts Database", nullptr, 0, &request);
        record = writeRecord(database, 0, { textValue(firstName, u"Anna") });
        writeRecord(database, record, { textValue(firstName, u"Anya") });
        EXPECT_TRUE(CeDeleteRecord(database, record));
        writerHeard = takeNotifications();
        return 0;
    }, u"writer");
    device->runUntilIdle();
    const std::string of = " of " + hex(contacts);
    const std::vector<std::string> expected { "created " + hex(record) + of, "changed " + hex(record) + of, "deleted " + hex(record) + of };
    EXPECT_EQ(listener.received, expected);
    EXPECT_EQ(writerHeard, expected);
    EXPECT_EQ(listener.databaseId, contacts);
    EXPECT_EQ(device->objectStore().liveNotifications(), 0u);
    stopListener(listener, process);
}

TEST_F(ObjectStoreNotificationTest, ClosingAHandleEndsItsRequestsAndOtherDatabasesTellNothing)
{
    std::vector<std::string> heard;
    std::vector<DWORD> params;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler none;
        const HWND window = createScriptedWindow(none, {});
        CEGUID volume = mountPimVolume();
        CENOTIFYREQUEST kept { 20, window, CEDB_EXNOTIFICATION, nullptr, 1 };
        CENOTIFYREQUEST closed { 20, window, CEDB_EXNOTIFICATION, nullptr, 2 };
        const HANDLE keptHandle = openDatabase(volume, u"Contacts Database", nullptr, &kept);
        const HANDLE closedHandle = openDatabase(volume, u"Contacts Database", nullptr, &closed);
        writeRecord(keptHandle, 0, { textValue(firstName, u"Anna") });
        EXPECT_TRUE(CloseHandle(closedHandle));
        writeRecord(keptHandle, 0, { textValue(firstName, u"Boris") });
        CEDBASEINFOEX info = testing_support::databaseInfo(u"Other");
        CeCreateDatabaseEx2(&volume, &info);
        const HANDLE other = openDatabase(volume, u"Other");
        writeRecord(other, 0, { textValue(firstName, u"Vera") });
        heard = takeNotifications(&params);
        return 0;
    });
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(params, (std::vector<DWORD> { 1, 2, 1 }));
}

TEST_F(ObjectStoreNotificationTest, NotificationIsGivenBackOnceAndNoneIsKeptForAWindowThatIsGone)
{
    std::vector<BOOL> givenBack;
    DWORD error = 0;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler none;
        const HWND window = createScriptedWindow(none, {});
        CEGUID volume = mountPimVolume();
        CENOTIFYREQUEST request { 20, window, CEDB_EXNOTIFICATION, nullptr, 0 };
        const HANDLE database = openDatabase(volume, u"Contacts Database", nullptr, &request);
        writeRecord(database, 0, { textValue(firstName, u"Anna") });
        MSG msg;
        EXPECT_TRUE(PeekMessage(&msg, nullptr, WM_DBNOTIFICATION, WM_DBNOTIFICATION, PM_REMOVE));
        auto* notification = reinterpret_cast<CENOTIFICATION*>(msg.lParam);
        givenBack.push_back(CeFreeNotification(&request, notification));
        givenBack.push_back(CeFreeNotification(&request, notification));
        error = GetLastError();
        DestroyWindow(window);
        writeRecord(database, 0, { textValue(firstName, u"Boris") });
        return 0;
    });
    EXPECT_EQ(givenBack, (std::vector<BOOL> { TRUE, FALSE }));
    EXPECT_EQ(error, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(device->objectStore().liveNotifications(), 0u);
}

TEST_F(ObjectStoreNotificationTest, NotificationsNeverGivenBackStayWithTheDeviceUntilItGoes)
{
    NotificationListener listener;
    const auto process = startListener(listener, 0, false);
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        const HANDLE database = openDatabase(volume, u"Contacts Database");
        writeRecord(database, 0, { textValue(firstName, u"Anna") });
        return 0;
    }, u"writer");
    device->runUntilIdle();
    EXPECT_EQ(listener.received.size(), 1u);
    EXPECT_EQ(device->objectStore().liveNotifications(), 1u);
    stopListener(listener, process);
}

TEST_F(ObjectStoreNotificationTest, RequestMustNameAWindowForExtendedNotifications)
{
    std::vector<DWORD> errors;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler none;
        const HWND window = createScriptedWindow(none, {});
        CEGUID volume = mountPimVolume();
        for (CENOTIFYREQUEST request : { CENOTIFYREQUEST { 20, nullptr, CEDB_EXNOTIFICATION, nullptr, 0 },
                 CENOTIFYREQUEST { 20, window, 0, nullptr, 0 }, CENOTIFYREQUEST { 12, window, CEDB_EXNOTIFICATION, nullptr, 0 } }) {
            CEOID database = 0;
            EXPECT_EQ(CeOpenDatabaseEx2(&volume, &database, u"Contacts Database", nullptr, 0, &request), INVALID_HANDLE_VALUE);
            errors.push_back(GetLastError());
        }
        return 0;
    });
    EXPECT_EQ(errors, (std::vector<DWORD> { ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER }));
}

}
