// Pocket Word documents put together byte by byte for tests: the header, records with their word
// counts, and text records with their character count at offset 8 and their codes from offset 30.
#pragma once

#include <algorithm>

#include "platform/api/WinTypes.h"

#include <initializer_list>
#include <string_view>
#include <vector>

namespace testing_support {

using Bytes = std::vector<BYTE>;

// "{\pwi", then bytes 5 to 13 with one below 0x0A among them.
inline Bytes pocketWordHeader()
{
    return { '{', '\\', 'p', 'w', 'i', 0x20, 0x20, 0x20, 0x20, 0x02, 0x20, 0x20, 0x20, 0x20 };
}

inline Bytes ascii(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

// A record whose payload is padded with zeros to whole words, which bytes 4 and 5 count.
inline Bytes pocketWordRecord(BYTE type, Bytes payload)
{
    while (payload.size() % 4 != 0)
        payload.push_back(0);
    const std::size_t words = payload.size() / 4;
    Bytes record(6 + payload.size(), 0);
    record[0] = type;
    record[4] = static_cast<BYTE>(words & 0xFF);
    record[5] = static_cast<BYTE>(words >> 8);
    std::copy(payload.begin(), payload.end(), record.begin() + 6);
    return record;
}

inline Bytes textRecord(const Bytes& codes, WORD count)
{
    Bytes payload(24, 0);
    payload[2] = static_cast<BYTE>(count & 0xFF);
    payload[3] = static_cast<BYTE>(count >> 8);
    payload.insert(payload.end(), codes.begin(), codes.end());
    return pocketWordRecord('A', payload);
}

inline Bytes textRecord(std::string_view text)
{
    return textRecord(ascii(text), static_cast<WORD>(text.size()));
}

inline Bytes pocketWordDocument(std::initializer_list<Bytes> records)
{
    Bytes document = pocketWordHeader();
    for (const Bytes& record : records)
        document.insert(document.end(), record.begin(), record.end());
    return document;
}

}
