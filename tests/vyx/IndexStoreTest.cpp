// The contact index in memory: word and key searches over words that share prefixes, removal that
// deletes what only the removed contact needed, the display orders by the locale's comparison, the
// property store offsets, and the heap's first-fit, splitting, merging and growth.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "tests/vyx/IndexStoreSupport.h"
#include "vyx/contacts/IndexStore.h"
#include "vyx/contacts/StoreHeap.h"
#include "vyx/contacts/WordTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace {

using testing_support::heapFault;
using testing_support::indexedContact;
using testing_support::MapSortTexts;
using vyx::IndexStore;
using Contacts = std::vector<DWORD>;

class IndexStoreTest : public testing_support::DeviceFixture {
protected:
    // Runs `body` on the device with a new store holding `contacts`, each named by its sort texts.
    void withStore(const std::vector<vyx::IndexedContact>& contacts, const std::function<void(IndexStore&)>& body)
    {
        runProgram([&] {
            IndexStore store;
            EXPECT_TRUE(store.Create());
            for (const vyx::IndexedContact& contact : contacts) {
                if (!names.texts.contains(contact.identifier))
                    names.set(contact.identifier, u"");
                EXPECT_TRUE(store.AddContact(contact, names)) << contact.identifier;
            }
            body(store);
            EXPECT_EQ(heapFault(store.Mapped()), "");
            return 0;
        });
    }

    MapSortTexts names;
};

// ---- Word searches

struct SearchCase {
    std::string name;
    std::u16string text;
    Contacts expected;
    friend void PrintTo(const SearchCase& c, std::ostream* out) { *out << c.name; }
};

class WordSearchTest : public IndexStoreTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(WordSearchTest, FindsContactsWithEveryWordAsAPrefix)
{
    const SearchCase& c = GetParam();
    withStore({ indexedContact(3, { u"ann", u"smith", u"~7654321" }), indexedContact(7, { u"anna", u"smith", u"~7654329" }),
                indexedContact(5, { u"annette", u"jones", u"петрова" }) },
              [&](IndexStore& store) { EXPECT_EQ(store.SearchWordsRaw(c.text), c.expected); });
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WordSearchTest,
    ::testing::Values(SearchCase { "PrefixOfBothWords", u"ann", { 3, 5, 7 } }, SearchCase { "LongerWordOnly", u"anna", { 7 } },
                      SearchCase { "BeyondEveryWord", u"annab", {} }, SearchCase { "TailPrefix", u"annet", { 5 } },
                      SearchCase { "WholeTail", u"annette", { 5 } }, SearchCase { "PastTail", u"annettes", {} },
                      SearchCase { "TwoWords", u"smith anna", { 7 } }, SearchCase { "OneWordAbsent", u"smith zed", {} },
                      SearchCase { "TrimmedFoldedSplit", u"  SMITH,Ann. ", { 3, 7 } },
                      SearchCase { "CyrillicFolded", u"ПЕТР", { 5 } }, SearchCase { "NumberKeyPrefix", u"~765432", { 3, 7 } },
                      SearchCase { "WholeNumberKey", u"~7654329", { 7 } }, SearchCase { "OnlySeparators", u" ,.- ", {} },
                      SearchCase { "Empty", u"", {} }),
    testing_support::caseName<SearchCase>);

TEST_F(IndexStoreTest, SameWordTwiceForOneContactIsRecordedOnce)
{
    runProgram([] {
        vyx::MappedStore mapped(u"\\tree.dat");
        EXPECT_TRUE(mapped.Create(20000));
        vyx::StoreHeap heap(mapped);
        heap.Format();
        vyx::WordTree tree(mapped, heap, vyx::IndexLayout::wordTreeRoot, vyx::IndexLayout::wordNodeMap);
        std::vector<DWORD> recorded;
        EXPECT_TRUE(tree.Insert(u"ann", 1, recorded));
        const auto freeAfterFirst = heap.FreeSpaceTotal().bytes;
        EXPECT_TRUE(tree.Insert(u"ann", 1, recorded));
        EXPECT_EQ(recorded.size(), 1u);
        EXPECT_EQ(heap.FreeSpaceTotal().bytes, freeAfterFirst);
        // Another contact's entry changes the list and is recorded for that contact.
        std::vector<DWORD> other;
        EXPECT_TRUE(tree.Insert(u"ann", 2, other));
        EXPECT_EQ(other, recorded);
        EXPECT_EQ(tree.SearchPrefix(u"an"), (Contacts { 1, 2 }));
        return 0;
    });
}

TEST_F(IndexStoreTest, RemovingAContactDeletesWhatOnlyItsWordsNeeded)
{
    withStore({ indexedContact(2, { u"anna" }) }, [&](IndexStore& store) {
        // A root "a" and an "n" carrying the tail "na".
        EXPECT_EQ(store.Stats().wordNodes, 2u);
        names.set(1, u"Anton");
        // "anton" unfolds the tail of "anna" where the two part, "ann" the rest of it.
        EXPECT_TRUE(store.AddContact(indexedContact(1, { u"anton", u"ann" }), names));
        EXPECT_EQ(store.SearchWordsRaw(u"ant"), (Contacts { 1 }));
        EXPECT_EQ(store.SearchWordsRaw(u"ann"), (Contacts { 1, 2 }));

        store.RemoveContact(1);
        EXPECT_EQ(store.SearchWordsRaw(u"ant"), Contacts {});
        EXPECT_EQ(store.SearchWordsRaw(u"anton"), Contacts {});
        EXPECT_EQ(store.SearchWordsRaw(u"anna"), (Contacts { 2 }));
        EXPECT_EQ(store.SearchWordsRaw(u"ann"), (Contacts { 2 }));
        // The unfolded nodes a-n-n-a of "anna" stay; the "t" with the tail "on" is gone.
        EXPECT_EQ(store.Stats().wordNodes, 4u);

        store.RemoveContact(2);
        EXPECT_EQ(store.Stats().wordNodes, 0u);
        EXPECT_EQ(store.SearchWordsRaw(u"a"), Contacts {});
    });
}

TEST_F(IndexStoreTest, RemovedContactLeavesSharedWordsToOthers)
{
    withStore({ indexedContact(1, { u"smith", u"john" }, { u"pmgtg" }), indexedContact(2, { u"smith", u"jane" }, { u"pmgtg" }) },
              [&](IndexStore& store) {
                  store.RemoveContact(1);
                  EXPECT_EQ(store.SearchWordsRaw(u"smith"), (Contacts { 2 }));
                  EXPECT_EQ(store.SearchWordsRaw(u"john"), Contacts {});
                  EXPECT_EQ(store.SearchKeysRaw(u"pm"), (Contacts { 2 }));
                  EXPECT_EQ(store.AllInOrder(0), (Contacts { 2 }));
                  EXPECT_EQ(store.PropsOffsetOf(1), std::nullopt);
                  // Removing it again, or a contact never indexed, changes nothing.
                  store.RemoveContact(1);
                  store.RemoveContact(99);
                  EXPECT_EQ(store.SearchWordsRaw(u"smith"), (Contacts { 2 }));
                  EXPECT_EQ(store.Stats().contacts, 1u);
              });
}

TEST_F(IndexStoreTest, KeypadKeysAreSearchedAsOneUnsplitPrefix)
{
    withStore({ indexedContact(1, { u"smith" }, { u"pmgtg", u"a.b" }), indexedContact(2, { u"smirnov" }, { u"pmgpmtm" }) },
              [&](IndexStore& store) {
                  EXPECT_EQ(store.SearchKeysRaw(u"pmg"), (Contacts { 1, 2 }));
                  EXPECT_EQ(store.SearchKeysRaw(u"pmgt"), (Contacts { 1 }));
                  EXPECT_EQ(store.SearchKeysRaw(u"a.b"), (Contacts { 1 }));
                  EXPECT_EQ(store.SearchKeysRaw(u"smith"), Contacts {}) << "words are not keys";
                  EXPECT_EQ(store.SearchWordsRaw(u"pmg"), Contacts {}) << "keys are not words";
              });
}

// ---- Display orders

TEST_F(IndexStoreTest, DisplayOrdersSortByTheLocaleThenByIdentifier)
{
    // Russian sorts Cyrillic before Latin and Ё with Е.
    names.set(10, u"Яковлев Пётр", u"b");
    names.set(11, u"Adams John", u"a");
    names.set(12, u"Ёлкин Иван", u"c");
    names.set(13, u"Ёлкин Иван", u"c");
    names.set(14, u"Жуков", u"");
    withStore({ indexedContact(13, { u"ёлкин" }), indexedContact(11, { u"adams" }), indexedContact(14, { u"жуков" }),
                indexedContact(10, { u"яковлев" }), indexedContact(12, { u"ёлкин" }) },
              [&](IndexStore& store) {
                  EXPECT_EQ(store.AllInOrder(0), (Contacts { 12, 13, 14, 10, 11 }));
                  EXPECT_EQ(store.AllInOrder(1), (Contacts { 14, 11, 10, 12, 13 }));
                  EXPECT_EQ(store.AllInOrder(2), Contacts {});
                  EXPECT_EQ(store.SearchWords(u"ё", 0), (Contacts { 12, 13 }));
                  EXPECT_EQ(store.InOrder({ 11, 14, 12 }, 0), (Contacts { 12, 14, 11 }));
                  EXPECT_EQ(store.InOrder({ 11, 14, 12 }, 1), (Contacts { 14, 11, 12 }));
                  EXPECT_EQ(store.InOrder({ 1, 2, 3, 4, 5 }, 0), (Contacts { 12, 13, 14, 10, 11 })) << "as many as the list: all";
                  EXPECT_EQ(store.SearchWordsWithin(u"ёлкин", { 13, 11 }, 0), (Contacts { 13 }));
                  EXPECT_EQ(store.SearchKeysWithin(u"x", { 13, 11 }, 0), Contacts {});
                  EXPECT_EQ(store.SearchWords(u"ёлкин", 5), Contacts {});
              });
}

TEST_F(IndexStoreTest, OrderOfResultsFollowsChangesOfTheList)
{
    // Few results are put in order from positions each program remembers; they must follow every
    // change of the list. Contacts 2k and 2k+1 share the word "pk".
    withStore({}, [&](IndexStore& store) {
        const auto pairWord = [](DWORD id) { return u"p" + std::u16string(1, static_cast<char16_t>(u'a' + id / 2)); };
        for (DWORD id = 0; id < 40; ++id) {
            names.set(id + 1, std::u16string(1, static_cast<char16_t>(u'z' - id % 7)) + u"name");
            EXPECT_TRUE(store.AddContact(indexedContact(id + 1, { pairWord(id) }), names));
        }
        const auto expectPairsInListOrder = [&] {
            const Contacts all = store.AllInOrder(0);
            for (DWORD id = 0; id < 40; id += 2) {
                const Contacts raw = store.SearchWordsRaw(pairWord(id));
                Contacts expected;
                std::copy_if(all.begin(), all.end(), std::back_inserter(expected),
                             [&](DWORD contact) { return std::binary_search(raw.begin(), raw.end(), contact); });
                EXPECT_EQ(store.SearchWords(pairWord(id), 0), expected) << id;
            }
        };
        expectPairsInListOrder();
        store.RemoveContact(3);
        store.RemoveContact(8);
        expectPairsInListOrder();
        names.set(3, u"aaa");
        EXPECT_TRUE(store.AddContact(indexedContact(3, { pairWord(2) }), names));
        names.set(8, u"zzz");
        EXPECT_TRUE(store.AddContact(indexedContact(8, { pairWord(7) }), names));
        expectPairsInListOrder();
    });
}

TEST_F(IndexStoreTest, VanishedRecordGivesItsPlaceToTheNewContact)
{
    names.set(1, u"a");
    names.set(2, u"b");
    names.set(3, u"c");
    withStore({ indexedContact(1, { u"one" }), indexedContact(2, { u"two" }), indexedContact(3, { u"three" }) },
              [&](IndexStore& store) {
                  // The binary search first reads the middle entry, whose record is gone.
                  names.texts.erase(2);
                  names.set(4, u"d");
                  EXPECT_TRUE(store.AddContact(indexedContact(4, { u"four" }), names));
                  EXPECT_EQ(store.AllInOrder(0), (Contacts { 1, 4, 3 }));
                  // A contact whose own record cannot be read is not added at all.
                  EXPECT_FALSE(store.AddContact(indexedContact(5, { u"five" }), names));
                  EXPECT_EQ(store.SearchWordsRaw(u"five"), Contacts {});
                  EXPECT_EQ(store.PropsOffsetOf(5), std::nullopt);
                  EXPECT_EQ(store.Stats().contacts, 4u);
                  EXPECT_FALSE(store.IsUntrusted());
              });
}

TEST_F(IndexStoreTest, PropsOffsetsFollowAddUpdateAndRemove)
{
    withStore({ indexedContact(5, { u"x" }, {}, 4000), indexedContact(6, { u"y" }, {}, 4128) }, [&](IndexStore& store) {
        EXPECT_EQ(store.PropsOffsetOf(5), 4000u);
        EXPECT_EQ(store.PropsOffsetOf(6), 4128u);
        EXPECT_TRUE(store.UpdateContact(indexedContact(5, { u"z" }, {}, 4256), names));
        EXPECT_EQ(store.PropsOffsetOf(5), 4256u);
        EXPECT_EQ(store.SearchWordsRaw(u"x"), Contacts {});
        EXPECT_EQ(store.SearchWordsRaw(u"z"), (Contacts { 5 }));
        // Adding an indexed contact again replaces it rather than listing it twice.
        EXPECT_TRUE(store.AddContact(indexedContact(6, { u"w" }, {}, 4384), names));
        EXPECT_EQ(store.AllInOrder(0).size(), 2u);
        EXPECT_EQ(store.SearchWordsRaw(u"y"), Contacts {});
        EXPECT_EQ(store.Stats().contacts, 2u);
        EXPECT_FALSE(store.AddContact(indexedContact(0, { u"nobody" }), names)) << "0 names no contact";
    });
}

// ---- The heap

class StoreHeapTest : public testing_support::DeviceFixture {
protected:
    // Runs `body` on the device over a heap formatted in a store of `dataLength` bytes.
    void withHeap(DWORD dataLength, const std::function<void(vyx::MappedStore&, vyx::StoreHeap&)>& body)
    {
        runProgram([&] {
            vyx::MappedStore mapped(u"\\heap.dat");
            EXPECT_TRUE(mapped.Create(dataLength));
            vyx::StoreHeap heap(mapped);
            heap.Format();
            body(mapped, heap);
            EXPECT_EQ(heapFault(mapped), "");
            return 0;
        });
    }
};

TEST_F(StoreHeapTest, FirstFitSplitsOnlyWhenSixteenBytesAreLeftOver)
{
    using vyx::IndexLayout::heapStart;
    withHeap(10284, [](vyx::MappedStore&, vyx::StoreHeap& heap) {
        // One free block: heap offset 8, payload 10284 - 36 - 16.
        EXPECT_EQ(heap.FreeSpaceTotal().bytes, 10232u);
        const DWORD a = heap.Allocate(5);
        EXPECT_EQ(a, heapStart + 12) << "the payload follows the first block's tag";
        EXPECT_EQ(heap.PayloadSize(a), 8u) << "rounded up to 8";
        const DWORD b = heap.Allocate(40);
        const DWORD c = heap.Allocate(24);
        EXPECT_EQ(b, a + 16);
        EXPECT_EQ(c, b + 48);
        heap.Free(b);
        // 24 + 16 > 40: the freed block is taken whole.
        const DWORD d = heap.Allocate(28);
        EXPECT_EQ(d, b);
        EXPECT_EQ(heap.PayloadSize(d), 40u);
        heap.Free(d);
        // 16 + 16 <= 40: split, and the rest (40 - 16 - 8) stays free in its place.
        const DWORD e = heap.Allocate(16);
        EXPECT_EQ(e, b);
        EXPECT_EQ(heap.PayloadSize(e), 16u);
        EXPECT_EQ(heap.FreeSpaceTotal().blocks, 2u);
        const DWORD f = heap.Allocate(16);
        EXPECT_EQ(f, e + 24) << "first fit: the rest before the big block";
    });
}

TEST_F(StoreHeapTest, FreeingMergesWithBothNeighbours)
{
    withHeap(10284, [](vyx::MappedStore&, vyx::StoreHeap& heap) {
        const DWORD a = heap.Allocate(8);
        const DWORD b = heap.Allocate(8);
        const DWORD c = heap.Allocate(8);
        const DWORD d = heap.Allocate(8);
        heap.Free(a);
        heap.Free(c);
        EXPECT_EQ(heap.FreeSpaceTotal().blocks, 3u);
        heap.Free(b);
        // a, b and c are one block of 8 + 8 + 8 + 16.
        EXPECT_EQ(heap.FreeSpaceTotal().blocks, 2u);
        EXPECT_EQ(heap.Allocate(40), a);
        heap.Free(d);
        heap.Free(a);
        EXPECT_EQ(heap.FreeSpaceTotal().blocks, 1u);
        EXPECT_EQ(heap.FreeSpaceTotal().bytes, 10232u);
        // Freeing what is no block in use changes nothing.
        heap.Free(a);
        heap.Free(0);
        EXPECT_EQ(heap.FreeSpaceTotal().bytes, 10232u);
    });
}

TEST_F(StoreHeapTest, GrowsByAStepOrByTheRequestWhenLarger)
{
    withHeap(10284, [](vyx::MappedStore& mapped, vyx::StoreHeap& heap) {
        EXPECT_NE(heap.Allocate(10000), 0u);
        EXPECT_NE(heap.Allocate(1000), 0u);
        EXPECT_EQ(mapped.Length(), 10284u + 102400u);
        EXPECT_EQ(heap.FreeSpaceTotal().blocks, 1u) << "the new space merged with the free end";
        EXPECT_NE(heap.Allocate(300000), 0u);
        EXPECT_EQ(mapped.Length(), 10284u + 102400u + 300008u);
    });
}

}
