// Finding the contacts of a caller's number over a stand-in index and database: the shortened searches
// and their bounds, the verification of candidates, demoted contacts last, one entry per contact with
// its first matching number, and the time budget on the device's virtual clock.
#include "platform/api/WinBase.h"
#include "tests/support/DeviceFixture.h"
#include "vyx/contacts/CandidateReader.h"
#include "vyx/contacts/ContactKeySearch.h"
#include "vyx/contacts/NumberLookup.h"
#include "vyx/contacts/PhoneFields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

struct StoredContact {
    DWORD id;
    std::vector<std::u16string> numbers;
    bool demoted { false };
};

// The contacts in display order, indexed under the keys of their phone fields as the index builder
// enters them. Each search can take virtual time; what was searched and read is noted.
class FakeContacts final : public vyx::ContactKeySearch, public vyx::CandidateReader {
public:
    explicit FakeContacts(std::vector<StoredContact> contacts, DWORD searchMs = 0)
        : m_contacts(std::move(contacts))
        , m_searchMs(searchMs)
    {
    }

    std::vector<DWORD> SearchPrefix(std::u16string_view key) override
    {
        searched.push_back(narrow(key));
        if (m_searchMs != 0)
            Sleep(m_searchMs);
        std::vector<DWORD> found;
        for (const StoredContact& contact : m_contacts) {
            const bool has = std::any_of(contact.numbers.begin(), contact.numbers.end(), [&](const std::u16string& number) {
                const auto keys = vyx::NumberKeysOfField(number);
                return std::any_of(keys.begin(), keys.end(), [&](const vyx::NumberKey& word) { return word.Text().starts_with(key); });
            });
            if (has)
                found.push_back(contact.id);
        }
        return found;
    }

    bool IsDemoted(DWORD id) override
    {
        demotionsRead.push_back(id);
        return find(id).demoted;
    }

    std::vector<std::u16string> PhoneNumbers(DWORD id) override
    {
        numbersRead.push_back(id);
        return find(id).numbers;
    }

    std::vector<std::string> searched;
    std::vector<DWORD> demotionsRead;
    std::vector<DWORD> numbersRead;

private:
    const StoredContact& find(DWORD id) const
    {
        return *std::find_if(m_contacts.begin(), m_contacts.end(), [id](const StoredContact& contact) { return contact.id == id; });
    }

    std::vector<StoredContact> m_contacts;
    DWORD m_searchMs;
};

struct LookupCase {
    const char* what;
    std::vector<StoredContact> contacts;
    std::u16string caller;
    std::size_t minimumDigits;
    std::vector<DWORD> found;
    std::vector<std::string> tails;
    // The keys searched, in order; not checked when empty.
    std::vector<std::string> searched;
};

struct LookupOutcome {
    int count;
    std::vector<DWORD> found;
    std::vector<std::string> tails;
    std::vector<std::string> searched;
    std::vector<DWORD> demotionsRead;
    std::vector<DWORD> numbersRead;
};

LookupOutcome lookUp(FakeContacts& contacts, std::u16string_view caller, std::size_t minimumDigits, DWORD budgetMs)
{
    vyx::NumberLookup lookup(contacts, contacts);
    // Left-overs of an earlier lookup are cleared.
    std::vector<DWORD> found { 99 };
    std::vector<std::u16string> tails { u"stale" };
    const int count = lookup.FindContactsByNumber(caller, minimumDigits, budgetMs, found, tails);
    LookupOutcome outcome { count, found, {}, contacts.searched, contacts.demotionsRead, contacts.numbersRead };
    for (const auto& tail : tails)
        outcome.tails.push_back(narrow(tail));
    return outcome;
}

class NumberLookupTest : public testing_support::DeviceFixture {
protected:
    // Runs `body` inside an emulated process, where the lookup reads the device's tick count.
    void onDevice(const std::function<void()>& body)
    {
        runProgram([&] {
            body();
            return 0;
        });
    }
};

TEST_F(NumberLookupTest, FindsVerifiesAndBoundsTheSearch)
{
    const std::vector<LookupCase> cases {
        { "international caller, national stored number", { { 1, { u"89161234567" } } }, u"+7 (916) 123-45-67", 6, { 1 }, { "1234567" },
          { "~76543216197", "~7654321619" } },
        { "seven-digit caller, international stored number", { { 1, { u"+7 916 123 45 67" } } }, u"1234567", 6, { 1 }, { "1234567" },
          { "~7654321" } },
        { "the key is shortened down to the stored number", { { 2, { u"7946 0000" } } }, u"+44 20 7946 0000", 6, { 2 }, { "9460000" },
          { "~000064970244", "~00006497024", "~0000649702", "~000064970", "~00006497" } },
        { "a larger minimum still reaches it", { { 2, { u"7946 0000" } } }, u"+44 20 7946 0000", 8, { 2 }, { "9460000" }, {} },
        { "a minimum above its length stops short of it", { { 2, { u"7946 0000" } } }, u"+44 20 7946 0000", 9, {}, {},
          { "~000064970244", "~00006497024", "~0000649702", "~000064970" } },
        { "never below six digits", { { 3, { u"000 56789" } } }, u"123456789", 6, {}, {},
          { "~987654321", "~98765432", "~9876543", "~987654" } },
        { "the first search takes a short key whole", { { 4, { u"0911" } } }, u"0911", 6, { 4 }, { "0911" }, { "~1190" } },
        { "a short caller matches only exactly", { { 4, { u"10911" } } }, u"0911", 6, {}, {}, { "~1190" } },
        { "nothing for a short caller is not retried", { { 4, { u"1234567" } } }, u"0911", 6, {}, {}, { "~1190" } },
        { "a candidate whose numbers do not match", { { 5, { u"1234567" } } }, u"234567", 6, {}, {}, { "~765432" } },
        // The index finds the field under its first number too, and each number of the field is checked.
        { "a field of two numbers, by its first", { { 6, { u"495 123-45-67, 8 916 765-43-21" } } }, u"+7 495 123 45 67", 6, { 6 },
          { "1234567" }, { "~76543215947", "~7654321594" } },
        { "a field of two numbers, by its second", { { 6, { u"495 123-45-67, 8 916 765-43-21" } } }, u"89167654321", 6, { 6 },
          { "7654321" }, {} },
        { "no digits: no search", { { 7, { u"1234567" } } }, u"+() ", 6, {}, {}, {} },
        { "an empty number: no search", { { 7, { u"1234567" } } }, u"", 6, {}, {}, {} },
        { "no index", {}, u"+7 916 123 45 67", 6, {}, {},
          { "~76543216197", "~7654321619", "~765432161", "~76543216", "~7654321", "~765432" } },
    };
    std::vector<LookupOutcome> outcomes;
    onDevice([&] {
        for (const LookupCase& c : cases) {
            FakeContacts contacts(c.contacts);
            outcomes.push_back(lookUp(contacts, c.caller, c.minimumDigits, 0));
        }
    });
    ASSERT_EQ(outcomes.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const LookupCase& c = cases[i];
        const LookupOutcome& outcome = outcomes[i];
        EXPECT_EQ(outcome.count, static_cast<int>(c.found.size())) << c.what;
        EXPECT_EQ(outcome.found, c.found) << c.what;
        EXPECT_EQ(outcome.tails, c.tails) << c.what;
        if (!c.searched.empty() || c.caller.find_first_of(u"0123456789") == std::u16string::npos) {
            EXPECT_EQ(outcome.searched, c.searched) << c.what;
        }
    }
}

TEST_F(NumberLookupTest, DemotedContactsComeLastAndEachContactOnce)
{
    const std::vector<StoredContact> shared {
        { 10, { u"123-45-67" }, true },
        { 11, { u"+7 916 123 45 67" } },
        { 12, { u"8 916 123 45 67" }, true },
        { 13, { u"1234567" } },
    };
    LookupOutcome several;
    LookupOutcome single;
    LookupOutcome twice;
    LookupOutcome firstFails;
    onDevice([&] {
        FakeContacts sharing(shared);
        several = lookUp(sharing, u"1234567", 6, 0);
        FakeContacts alone({ { 20, { u"+7 916 123 45 67" }, true } });
        single = lookUp(alone, u"+79161234567", 6, 0);
        // Two numbers that match, with tails of different lengths: the first in the reading order counts.
        FakeContacts both({ { 30, { u"23-45-67", u"+7 916 123 45 67" } } });
        twice = lookUp(both, u"+79161234567", 6, 0);
        FakeContacts skipping({ { 40, { u"+7 916 000 00 00", u"", u"+7 916 123 45 67", u"123-45-67" } } });
        firstFails = lookUp(skipping, u"+79161234567", 6, 0);
    });
    EXPECT_EQ(several.found, (std::vector<DWORD> { 11, 13, 10, 12 }));
    EXPECT_EQ(several.tails, (std::vector<std::string>(4, "1234567")));
    EXPECT_EQ(several.numbersRead, (std::vector<DWORD> { 11, 13, 10, 12 }));
    EXPECT_EQ(several.demotionsRead.size(), 4u);

    // One candidate: its demotion is not read, and it is still listed.
    EXPECT_EQ(single.found, (std::vector<DWORD> { 20 }));
    EXPECT_TRUE(single.demotionsRead.empty());

    EXPECT_EQ(twice.found, (std::vector<DWORD> { 30 }));
    EXPECT_EQ(twice.tails, (std::vector<std::string> { "234567" }));

    EXPECT_EQ(firstFails.found, (std::vector<DWORD> { 40 }));
    EXPECT_EQ(firstFails.tails, (std::vector<std::string> { "1234567" }));
}

TEST_F(NumberLookupTest, RetriesStopOnceTheBudgetIsExceeded)
{
    // Every search takes a second of virtual time; the stored number is found by the fifth search,
    // which starts four seconds after the lookup.
    const struct {
        DWORD budgetMs;
        std::vector<DWORD> found;
        std::size_t searches;
        DWORD elapsedMs;
    } cases[] = {
        { 0, { 2 }, 5, 5000 },
        { 4000, { 2 }, 5, 5000 },
        { 3999, {}, 4, 4000 },
        { 2500, {}, 3, 3000 },
        { 1, {}, 1, 1000 },
    };
    for (const auto& c : cases) {
        LookupOutcome outcome;
        DWORD elapsed = 0;
        onDevice([&] {
            FakeContacts contacts({ { 2, { u"7946 0000" } } }, 1000);
            const DWORD started = GetTickCount();
            outcome = lookUp(contacts, u"+44 20 7946 0000", 6, c.budgetMs);
            elapsed = GetTickCount() - started;
        });
        EXPECT_EQ(outcome.found, c.found) << "budget " << c.budgetMs;
        EXPECT_EQ(outcome.searched.size(), c.searches) << "budget " << c.budgetMs;
        EXPECT_EQ(elapsed, c.elapsedMs) << "budget " << c.budgetMs;
    }
}

}
