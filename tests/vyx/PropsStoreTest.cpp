// The property store: records in chains of 128-byte blocks, the free list, growth, the header's busy
// mark and volume time, and the file that a save writes and an open reads back.
#include "platform/api/FileApi.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "vyx/contacts/ExtrasSerializer.h"
#include "vyx/contacts/PropsLayout.h"
#include "vyx/contacts/PropsStore.h"

#include <gtest/gtest.h>

namespace {

using vyx::ContactExtras;
using vyx::PropsStore;
namespace layout = vyx::PropsLayout;

// Extras whose serialized form takes 56 + an entry for a phone of `characters` label and value characters.
ContactExtras extrasWithPhone(std::size_t characters, DWORD stamp = 7)
{
    ContactExtras extras;
    extras.stamp = stamp;
    extras.phones.push_back({ u"Da", std::u16string(characters - 2, u'5') });
    return extras;
}

DWORD neverUsed(PropsStore& store)
{
    return store.Store().Read32(layout::neverUsed);
}

class PropsStoreTest : public testing_support::DeviceFixture {
};

TEST_F(PropsStoreTest, BlockCountsFollowTheSerializedLength)
{
    EXPECT_EQ(PropsStore::BlocksFor(0), 1u);
    EXPECT_EQ(PropsStore::BlocksFor(112), 1u);
    EXPECT_EQ(PropsStore::BlocksFor(113), 2u);
    EXPECT_EQ(PropsStore::BlocksFor(236), 2u);
    EXPECT_EQ(PropsStore::BlocksFor(237), 3u);
    ASSERT_EQ(vyx::ExtrasSerializer::Serialize(extrasWithPhone(22)).size(), 112u);
    ASSERT_EQ(vyx::ExtrasSerializer::Serialize(extrasWithPhone(24)).size(), 116u);

    runProgram([] {
        PropsStore store;
        EXPECT_TRUE(store.Create(0));
        EXPECT_EQ(store.Store().Length(), 1024u);
        EXPECT_EQ(neverUsed(store), 12u);
        const auto one = store.WriteRecord(extrasWithPhone(22));
        EXPECT_EQ(one, std::optional<DWORD>(40));
        EXPECT_EQ(neverUsed(store), 12u + 128);
        const auto two = store.WriteRecord(extrasWithPhone(24));
        EXPECT_EQ(neverUsed(store), 12u + 3 * 128);
        EXPECT_EQ(store.ReadRecord(*one), extrasWithPhone(22));
        EXPECT_EQ(store.ReadRecord(*two), extrasWithPhone(24));
        EXPECT_EQ(store.RecordCount(), 2u);
        return 0;
    });
}

TEST_F(PropsStoreTest, FreedBlocksAreReusedAndTheLastBlocksGiveTheirSpaceBack)
{
    runProgram([] {
        PropsStore store;
        EXPECT_TRUE(store.Create(4000));
        EXPECT_EQ(store.Store().Length(), 4000u + 40 + 40);
        const DWORD a = *store.WriteRecord(extrasWithPhone(22, 1));
        const DWORD b = *store.WriteRecord(extrasWithPhone(200, 2));
        const DWORD c = *store.WriteRecord(extrasWithPhone(22, 3));
        const DWORD end = neverUsed(store);

        // A record in the middle goes to the free list; the next record takes its blocks.
        store.FreeRecord(b);
        EXPECT_EQ(neverUsed(store), end);
        EXPECT_EQ(store.Store().Read32(layout::freeBlockCount), PropsStore::BlocksFor(static_cast<DWORD>(vyx::ExtrasSerializer::Serialize(extrasWithPhone(200, 2)).size())));
        const DWORD d = *store.WriteRecord(extrasWithPhone(60, 4));
        EXPECT_EQ(d, b);
        EXPECT_EQ(neverUsed(store), end);

        // The last record handed out lowers the never-used offset instead.
        store.FreeRecord(c);
        EXPECT_EQ(neverUsed(store), end - 128);
        EXPECT_EQ(store.RecordCount(), 2u);
        EXPECT_EQ(store.StampOf(a), 1u);
        EXPECT_EQ(store.StampOf(d), 4u);

        // Rewriting grows and shrinks a record's chain in place.
        EXPECT_TRUE(store.RewriteRecord(a, extrasWithPhone(300, 5)));
        EXPECT_EQ(store.ReadRecord(a), extrasWithPhone(300, 5));
        EXPECT_TRUE(store.RewriteRecord(a, extrasWithPhone(10, 6)));
        EXPECT_EQ(store.ReadRecord(a), extrasWithPhone(10, 6));
        EXPECT_EQ(store.ReadRecord(d), extrasWithPhone(60, 4));
        return 0;
    });
}

TEST_F(PropsStoreTest, TheStoreGrowsWhenItsBlocksRunOut)
{
    runProgram([] {
        PropsStore store;
        EXPECT_TRUE(store.Create(0));
        std::vector<DWORD> records;
        for (DWORD i = 0; i < 40; ++i)
            records.push_back(*store.WriteRecord(extrasWithPhone(22, i)));
        EXPECT_GT(store.Store().Length(), 40u * 128);
        // The last four bytes of the data stay free for the file's size.
        EXPECT_LE(layout::blockArea + neverUsed(store), store.Store().Length() - 4);
        for (DWORD i = 0; i < 40; ++i)
            EXPECT_EQ(store.StampOf(records[i]), i);
        return 0;
    });
}

TEST_F(PropsStoreTest, ASavedStoreOpensWithItsRecordsAndTheVolumeTime)
{
    DWORD record = 0;
    runProgram([&] {
        PropsStore store;
        EXPECT_TRUE(store.Create(0));
        record = *store.WriteRecord(extrasWithPhone(40, 9));
        store.StartSave();
        store.Close();
        return 0;
    });
    runProgram([&] {
        PropsStore store;
        EXPECT_TRUE(store.Open());
        EXPECT_EQ(store.ReadRecord(record), extrasWithPhone(40, 9));
        const FILETIME stored = store.VolumeTime();
        const FILETIME current = PropsStore::CurrentVolumeTime();
        EXPECT_EQ(CompareFileTime(&stored, &current), 0);
        return 0;
    });
}

struct OpenCase {
    const char* name;
    DWORD offset;
    BYTE value;
    friend void PrintTo(const OpenCase& c, std::ostream* out) { *out << c.name; }
};

class PropsStoreOpenTest : public PropsStoreTest, public ::testing::WithParamInterface<OpenCase> {
};

TEST_P(PropsStoreOpenTest, AStoreMarkedBusyOrOfAnotherFormatIsRefused)
{
    runProgram([] {
        PropsStore store;
        EXPECT_TRUE(store.Create(0));
        store.Store().Write8(GetParam().offset, GetParam().value);
        store.StartSave();
        store.Close();
        return 0;
    });
    runProgram([] {
        PropsStore store;
        EXPECT_FALSE(store.Open());
        EXPECT_FALSE(store.IsOpen());
        return 0;
    });
}

INSTANTIATE_TEST_SUITE_P(Headers, PropsStoreOpenTest,
    ::testing::Values(OpenCase { "Busy", layout::busyMark, 1 }, OpenCase { "FirstWord", layout::formatWord1, 2 },
        OpenCase { "SecondWord", layout::formatWord2, 4 }),
    testing_support::caseName<OpenCase>);

TEST_F(PropsStoreTest, ABrokenChainReadsAsNothing)
{
    runProgram([] {
        PropsStore store;
        EXPECT_TRUE(store.Create(0));
        const DWORD record = *store.WriteRecord(extrasWithPhone(200));
        store.Store().Write32(record + layout::blockNext, 0x7FFFFFF0);
        EXPECT_EQ(store.ReadRecord(record), std::nullopt);
        store.Store().Write32(record + layout::blockNext, record);
        EXPECT_EQ(store.ReadRecord(record), std::nullopt);
        EXPECT_EQ(store.ReadRecord(3), std::nullopt);
        return 0;
    });
}

}
