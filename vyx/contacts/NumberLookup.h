// NumberLookup: finds the contacts a caller's number belongs to. One prefix search of the index for
// the number's key, shortened digit by digit while nothing is found, then each candidate's numbers are
// verified. The contact manager runs it over its index and database.
#pragma once

#include "platform/api/WinTypes.h"
#include "vyx/contacts/CandidateReader.h"
#include "vyx/contacts/ContactKeySearch.h"
#include "vyx/contacts/PhoneDigits.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vyx {

class NumberLookup {
public:
    NumberLookup(ContactKeySearch& index, CandidateReader& candidates);

    // Fills `contacts` with the matching contacts, each at most once and demoted ones last, and
    // `tails` in step with the matched tails; returns their count. The key is shortened on retries no
    // further than to `minimumDigits` characters, the "~" included, and the retries stop once more than
    // `timeBudgetMs` milliseconds have passed (0: no limit).
    int FindContactsByNumber(std::u16string_view number, std::size_t minimumDigits, DWORD timeBudgetMs,
                             std::vector<DWORD>& contacts, std::vector<std::u16string>& tails);

private:
    // The tail by which a caller matches one of the numbers of a phone field, if any.
    static std::optional<std::u16string> MatchField(const PhoneDigits& digits, std::u16string_view field);

    ContactKeySearch& m_index;
    CandidateReader& m_candidates;
};

}
