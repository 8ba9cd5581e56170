// A program killed while it saves the index files, at many points chosen from seeds: whatever the files
// it leaves, the next connect either trusts them and finds them right, or rejects them and rebuilds.
// No contact is ever missing from the index afterwards.
#include "tests/vyx/IndexKeeper.h"

#include <random>

namespace {

using testing_support::IndexKeeperFixture;

class SaveCrashTest : public IndexKeeperFixture {
protected:
    // Changes a few contacts, lets the keeper apply them, and kills it when its save is due, after a
    // number of turns of the device's threads. Returns whether the next connect rebuilt.
    bool crashDuringSave(std::uint32_t seed)
    {
        std::mt19937 draw(seed);
        freshDevice();
        importGenerated(120, seed);
        startKeeper();
        device->runFor(2000);

        std::vector<DWORD> contacts;
        for (const auto& contact : book->contacts())
            contacts.push_back(contact.oid);
        const int changes = 1 + static_cast<int>(draw() % 18);
        for (int i = 0; i < changes; ++i) {
            const std::size_t at = draw() % contacts.size();
            switch (draw() % 3) {
            case 0:
                renameContact(contacts[at], u"Renamed" + std::u16string(1, static_cast<char16_t>(u'a' + i)));
                break;
            case 1:
                book->remove(contacts[at]);
                contacts.erase(contacts.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            default:
                contacts.push_back(addContact(u"Added" + std::u16string(1, static_cast<char16_t>(u'a' + i))));
                break;
            }
        }
        device->runUntilIdle();
        device->runFor(manager->QueuedChanges() > vyx::ChangeQueue::longBurst ? 4000 : 1000);
        EXPECT_TRUE(manager->IsSavePending());

        // The save is due in 2000 ms: the killer wakes then, or just before, and lets the threads take
        // their turns before it strikes.
        const DWORD wake = 1999 + draw() % 2;
        const int turns = static_cast<int>(draw() % 40);
        const DWORD keeper = keeperProcess()->id();
        start(u"killer", [wake, turns, keeper] {
            Sleep(wake);
            for (int i = 0; i < turns; ++i)
                Sleep(0);
            TerminateProcess(OpenProcess(0, FALSE, keeper), 1);
            return 0;
        });
        device->runUntil([&] { return keeperProcess()->finished(); }, std::nullopt);

        startKeeper();
        EXPECT_TRUE(connected);
        EXPECT_TRUE(indexMatchesDatabase());
        return events.resets > 0;
    }
};

TEST_F(SaveCrashTest, AKilledSaveLeavesFilesThatAreTrustedAndRightOrRebuilt)
{
    int rebuilt = 0;
    int trusted = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        (crashDuringSave(seed) ? rebuilt : trusted)++;
        if (HasFailure())
            break;
    }
    // The kills fell both inside the saves and outside them.
    EXPECT_GT(rebuilt, 0);
    EXPECT_GT(trusted, 0);
}

}
