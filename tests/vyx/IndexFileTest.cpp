// The index file and its region: the saved form with its size mark, reopening and saving again to the
// same bytes, damaged files rejected, a region another program holds taken without reading the file,
// and the background save: its thread, its settings value, cancelling it and hurrying it on close.
#include "common/SettingsStore.h"
#include "platform/api/FileApi.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "tests/vyx/IndexStoreSupport.h"
#include "vyx/contacts/IndexStore.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using testing_support::fileBytes;
using testing_support::heapFault;
using testing_support::indexedContact;
using testing_support::littleEndianAt;
using testing_support::MapSortTexts;
using vyx::IndexStore;
using Contacts = std::vector<DWORD>;

constexpr const char16_t* indexPath = u"\\pim_index1.dat";

void waitForSave(const IndexStore& store)
{
    while (store.IsSaving())
        Sleep(10);
}

class IndexFileTest : public testing_support::DeviceFixture {
protected:
    std::filesystem::path indexFile() const { return folder() / "pim_index1.dat"; }

    // Contacts 1 to `count`, each with a few words, a number key and a keypad key.
    void addContacts(IndexStore& store, DWORD first, DWORD count)
    {
        for (DWORD id = first; id < first + count; ++id) {
            const std::u16string digits = u"~" + std::u16string(1, static_cast<char16_t>(u'0' + id % 10)) + u"5432179";
            names.set(id, u"Name " + std::u16string(1, static_cast<char16_t>(u'a' + id % 26)));
            EXPECT_TRUE(store.AddContact(indexedContact(id, { u"contact", u"word" + std::u16string(1, static_cast<char16_t>(u'a' + id % 26)), digits },
                                                        { u"dmjtadt" }, id * 128),
                                         names));
        }
    }

    // Writes a new index of `count` contacts to the file and closes it.
    void saveIndex(DWORD count)
    {
        runProgram([&] {
            IndexStore store;
            EXPECT_TRUE(store.Create());
            addContacts(store, 1, count);
            store.StartSave();
            waitForSave(store);
            store.Close();
            return 0;
        });
    }

    // The answers a store gives to a fixed set of questions.
    static std::vector<Contacts> answers(const IndexStore& store)
    {
        return { store.SearchWords(u"contact", 0), store.SearchWords(u"wordc", 1), store.SearchWordsRaw(u"~35"),
                 store.SearchKeys(u"dmj", 0), store.AllInOrder(0), store.AllInOrder(1),
                 Contacts { store.PropsOffsetOf(7).value_or(0) } };
    }

    MapSortTexts names;
};

TEST_F(IndexFileTest, SavedFileIsTheDataWithItsSizeInTheLastBlocksClosingTag)
{
    DWORD length = 0;
    runProgram([&] {
        SettingsStore::SetFileFlag(indexPath);
        IndexStore store;
        EXPECT_TRUE(store.Create());
        addContacts(store, 1, 30);
        length = store.Mapped().Length();
        store.StartSave();
        // The save runs on its own thread: nothing is written before this one waits.
        EXPECT_EQ(GetFileAttributes(indexPath), INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(store.IsSaving());
        waitForSave(store);
        EXPECT_FALSE(SettingsStore::IsFileFlagSet(indexPath)) << "cleared after a complete write";
        return 0;
    });
    EXPECT_EQ(length, 102444u);
    const std::string file = fileBytes(indexFile());
    ASSERT_EQ(file.size(), length + 4);
    EXPECT_EQ(littleEndianAt(file, 0), 1u);
    EXPECT_EQ(littleEndianAt(file, 4), 5u);
    EXPECT_EQ(littleEndianAt(file, file.size() - 8), file.size());

    // The blocks tile the heap; the last one's closing tag is where the size went.
    using namespace vyx::IndexLayout;
    std::size_t block = heapStart + heapFirstBlock;
    std::size_t last = block;
    while (block < length) {
        last = block;
        const auto tag = static_cast<LONG>(littleEndianAt(file, block));
        block += blockOverhead + static_cast<std::size_t>(tag < 0 ? -tag : tag);
    }
    EXPECT_EQ(block, length);
    EXPECT_NE(littleEndianAt(file, last), littleEndianAt(file, length - 4));
}

TEST_F(IndexFileTest, ReopenedFileAnswersAlikeAndIsSavedToTheSameBytes)
{
    std::vector<Contacts> before;
    runProgram([&] {
        IndexStore store;
        EXPECT_TRUE(store.Create());
        addContacts(store, 1, 40);
        store.RemoveContact(13);
        before = answers(store);
        store.StartSave();
        store.Close();
        return 0;
    });
    const std::string saved = fileBytes(indexFile());
    runProgram([&] {
        IndexStore store;
        EXPECT_TRUE(store.Open());
        EXPECT_FALSE(store.Mapped().AttachedToExisting());
        EXPECT_EQ(answers(store), before);
        store.StartSave();
        store.Close();
        return 0;
    });
    EXPECT_EQ(fileBytes(indexFile()), saved);
}

TEST_F(IndexFileTest, LoadedStoreGrowsPastItsSizeMark)
{
    saveIndex(10);
    runProgram([&] {
        IndexStore store;
        EXPECT_TRUE(store.Open());
        const DWORD loaded = store.Mapped().Length();
        // Enough to grow: the space added after the marked block is never merged with it.
        for (DWORD id = 100; id < 1100; ++id) {
            names.set(id, u"x");
            EXPECT_TRUE(store.AddContact(indexedContact(id, { u"grown" + std::u16string(1, static_cast<char16_t>(u'a' + id % 26)) + u"word" }), names));
        }
        EXPECT_GT(store.Mapped().Length(), loaded);
        EXPECT_EQ(heapFault(store.Mapped()), "");
        EXPECT_EQ(store.SearchWordsRaw(u"grownb").size(), 39u);
        EXPECT_EQ(store.SearchWordsRaw(u"contact").size(), 10u);
        for (DWORD id = 100; id < 1100; ++id)
            store.RemoveContact(id);
        EXPECT_EQ(heapFault(store.Mapped()), "");
        EXPECT_EQ(store.SearchWordsRaw(u"grown"), Contacts {});
        return 0;
    });
}

// ---- Damaged files

struct DamageCase {
    std::string name;
    // Turns the bytes of a valid file into the damaged one.
    std::function<void(std::string&)> damage;
    friend void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.name; }
};

class DamagedFileTest : public IndexFileTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedFileTest, IsRejectedAndTheRegionClosed)
{
    saveIndex(20);
    const std::string valid = fileBytes(indexFile());
    std::string damaged = valid;
    GetParam().damage(damaged);
    testing_support::writeBytes(indexFile(), damaged);
    runProgram([] {
        IndexStore store;
        EXPECT_FALSE(store.Open());
        EXPECT_FALSE(store.IsOpen());
        EXPECT_EQ(store.SearchWordsRaw(u"contact"), Contacts {});
        return 0;
    });
    // The failed open left no region behind: the next open reads the file again.
    testing_support::writeBytes(indexFile(), valid);
    runProgram([] {
        IndexStore store;
        EXPECT_TRUE(store.Open());
        EXPECT_FALSE(store.Mapped().AttachedToExisting());
        EXPECT_EQ(store.SearchWordsRaw(u"contact").size(), 20u);
        return 0;
    });
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFileTest,
    ::testing::Values(
        DamageCase { "Empty", [](std::string& bytes) { bytes.clear(); } },
        DamageCase { "FourBytes", [](std::string& bytes) { bytes = std::string("\x04\0\0\0", 4); } },
        DamageCase { "SevenBytes", [](std::string& bytes) { bytes.resize(7); } },
        DamageCase { "CutByAnInterruptedSave", [](std::string& bytes) { bytes.resize(4096); } },
        DamageCase { "OneByteShort", [](std::string& bytes) { bytes.pop_back(); } },
        DamageCase { "SizeMarkLies", [](std::string& bytes) { testing_support::putLittleEndian(bytes, bytes.size() - 8, 5000); } },
        DamageCase { "WrongFormatWord", [](std::string& bytes) { testing_support::putLittleEndian(bytes, 4, 4); } },
        DamageCase { "HeapBeyondTheData", [](std::string& bytes) { testing_support::putLittleEndian(bytes, 36, 200000); } },
        DamageCase { "LargerThanTheRegion",
                     [](std::string& bytes) {
                         bytes.resize(vyx::MappedStore::regionSize);
                         testing_support::putLittleEndian(bytes, bytes.size() - 8, static_cast<DWORD>(bytes.size()));
                     } }),
    testing_support::caseName<DamageCase>);

// Files that pass the checks of the open but lie inside: every search and change ends, and touches
// nothing outside the data.
class DamagedInsideTest : public IndexFileTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedInsideTest, SearchesAndChangesEnd)
{
    saveIndex(20);
    std::string damaged = fileBytes(indexFile());
    GetParam().damage(damaged);
    testing_support::writeBytes(indexFile(), damaged);
    runProgram([&] {
        IndexStore store;
        EXPECT_TRUE(store.Open());
        store.SearchWords(u"contact word", 0);
        store.SearchWordsRaw(u"~3");
        store.SearchKeys(u"dmj", 1);
        store.InOrder({ 1, 2, 3 }, 0);
        store.Stats();
        names.set(99, u"late");
        store.AddContact(indexedContact(99, { u"late", u"contact" }, { u"jadd" }), names);
        store.RemoveContact(3);
        store.RemoveContact(99);
        store.SearchWords(u"contact", 1);
        EXPECT_LE(store.Mapped().Length(), vyx::MappedStore::maxDataLength);
        return 0;
    });
}

// The offset held at file offset `field`.
DWORD fieldOf(const std::string& bytes, std::size_t field)
{
    return littleEndianAt(bytes, field);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedInsideTest,
    ::testing::Values(
        DamageCase { "TreeLoopsBackToItsRoot",
                     [](std::string& bytes) {
                         const DWORD root = fieldOf(bytes, vyx::IndexLayout::wordTreeRoot);
                         for (const DWORD link : { vyx::IndexLayout::nodeHigher, vyx::IndexLayout::nodeLower })
                             testing_support::putLittleEndian(bytes, root + link, root);
                         const DWORD child = fieldOf(bytes, root + vyx::IndexLayout::nodeEqual);
                         testing_support::putLittleEndian(bytes, child + vyx::IndexLayout::nodeEqual, root);
                     } },
        DamageCase { "RootInTheHeader", [](std::string& bytes) { testing_support::putLittleEndian(bytes, vyx::IndexLayout::wordTreeRoot, 4); } },
        DamageCase { "RootAcrossTheEnd",
                     [](std::string& bytes) {
                         testing_support::putLittleEndian(bytes, vyx::IndexLayout::keypadTreeRoot, static_cast<DWORD>(bytes.size() - 16));
                     } },
        DamageCase { "ListsClaimHugeCounts",
                     [](std::string& bytes) {
                         for (const DWORD field : { vyx::IndexLayout::orderList0, vyx::IndexLayout::contactTable, vyx::IndexLayout::wordNodeMap })
                             testing_support::putLittleEndian(bytes, fieldOf(bytes, field), 0x7FFFFFFF);
                     } },
        DamageCase { "MapPointsAtItsOwnField",
                     [](std::string& bytes) {
                         testing_support::putLittleEndian(bytes, vyx::IndexLayout::wordNodeMap, vyx::IndexLayout::wordNodeMap);
                     } },
        DamageCase { "FreeListLeadsNowhere",
                     [](std::string& bytes) {
                         using namespace vyx::IndexLayout;
                         const DWORD first = fieldOf(bytes, heapStart + heapFirstFree);
                         testing_support::putLittleEndian(bytes, heapStart + first + tagSize + freeNext, 4);
                         testing_support::putLittleEndian(bytes, heapStart + first + tagSize + freePrevious, 0xFFFFFFF0);
                     } },
        DamageCase { "TagsLie",
                     [](std::string& bytes) {
                         using namespace vyx::IndexLayout;
                         for (std::size_t at = heapStart + heapFirstBlock; at + 4 < 2000; at += 52)
                             testing_support::putLittleEndian(bytes, at, 0x80000008);
                     } }),
    testing_support::caseName<DamageCase>);

TEST_F(IndexFileTest, AbsentFileFailsTheOpen)
{
    runProgram([] {
        IndexStore store;
        EXPECT_FALSE(store.Open());
        EXPECT_FALSE(store.IsOpen());
        return 0;
    });
}

// ---- The region between programs

TEST_F(IndexFileTest, RegionHeldByAnotherProgramIsUsedWithoutReadingTheFile)
{
    saveIndex(5);
    // A program keeps a new store of its own in the region, never saved.
    const auto holder = start(u"holder", [&] {
        const HANDLE done = CreateEvent(nullptr, TRUE, FALSE, u"holder done");
        IndexStore store;
        EXPECT_TRUE(store.Create());
        EXPECT_FALSE(store.Mapped().AttachedToExisting());
        names.set(77, u"held");
        EXPECT_TRUE(store.AddContact(indexedContact(77, { u"held" }), names));
        WaitForSingleObject(done, INFINITE);
        CloseHandle(done);
        return 0;
    });
    device->runUntilIdle();
    runProgram([] {
        IndexStore store(u"\\PIM_Index1.DAT");
        EXPECT_TRUE(store.Open());
        EXPECT_TRUE(store.Mapped().AttachedToExisting());
        EXPECT_EQ(store.SearchWordsRaw(u"held"), (Contacts { 77 }));
        EXPECT_EQ(store.SearchWordsRaw(u"contact"), Contacts {}) << "the file was not read";
        EXPECT_EQ(store.PropsOffsetOf(77), 0u);
        return 0;
    });
    runProgram([] {
        const HANDLE done = CreateEvent(nullptr, TRUE, FALSE, u"holder done");
        SetEvent(done);
        CloseHandle(done);
        return 0;
    });
    device->runUntil([&] { return holder->finished(); }, std::nullopt);
    // With the holder gone, the file is read again.
    runProgram([] {
        IndexStore store;
        EXPECT_TRUE(store.Open());
        EXPECT_EQ(store.SearchWordsRaw(u"contact").size(), 5u);
        return 0;
    });
}

TEST_F(IndexFileTest, RegionIsNamedByThePathWithoutBackslashesInLowerCase)
{
    runProgram([] {
        IndexStore store(u"\\Storage\\PIM_Index1.dat");
        EXPECT_EQ(store.Mapped().RegionName(), u"storagepim_index1.dat");
        EXPECT_TRUE(store.Create());
        const HANDLE same = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, vyx::MappedStore::regionSize,
                                              u"storagepim_index1.dat");
        EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
        CloseHandle(same);
        return 0;
    });
}

TEST_F(IndexFileTest, DataNeverPassesTheRegionAndAFullStoreLoadsAgain)
{
    constexpr DWORD most = vyx::MappedStore::maxDataLength;
    runProgram([&] {
        vyx::MappedStore store(u"\\full.dat");
        EXPECT_FALSE(store.Create(most + 4));
        EXPECT_TRUE(store.Create(1024));
        EXPECT_FALSE(store.Grow(most + 4));
        EXPECT_EQ(store.Length(), 1024u);
        EXPECT_TRUE(store.Grow(most));
        EXPECT_TRUE(store.Grow(2048)) << "never shrinks";
        EXPECT_EQ(store.Length(), most);
        store.Write32(most - 4, 7);
        store.Write32(most - 2, 9);
        store.Write32(most, 9);
        EXPECT_EQ(store.Read32(most - 4), 7u) << "writes across the end are dropped";
        EXPECT_EQ(store.Read32(most), 0u);
        EXPECT_EQ(store.View(most - 2, 4), nullptr);
        store.StartSave();
        while (store.IsSaving())
            Sleep(10);
        store.Close();
        EXPECT_TRUE(store.Open());
        EXPECT_EQ(store.Length(), most);
        EXPECT_EQ(store.Read32(most - 4), most + 4) << "the size mark";
        return 0;
    });
    EXPECT_EQ(std::filesystem::file_size(folder() / "full.dat"), vyx::MappedStore::regionSize - 4);
}

// ---- Saving

TEST_F(IndexFileTest, CancelledSaveLeavesAFileTheNextOpenRejects)
{
    runProgram([&] {
        SettingsStore::SetFileFlag(indexPath);
        IndexStore store;
        EXPECT_TRUE(store.Create());
        addContacts(store, 1, 30);
        store.StartSave();
        store.CancelSave();
        EXPECT_FALSE(store.IsSaving());
        EXPECT_TRUE(SettingsStore::IsFileFlagSet(indexPath)) << "an incomplete write leaves the value";
        store.Close();
        EXPECT_FALSE(store.Open());
        return 0;
    });
    const auto size = fileBytes(indexFile()).size();
    EXPECT_GT(size, 0u);
    EXPECT_LT(size, 102448u);
}

TEST_F(IndexFileTest, SaveYieldsAfterEveryChunkUnlessCloseHurriesIt)
{
    runProgram([&] {
        IndexStore store;
        EXPECT_TRUE(store.Create());
        addContacts(store, 1, 10);
        // An observer runs each time the save yields.
        int turns = 0;
        const auto observe = [&] {
            return testing_support::startThread([&] {
                while (store.IsSaving()) {
                    ++turns;
                    Sleep(0);
                }
                return DWORD { 0 };
            });
        };

        store.StartSave();
        HANDLE observer = observe();
        waitForSave(store);
        WaitForSingleObject(observer, INFINITE);
        CloseHandle(observer);
        // 102448 bytes in 4096-byte chunks.
        EXPECT_GE(turns, 25);

        turns = 0;
        store.StartSave();
        observer = observe();
        Sleep(0);
        Sleep(0);
        const int beforeClose = turns;
        EXPECT_TRUE(store.IsSaving());
        store.Close();
        EXPECT_LE(turns - beforeClose, 1) << "a hurried save does not yield";
        WaitForSingleObject(observer, INFINITE);
        CloseHandle(observer);
        return 0;
    });
    EXPECT_EQ(fileBytes(indexFile()).size(), 102448u);
}

TEST_F(IndexFileTest, PreSaveActionRunsOnTheSaveThreadBeforeTheFileIsWritten)
{
    runProgram([] {
        vyx::MappedStore store(u"\\pim_index2.dat");
        EXPECT_TRUE(store.Create(1024));
        const DWORD mainThread = GetCurrentThreadId();
        DWORD actionThread = 0;
        DWORD attributesThen = 0;
        store.SetPreSaveAction([&] {
            actionThread = GetCurrentThreadId();
            attributesThen = GetFileAttributes(u"\\pim_index2.dat");
            store.Write32(0, 0xC0FFEE);
        });
        store.StartSave();
        while (store.IsSaving())
            Sleep(10);
        EXPECT_NE(actionThread, 0u);
        EXPECT_NE(actionThread, mainThread);
        EXPECT_EQ(attributesThen, INVALID_FILE_ATTRIBUTES);
        return 0;
    });
    const std::string file = fileBytes(folder() / "pim_index2.dat");
    ASSERT_EQ(file.size(), 1028u);
    EXPECT_EQ(littleEndianAt(file, 0), 0xC0FFEEu) << "what the action wrote is saved";
    EXPECT_EQ(littleEndianAt(file, 1020), 1028u);
}

}
