// A device with an address book and a program that keeps the contact index as the suite's programs do:
// a contact manager connected on its own (the master, without a roster), serving its windows until it
// is told to close. Probe programs read the shared stores while it runs.
#pragma once

#include "emulator/AddressBook.h"
#include "emulator/addressbook/AddressBookFile.h"
#include "emulator/addressbook/ContactGenerator.h"
#include "platform/emu/WindowManager.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "vyx/contacts/CallerLookup.h"
#include "vyx/contacts/ContactListView.h"
#include "vyx/contacts/ContactManager.h"
#include "vyx/contacts/RecordStamp.h"
#include "vyx/resources/VyxStrings.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

constexpr CEPROPID lastNameProperty = MAKEPROPID(0x84, CEVT_LPWSTR);
constexpr CEPROPID firstNameProperty = MAKEPROPID(0x82, CEVT_LPWSTR);
constexpr CEPROPID mobileProperty = MAKEPROPID(0x96, CEVT_LPWSTR);

// What the contact manager tells a program that shows contacts.
struct ListViewEvents final : vyx::ContactListView {
    void UpdateBegins(bool many) override { ++(many ? manyPending : begins); }
    void ContactRemoved(DWORD contact) override { removed.push_back(contact); }
    void UpdateEnded() override { ++ended; }
    void Reset() override { ++resets; }

    int begins { 0 };
    int manyPending { 0 };
    int ended { 0 };
    int resets { 0 };
    std::vector<DWORD> removed;
};

// What the index holds of one contact, as a program reading the stores finds it.
struct IndexedState {
    std::optional<DWORD> stamp;
    bool extrasReadable { false };
};

class IndexKeeperFixture : public DeviceFixture {
protected:
    IndexKeeperFixture()
        : book(std::make_unique<devemu::AddressBook>(*device))
    {
    }

    DWORD addContact(const std::u16string& last, const std::u16string& mobile = {}, const std::u16string& notes = {})
    {
        devemu::ContactChanges changes;
        changes.texts[lastNameProperty] = last;
        if (!mobile.empty())
            changes.texts[mobileProperty] = mobile;
        if (!notes.empty())
            changes.notes = notes;
        return book->add(changes);
    }

    // Imports `count` contacts of the generator's address book `seed`.
    void importGenerated(std::size_t count, std::uint32_t seed)
    {
        TempFolder cards;
        const auto file = cards.path() / "book.vcf";
        {
            std::ofstream out(file, std::ios::binary);
            devemu::ContactGenerator(seed).write(out, count);
        }
        devemu::VCardError error;
        book->import(devemu::AddressBookFile::read(file, error).value());
    }

    // A new device on the emptied folder: no contacts, no index, no settings.
    void freshDevice()
    {
        book.reset();
        device.reset();
        for (const auto& entry : std::filesystem::directory_iterator(folder()))
            std::filesystem::remove_all(entry.path());
        resetDevice({});
        book = std::make_unique<devemu::AddressBook>(*device);
    }

    void renameContact(DWORD contact, const std::u16string& last)
    {
        devemu::ContactChanges changes;
        changes.texts[lastNameProperty] = last;
        book->edit(contact, changes);
    }

    // Starts the keeper and lets it connect.
    void startKeeper()
    {
        events = ListViewEvents {};
        connected = false;
        m_keeper = start(u"keeper", [this] {
            registerScriptedClass();
            MessageHandler closes = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (message == WM_DESTROY)
                    PostQuitMessage(0);
                return std::nullopt;
            };
            m_keeperWindow = createScriptedWindow(closes, {});
            vyx::ContactManager contactManager(nullptr, &events);
            connected = contactManager.Connect(GetModuleHandle(nullptr));
            manager = &contactManager;
            runMessageLoop();
            manager = nullptr;
            contactManager.Disconnect();
            return 0;
        }, u"", &vyx::vyxResources());
        device->runUntilIdle();
    }

    void stopKeeper()
    {
        device->windows().postFromDriver(m_keeperWindow, WM_CLOSE, 0, 0);
        const auto outcome = device->runUntil([&] { return m_keeper->finished(); }, std::nullopt);
        EXPECT_EQ(outcome, emu::RunOutcome::Done) << device->deadlockReport();
    }

    // Ends the keeper as a crash would: nothing saved, nothing closed.
    void killKeeper()
    {
        device->terminateProcess(*m_keeper, 1);
        device->runUntil([&] { return m_keeper->finished(); }, std::nullopt);
    }

    const std::shared_ptr<emu::Process>& keeperProcess() const { return m_keeper; }

    // The contacts with words beginning with the text, read from the shared index.
    std::vector<DWORD> found(const std::u16string& text)
    {
        std::vector<DWORD> contacts;
        runProgram([&] {
            vyx::IndexStore index;
            if (index.Open())
                contacts = index.SearchWordsRaw(text);
            return 0;
        }, u"search");
        return contacts;
    }

    // The contacts a caller's number names, as Vyx looks it up.
    std::vector<DWORD> callers(const std::u16string& number)
    {
        std::vector<DWORD> contacts;
        runProgram([&] {
            vyx::PimDatabase database;
            vyx::IndexStore index;
            vyx::PropsStore props;
            if (database.Open(u"Contacts Database", {}, 0, nullptr) && index.Open() && props.Open()) {
                vyx::CallerLookup lookup(database, index, props);
                std::vector<std::u16string> tails;
                lookup.FindContactsByNumber(number, 6, 0, contacts, tails);
            }
            return 0;
        }, u"lookup", &vyx::vyxResources());
        return contacts;
    }

    // Each indexed contact with the stamp its property store record keeps, and the display orders.
    struct IndexContents {
        std::map<DWORD, IndexedState> contacts;
        std::vector<DWORD> order0;
        std::vector<DWORD> order1;
        bool opened { false };
    };
    IndexContents contents()
    {
        IndexContents read;
        runProgram([&] {
            vyx::IndexStore index;
            vyx::PropsStore props;
            if (!index.Open() || !props.Open())
                return 0;
            read.opened = true;
            read.order0 = index.AllInOrder(0);
            read.order1 = index.AllInOrder(1);
            for (const DWORD contact : read.order0) {
                IndexedState& state = read.contacts[contact];
                if (const auto offset = index.PropsOffsetOf(contact)) {
                    state.stamp = props.StampOf(*offset);
                    state.extrasReadable = props.ReadRecord(*offset).has_value();
                }
            }
            return 0;
        }, u"contents");
        return read;
    }

    // Every contact of the database with the stamp of its record.
    std::map<DWORD, DWORD> databaseStamps()
    {
        std::map<DWORD, DWORD> stamps;
        runProgram([&] {
            vyx::PimDatabase database;
            if (!database.Open(u"Contacts Database", {}, 0, nullptr) || !database.SeekFirst())
                return 0;
            database.SetAutoAdvance(true);
            CEOID record = 0;
            std::vector<vyx::PropertyValue> values;
            while (database.ReadProps(nullptr, record, values))
                stamps[record] = vyx::RecordStamp::OfRecord(record, values);
            return 0;
        }, u"stamps");
        return stamps;
    }

    // Whether the index holds every contact of the database, each with its current stamp, and no other.
    ::testing::AssertionResult indexMatchesDatabase()
    {
        const IndexContents indexed = contents();
        if (!indexed.opened)
            return ::testing::AssertionFailure() << "the stores do not open";
        const std::map<DWORD, DWORD> stamps = databaseStamps();
        if (indexed.contacts.size() != stamps.size() || indexed.order1.size() != stamps.size())
            return ::testing::AssertionFailure() << "the index holds " << indexed.contacts.size() << " contacts, the database "
                                                 << stamps.size();
        for (const auto& [contact, stamp] : stamps) {
            const auto entry = indexed.contacts.find(contact);
            if (entry == indexed.contacts.end())
                return ::testing::AssertionFailure() << "contact " << contact << " is not indexed";
            if (entry->second.stamp != stamp || !entry->second.extrasReadable)
                return ::testing::AssertionFailure() << "contact " << contact << " is indexed with an old or unreadable record";
        }
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<devemu::AddressBook> book;
    ListViewEvents events;
    bool connected { false };
    // The keeper's contact manager while it runs; read only between runs of the device.
    vyx::ContactManager* manager { nullptr };

private:
    std::shared_ptr<emu::Process> m_keeper;
    HWND m_keeperWindow { nullptr };
};

}
