// The index store against a plain model of the same searches: thousands of seeded random additions,
// updates and removals, with the heap's integrity and the answers checked after every step and the
// store saved and reopened on the way; and a store filled past its region, which refuses the contact
// that does not fit, leaves no trace of it and goes on answering.
#include "common/SettingsStore.h"
#include "platform/api/WinNls.h"
#include "tests/support/DeviceFixture.h"
#include "tests/vyx/IndexStoreSupport.h"
#include "vyx/contacts/IndexStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using testing_support::heapFault;
using testing_support::indexedContact;
using testing_support::MapSortTexts;
using vyx::IndexedContact;
using vyx::IndexStore;
using Contacts = std::vector<DWORD>;

std::string narrow(const std::u16string& text)
{
    std::string bytes;
    for (const char16_t c : text)
        bytes += c < 0x80 ? static_cast<char>(c) : '?';
    return bytes;
}

// What the index should answer, worked out the plain way.
class IndexModel {
public:
    void add(const IndexedContact& contact, MapSortTexts& names)
    {
        contacts[contact.identifier] = contact;
        for (int order = 0; order < IndexStore::orderCount; ++order) {
            Contacts& list = orders[static_cast<std::size_t>(order)];
            const std::u16string text = *names.SortText(contact.identifier, order);
            const auto place = std::upper_bound(list.begin(), list.end(), contact.identifier, [&](DWORD id, DWORD listed) {
                const std::u16string listedText = *names.SortText(listed, order);
                const int compared = CompareString(LOCALE_SYSTEM_DEFAULT, 0, text.c_str(), static_cast<int>(text.size()),
                                                   listedText.c_str(), static_cast<int>(listedText.size()));
                return compared == CSTR_LESS_THAN || (compared == CSTR_EQUAL && id < listed);
            });
            list.insert(place, contact.identifier);
        }
    }

    void remove(DWORD identifier)
    {
        contacts.erase(identifier);
        for (Contacts& list : orders)
            list.erase(std::remove(list.begin(), list.end(), identifier), list.end());
    }

    Contacts withPrefix(const std::u16string& prefix, bool keys) const
    {
        Contacts found;
        for (const auto& [id, contact] : contacts) {
            const auto& pieces = keys ? contact.keypadKeys : contact.words;
            if (std::any_of(pieces.begin(), pieces.end(), [&](const std::u16string& piece) { return piece.starts_with(prefix); }))
                found.push_back(id);
        }
        return found;
    }

    Contacts inOrder(const Contacts& sorted, int order) const
    {
        Contacts arranged;
        for (const DWORD id : orders[static_cast<std::size_t>(order)]) {
            if (std::binary_search(sorted.begin(), sorted.end(), id))
                arranged.push_back(id);
        }
        return arranged;
    }

    std::map<DWORD, IndexedContact> contacts;
    Contacts orders[IndexStore::orderCount];
};

class IndexStoreModelTest : public testing_support::DeviceFixture {
protected:
    std::u16string randomText(const std::u16string& alphabet, std::size_t shortest, std::size_t longest)
    {
        std::uniform_int_distribution<std::size_t> length(shortest, longest);
        std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
        std::u16string text;
        for (std::size_t i = length(random); i > 0; --i)
            text += alphabet[letter(random)];
        return text;
    }

    // Few letters, so that words share prefixes, end inside each other and unfold each other's tails.
    IndexedContact randomContact(DWORD id)
    {
        IndexedContact contact { id, {}, {}, id * 128 };
        for (std::size_t i = std::uniform_int_distribution<std::size_t>(0, 6)(random); i > 0; --i)
            contact.words.push_back(randomText(u"abnаб", 1, 7));
        if (random() % 2)
            contact.words.push_back(u"~" + randomText(u"123", 3, 9));
        if (random() % 5 == 0 && !contact.words.empty())
            contact.words.push_back(contact.words.front());
        for (std::size_t i = std::uniform_int_distribution<std::size_t>(0, 3)(random); i > 0; --i)
            contact.keypadKeys.push_back(randomText(u"adgj", 1, 5));
        const std::u16string sortNames[] = { u"Иванов Иван", u"Петров", u"Adams", u"adams", u"Ёлкин", u"", u"Жуков Пётр" };
        names.set(id, sortNames[random() % 7], sortNames[random() % 7]);
        return contact;
    }

    // The store's answers against the model's; false at the first difference.
    bool answersAgree(const IndexStore& store, const IndexModel& model, int step)
    {
        const std::u16string prefixes[] = { randomText(u"abnаб", 1, 3), randomText(u"abnаб", 1, 3), u"~" + randomText(u"123", 0, 2) };
        for (const std::u16string& prefix : prefixes) {
            const Contacts expected = model.withPrefix(prefix, false);
            EXPECT_EQ(store.SearchWordsRaw(prefix), expected) << "step " << step << " word " << narrow(prefix);
            const int order = static_cast<int>(random() % 2);
            EXPECT_EQ(store.SearchWords(prefix, order), model.inOrder(expected, order)) << "step " << step << " order " << order;
        }
        const std::u16string key = randomText(u"adgj", 1, 3);
        EXPECT_EQ(store.SearchKeysRaw(key), model.withPrefix(key, true)) << "step " << step << " key " << narrow(key);
        EXPECT_EQ(store.AllInOrder(0), model.orders[0]) << "step " << step;
        EXPECT_EQ(store.AllInOrder(1), model.orders[1]) << "step " << step;
        EXPECT_EQ(store.Stats().contacts, model.contacts.size()) << "step " << step;
        const DWORD probe = static_cast<DWORD>(random() % 700);
        const auto known = model.contacts.find(probe);
        EXPECT_EQ(store.PropsOffsetOf(probe), known == model.contacts.end() ? std::nullopt : std::optional<DWORD>(known->second.propsOffset));
        const std::string fault = heapFault(store.Mapped());
        EXPECT_EQ(fault, "") << "step " << step;
        return fault.empty() && !::testing::Test::HasFailure();
    }

    std::mt19937 random { 20240611 };
    MapSortTexts names;
};

TEST_F(IndexStoreModelTest, RandomChangesAgreeWithTheModel)
{
    runProgram([&] {
        IndexStore store;
        EXPECT_TRUE(store.Create());
        IndexModel model;
        for (int step = 0; step < 4000; ++step) {
            const auto roll = random() % 100;
            const auto existing = [&]() -> DWORD {
                auto at = model.contacts.begin();
                std::advance(at, static_cast<long>(random() % model.contacts.size()));
                return at->first;
            };
            if (roll < 55 || model.contacts.empty()) {
                const DWORD id = static_cast<DWORD>(1 + random() % 600);
                const IndexedContact contact = randomContact(id);
                EXPECT_TRUE(store.AddContact(contact, names));
                model.remove(id);
                model.add(contact, names);
            } else if (roll < 85) {
                const DWORD id = roll < 83 ? existing() : static_cast<DWORD>(601 + random() % 50);
                store.RemoveContact(id);
                model.remove(id);
            } else {
                const DWORD id = existing();
                const IndexedContact contact = randomContact(id);
                EXPECT_TRUE(store.UpdateContact(contact, names));
                model.remove(id);
                model.add(contact, names);
            }
            if (!answersAgree(store, model, step))
                return 1;
            if (step % 1000 == 999) {
                store.StartSave();
                store.Close();
                EXPECT_TRUE(store.Open());
                if (!answersAgree(store, model, step))
                    return 1;
            }
        }
        EXPECT_FALSE(store.IsUntrusted());
        // Taking every contact out leaves empty trees.
        while (!model.contacts.empty()) {
            store.RemoveContact(model.contacts.begin()->first);
            model.remove(model.contacts.begin()->first);
        }
        EXPECT_EQ(store.Stats().wordNodes, 0u);
        EXPECT_EQ(store.Stats().keypadNodes, 0u);
        EXPECT_EQ(heapFault(store.Mapped()), "");
        return 0;
    });
}

TEST_F(IndexStoreModelTest, StoreFilledPastItsRegionRefusesWhatDoesNotFitAndGoesOn)
{
    runProgram([&] {
        IndexStore store;
        EXPECT_TRUE(store.Create());
        IndexModel model;
        const auto bulky = [&](DWORD id, std::size_t words, std::size_t length) {
            IndexedContact contact { id, {}, {}, id };
            for (std::size_t i = 0; i < words; ++i)
                contact.words.push_back(randomText(u"abcdefghijklmnopqrstuvwxyz", length, length));
            contact.keypadKeys.push_back(randomText(u"adgjmptw", length, length));
            names.set(id, randomText(u"abc", 3, 3));
            return contact;
        };
        // The first word of each contact is kept to look it up by.
        const auto found = [&](const IndexedContact& contact) {
            const Contacts hits = store.SearchWordsRaw(contact.words.front());
            return std::binary_search(hits.begin(), hits.end(), contact.identifier);
        };

        DWORD id = 1;
        for (; id < 4000; ++id) {
            const IndexedContact contact = bulky(id, 40, 40);
            if (!store.AddContact(contact, names))
                break;
            model.add(contact, names);
        }
        if (id == 4000) {
            ADD_FAILURE() << "the region never filled";
            return 1;
        }
        EXPECT_TRUE(store.IsUntrusted());
        EXPECT_TRUE(SettingsStore::IsFileFlagSet(u"\\pim_index1.dat")) << "the next start rebuilds";
        EXPECT_LE(store.Mapped().Length(), vyx::MappedStore::maxDataLength);
        EXPECT_EQ(heapFault(store.Mapped()), "");

        // Contacts of every size now fail at different points, or fit; either way whole or not at all.
        for (std::size_t words = 1; words <= 60; words += 3) {
            const IndexedContact contact = bulky(++id, words, 10 + words % 40);
            const bool added = store.AddContact(contact, names);
            if (added)
                model.add(contact, names);
            EXPECT_EQ(found(contact), added) << words;
            EXPECT_EQ(store.PropsOffsetOf(contact.identifier).has_value(), added) << words;
            EXPECT_EQ(heapFault(store.Mapped()), "") << words;
        }
        EXPECT_EQ(store.AllInOrder(0), model.orders[0]);
        EXPECT_EQ(store.AllInOrder(1), model.orders[1]);
        for (const auto& [contactId, contact] : model.contacts)
            EXPECT_TRUE(found(contact)) << contactId;

        // Room made by removals is used again.
        for (DWORD gone = 1; gone <= 30; ++gone) {
            store.RemoveContact(gone);
            model.remove(gone);
        }
        const IndexedContact late = bulky(++id, 40, 40);
        EXPECT_TRUE(store.AddContact(late, names));
        EXPECT_TRUE(found(late));
        EXPECT_EQ(heapFault(store.Mapped()), "");

        // A save of what is left does not make it trusted again; a new store does.
        store.StartSave();
        while (store.IsSaving())
            Sleep(10);
        EXPECT_TRUE(SettingsStore::IsFileFlagSet(u"\\pim_index1.dat"));
        store.Close();
        EXPECT_TRUE(store.Create());
        EXPECT_FALSE(store.IsUntrusted());
        store.StartSave();
        while (store.IsSaving())
            Sleep(10);
        EXPECT_FALSE(SettingsStore::IsFileFlagSet(u"\\pim_index1.dat"));
        return 0;
    });
    const std::string log = testing_support::fileBytes(folder() / "error.log");
    EXPECT_NE(log.find("Unable open memory as mapped file!!!\t\tIndexStore:"), std::string::npos) << log;
}

}
