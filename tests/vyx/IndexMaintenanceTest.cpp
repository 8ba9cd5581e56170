// Keeping the index in step with the contacts database: the stores built when missing, caught up at
// connect after changes made while no program watched, and kept current from the database's change
// notifications in batches, with the files saved two seconds after the last batch.
#include "tests/vyx/IndexKeeper.h"
#include "tests/vyx/IndexStoreSupport.h"

#include "common/SettingsStore.h"

#include <filesystem>

namespace {

using testing_support::IndexKeeperFixture;

std::u16string numbered(const std::u16string& stem, int i)
{
    const std::string digits = std::to_string(i);
    return stem + std::u16string(digits.begin(), digits.end());
}

class IndexMaintenanceTest : public IndexKeeperFixture {
protected:
    std::vector<DWORD> addContacts(int count, const std::u16string& stem = u"Person")
    {
        std::vector<DWORD> added;
        for (int i = 0; i < count; ++i)
            added.push_back(addContact(numbered(stem, i)));
        return added;
    }
};

TEST_F(IndexMaintenanceTest, MissingStoresAreBuiltAtConnectAndWrittenTwoSecondsLater)
{
    const DWORD petrov = addContact(u"Petrov", u"+7 916 123-45-67");
    addContact(u"Sidorov");
    startKeeper();
    ASSERT_TRUE(connected);
    EXPECT_EQ(events.resets, 1);
    EXPECT_EQ(found(u"petr"), std::vector<DWORD> { petrov });
    EXPECT_EQ(callers(u"89161234567"), std::vector<DWORD> { petrov });
    EXPECT_TRUE(indexMatchesDatabase());

    // The files follow the save timer.
    EXPECT_FALSE(std::filesystem::exists(folder() / "pim_index1.dat"));
    device->runFor(2000);
    EXPECT_TRUE(std::filesystem::exists(folder() / "pim_index1.dat"));
    EXPECT_TRUE(std::filesystem::exists(folder() / "pim_index2.dat"));
    stopKeeper();

    // The next connect trusts them as they are.
    startKeeper();
    ASSERT_TRUE(connected);
    EXPECT_EQ(events.resets, 0);
    EXPECT_TRUE(indexMatchesDatabase());
}

struct BurstCase {
    const char* name;
    int changes;
    std::uint64_t delay;
    int rebuilds;
    friend void PrintTo(const BurstCase& burst, std::ostream* out) { *out << burst.name; }
};

class ChangeBurstTest : public IndexMaintenanceTest, public ::testing::WithParamInterface<BurstCase> {
};

TEST_P(ChangeBurstTest, ABurstIsAppliedTogetherAfterItsPause)
{
    const BurstCase burst = GetParam();
    const std::vector<DWORD> contacts = addContacts(20);
    startKeeper();
    device->runFor(3000);
    events = {};

    for (int i = 0; i < burst.changes; ++i)
        renameContact(contacts[static_cast<std::size_t>(i)], numbered(u"Renamed", i));
    device->runUntilIdle();
    EXPECT_EQ(manager->QueuedChanges(), static_cast<std::size_t>(burst.changes));
    device->runFor(burst.delay - 1);
    EXPECT_TRUE(found(u"renamed").empty()) << "applied before the burst's pause ended";
    device->runFor(1);
    EXPECT_EQ(found(u"renamed").size(), static_cast<std::size_t>(burst.changes));
    EXPECT_EQ(events.resets, burst.rebuilds);
    EXPECT_EQ(events.begins, 1);
    EXPECT_EQ(events.manyPending, burst.changes >= 10 ? 1 : 0);
    EXPECT_EQ(events.ended, 1);
    EXPECT_TRUE(manager->IsSavePending());
    EXPECT_TRUE(indexMatchesDatabase());
}

INSTANTIATE_TEST_SUITE_P(Bursts, ChangeBurstTest,
                         ::testing::Values(BurstCase { "OneChange", 1, 1000, 0 },
                                           BurstCase { "FourteenOneByOne", 14, 1000, 0 },
                                           BurstCase { "FifteenRebuild", 15, 4000, 1 }),
                         testing_support::caseName<BurstCase>);

TEST_F(IndexMaintenanceTest, CreatedChangedAndDeletedContactsAreAppliedInQueueOrder)
{
    const std::vector<DWORD> contacts = addContacts(3);
    startKeeper();
    device->runFor(3000);
    events = {};

    const DWORD added = addContact(u"Newcomer", u"+7 903 555-12-34");
    renameContact(contacts[0], u"Changed");
    book->remove(contacts[1]);
    // Created and gone again before the queue ran: nothing to add, nothing indexed to remove.
    book->remove(addContact(u"Fleeting"));
    device->runFor(1000);

    EXPECT_EQ(found(u"newcomer"), std::vector<DWORD> { added });
    EXPECT_EQ(callers(u"+79035551234"), std::vector<DWORD> { added });
    EXPECT_EQ(found(u"changed"), std::vector<DWORD> { contacts[0] });
    EXPECT_TRUE(found(u"person0").empty());
    EXPECT_TRUE(found(u"fleeting").empty());
    EXPECT_EQ(events.removed.size(), 2u);
    EXPECT_EQ(events.resets, 0);
    EXPECT_TRUE(indexMatchesDatabase());
}

TEST_F(IndexMaintenanceTest, DeletingAContactThatIsNotIndexedStillStartsTheSaveTimer)
{
    addContacts(2);
    startKeeper();
    device->runFor(3000);
    ASSERT_FALSE(manager->IsSavePending());
    const auto before = contents();

    book->remove(addContact(u"Fleeting"));
    device->runFor(1000);
    EXPECT_TRUE(manager->IsSavePending());
    EXPECT_EQ(contents().order0, before.order0);
    device->runFor(2000);
    EXPECT_FALSE(manager->IsSavePending());
}

TEST_F(IndexMaintenanceTest, SavedFilesHoldTheAppliedChangesForTheNextStart)
{
    const std::vector<DWORD> contacts = addContacts(3);
    startKeeper();
    renameContact(contacts[2], u"Saved");
    device->runFor(1000 + 2000);
    // Nothing written after the save: a crash now loses nothing.
    killKeeper();
    startKeeper();
    EXPECT_EQ(events.resets, 0);
    EXPECT_EQ(found(u"saved"), std::vector<DWORD> { contacts[2] });
    EXPECT_TRUE(indexMatchesDatabase());
}

struct OfflineCase {
    const char* name;
    int renamed;
    int deleted;
    int added;
    int rebuilds;
    friend void PrintTo(const OfflineCase& offline, std::ostream* out) { *out << offline.name; }
};

class OfflineChangesTest : public IndexMaintenanceTest, public ::testing::WithParamInterface<OfflineCase> {
};

TEST_P(OfflineChangesTest, ChangesMadeWhileNoProgramWatchedAreReconciledOrRebuilt)
{
    const OfflineCase offline = GetParam();
    const std::vector<DWORD> contacts = addContacts(30);
    startKeeper();
    stopKeeper();

    for (int i = 0; i < offline.renamed; ++i)
        renameContact(contacts[static_cast<std::size_t>(i)], numbered(u"Renamed", i));
    for (int i = 0; i < offline.deleted; ++i)
        book->remove(contacts[static_cast<std::size_t>(29 - i)]);
    for (int i = 0; i < offline.added; ++i)
        addContact(numbered(u"Added", i));

    startKeeper();
    ASSERT_TRUE(connected);
    EXPECT_EQ(events.resets, offline.rebuilds);
    EXPECT_EQ(found(u"renamed").size(), static_cast<std::size_t>(offline.renamed));
    EXPECT_EQ(found(u"added").size(), static_cast<std::size_t>(offline.added));
    EXPECT_TRUE(indexMatchesDatabase());
}

INSTANTIATE_TEST_SUITE_P(Offline, OfflineChangesTest,
                         ::testing::Values(OfflineCase { "TenMixedReconciled", 4, 3, 3, 0 },
                                           OfflineCase { "ElevenMixedRebuilt", 4, 4, 3, 1 },
                                           OfflineCase { "TenDeletedReconciled", 0, 10, 0, 0 },
                                           OfflineCase { "ElevenDeletedRebuilt", 0, 11, 0, 1 },
                                           OfflineCase { "NothingChanged", 0, 0, 0, 0 }),
                         testing_support::caseName<OfflineCase>);

TEST_F(IndexMaintenanceTest, AChangeOnlyInTheNotesPimBlockGivesANewStampAndIsReconciled)
{
    const std::u16string before = u"Keys with the neighbour\r\n== start pim information ==\r\nPhone: [Dacha: +7 495 111-22-33]\r\n"
                                  u"== end pim information ==";
    const std::u16string after = u"Keys with the neighbour\r\n== start pim information ==\r\nPhone: [Dacha: +7 495 444-55-66]\r\n"
                                 u"== end pim information ==";
    const DWORD petrov = addContact(u"Petrov", u"", before);
    addContact(u"Sidorov");
    startKeeper();
    EXPECT_EQ(callers(u"+74951112233"), std::vector<DWORD> { petrov });
    stopKeeper();

    devemu::ContactChanges changes;
    changes.notes = after;
    book->edit(petrov, changes);
    startKeeper();
    EXPECT_EQ(events.resets, 0);
    EXPECT_TRUE(callers(u"+74951112233").empty());
    EXPECT_EQ(callers(u"+74954445566"), std::vector<DWORD> { petrov });
    EXPECT_TRUE(indexMatchesDatabase());
}

TEST_F(IndexMaintenanceTest, ASettingsValueMarkingAFileUntrustedMakesTheMasterRebuildAndTheSaveClearsIt)
{
    addContacts(2);
    startKeeper();
    device->runFor(2000);
    stopKeeper();
    runProgram([] {
        SettingsStore::SetDword(u"Settings", u"pim_index2.dat", 1, true);
        return 0;
    });
    startKeeper();
    EXPECT_EQ(events.resets, 1);
    device->runFor(2000);
    DWORD value = 1;
    runProgram([&] {
        value = SettingsStore::GetDword(u"Settings", u"pim_index2.dat", 1);
        return 0;
    });
    EXPECT_EQ(value, 0u);
}

TEST_F(IndexMaintenanceTest, AStoreLeftBusyOrCutShortIsRebuilt)
{
    const std::vector<DWORD> contacts = addContacts(5);
    startKeeper();
    device->runFor(2000);
    stopKeeper();

    // A change interrupted while the property store was marked busy, and an index cut short by a save.
    runProgram([] {
        vyx::PropsStore props;
        if (props.Open()) {
            props.SetBusy(true);
            props.StartSave();
        }
        return 0;
    });
    startKeeper();
    EXPECT_EQ(events.resets, 1);
    device->runFor(2000);
    stopKeeper();

    std::filesystem::resize_file(folder() / "pim_index1.dat", 40000);
    startKeeper();
    EXPECT_EQ(events.resets, 1);
    EXPECT_TRUE(indexMatchesDatabase());
}

}

namespace {

// Notes whose PIM block holds an e-mail address longer than the property store's whole region.
std::u16string notesBeyondTheStore()
{
    return u"== start pim information ==\r\nEmail: [Big: " + std::u16string(4500000, u'x') + u"]\r\n== end pim information ==";
}

TEST_F(IndexMaintenanceTest, AContactTheIndexCannotTakeIsSkippedAndARebuildFollows)
{
    const std::vector<DWORD> contacts = addContacts(2);
    startKeeper();
    device->runFor(3000);
    events = {};

    const DWORD monster = addContact(u"Monster", u"", notesBeyondTheStore());
    const DWORD later = addContact(u"Later");
    device->runFor(1000);
    const std::string log = testing_support::fileBytes(folder() / "error.log");
    EXPECT_NE(log.find("Unable perform db operation!!!"), std::string::npos) << log;
    EXPECT_NE(log.find("ContactManager"), std::string::npos) << log;
    EXPECT_EQ(found(u"later"), std::vector<DWORD> { later });
    EXPECT_TRUE(found(u"monster").empty());

    // The rebuild that follows enters every contact that fits, and the program goes on.
    device->runFor(1000);
    EXPECT_EQ(events.resets, 1);
    EXPECT_EQ(found(u"person").size(), contacts.size());
    EXPECT_EQ(found(u"later"), std::vector<DWORD> { later });
    EXPECT_TRUE(found(u"monster").empty());
    EXPECT_FALSE(keeperProcess()->finished());
    EXPECT_NE(monster, 0u);
}

}
