// NumberLookup: the search with retries, the demotion order and the verification of candidates.
#include "vyx/contacts/NumberLookup.h"

#include "platform/api/WinBase.h"
#include "vyx/contacts/NumberKey.h"
#include "vyx/contacts/NumberMatch.h"
#include "vyx/contacts/PhoneDigits.h"
#include "vyx/contacts/PhoneFields.h"

#include <utility>

namespace vyx {

NumberLookup::NumberLookup(ContactKeySearch& index, CandidateReader& candidates)
    : m_index(index)
    , m_candidates(candidates)
{
}

int NumberLookup::FindContactsByNumber(std::u16string_view number, std::size_t minimumDigits, DWORD timeBudgetMs,
                                       std::vector<DWORD>& contacts, std::vector<std::u16string>& tails)
{
    contacts.clear();
    tails.clear();
    const DWORD started = GetTickCount();
    const PhoneDigits digits = PhoneDigits::DigitsOnly(number);
    auto key = NumberKey::MakeNumberKey(digits);
    if (!key)
        return 0;

    // The first search takes the whole key whatever its length; only the retries are bounded.
    std::vector<DWORD> candidates = m_index.SearchPrefix(key->Text());
    while (candidates.empty()) {
        key->DropLastCharacter();
        if (key->Length() <= minimumDigits)
            return 0;
        if (timeBudgetMs != 0 && GetTickCount() - started > timeBudgetMs)
            return 0;
        candidates = m_index.SearchPrefix(key->Text());
    }

    // Demoted contacts go after the others; both groups keep the index's order.
    if (candidates.size() > 1) {
        std::vector<DWORD> ordered;
        std::vector<DWORD> demoted;
        for (const DWORD contact : candidates)
            (m_candidates.IsDemoted(contact) ? demoted : ordered).push_back(contact);
        ordered.insert(ordered.end(), demoted.begin(), demoted.end());
        candidates = std::move(ordered);
    }

    for (const DWORD contact : candidates) {
        for (const std::u16string& stored : m_candidates.PhoneNumbers(contact)) {
            if (auto tail = MatchField(digits, stored)) {
                contacts.push_back(contact);
                tails.push_back(std::move(*tail));
                break;
            }
        }
    }
    return static_cast<int>(contacts.size());
}

std::optional<std::u16string> NumberLookup::MatchField(const PhoneDigits& digits, std::u16string_view field)
{
    // A field may hold several numbers ("495 123-45-67, 8 916 765-43-21"); the index finds it under
    // each of them, so each is checked: the whole field first, then every earlier number, as the index
    // builder enters them.
    if (auto tail = NumbersMatch(digits, field))
        return tail;
    for (std::u16string_view rest = PreviousNumber(field); rest.size() > 5; rest = PreviousNumber(rest)) {
        if (auto tail = NumbersMatch(digits, rest))
            return tail;
    }
    return std::nullopt;
}

}
