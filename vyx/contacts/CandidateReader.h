// CandidateReader: what the number lookup reads of a candidate contact to verify it: its demotion flag
// and its phone numbers.
#pragma once

#include "platform/api/WinTypes.h"

#include <string>
#include <vector>

namespace vyx {

class CandidateReader {
public:
    virtual ~CandidateReader() = default;

    // Whether the contact's demotion property (0x0102) is present and not 0.
    virtual bool IsDemoted(DWORD contact) = 0;
    // The contact's phone numbers in the order they are verified: the phone properties 0x97, 0x98,
    // 0x9B, 0x99, 0x9A, 0x9C, 0x9D, 0x9E, 0x9F, 0x96, 0xA1, 0xA0, 0x10A3 that are present, then the
    // phone numbers among its extra properties.
    virtual std::vector<std::u16string> PhoneNumbers(DWORD contact) = 0;
};

}
