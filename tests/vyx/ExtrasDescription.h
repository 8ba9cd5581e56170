// ContactExtras as readable lines, one per entry, so that tests compare and print them at a glance:
// "phone Dacha: +7 495 123-45-67", "address Home: a;b;;; #7", "date Birthday: 1975-04-12 00:00", "home 2".
#pragma once

#include "platform/api/WinBase.h"
#include "vyx/contacts/ContactExtras.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

inline std::string utf8(std::u16string_view text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (code < 0x80) {
            bytes += static_cast<char>(code);
        } else if (code < 0x800) {
            bytes += static_cast<char>(0xC0 | (code >> 6));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            bytes += static_cast<char>(0xE0 | (code >> 12));
            bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (code >> 18));
            bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return bytes;
}

inline std::string dateText(const FILETIME& time)
{
    SYSTEMTIME date {};
    FileTimeToSystemTime(&time, &date);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", date.wYear, date.wMonth, date.wDay, date.wHour, date.wMinute);
    return text;
}

inline std::vector<std::string> describe(const vyx::ContactExtras& extras)
{
    std::vector<std::string> lines;
    const auto pairs = [&](const char* kind, const std::vector<vyx::ContactExtras::Pair>& list) {
        for (const auto& pair : list)
            lines.push_back(std::string(kind) + " " + utf8(pair.label) + ": " + utf8(pair.value));
    };
    pairs("phone", extras.phones);
    pairs("email", extras.emails);
    pairs("webpage", extras.webPages);
    pairs("people", extras.people);
    pairs("link", extras.links);
    pairs("otherprop", extras.otherProperties);
    for (const auto& messenger : extras.messengers)
        lines.push_back("messenger " + utf8(messenger.label) + ": second " + utf8(messenger.secondText) + ", first " + utf8(messenger.firstText));
    for (const auto& address : extras.addresses) {
        std::string parts;
        for (std::size_t i = 0; i < address.parts.size(); ++i)
            parts += (i == 0 ? "" : ";") + utf8(address.parts[i]);
        lines.push_back("address " + utf8(address.name) + ": " + parts + " #" + std::to_string(address.number));
    }
    for (const auto& dated : extras.datedEntries)
        lines.push_back("date " + utf8(dated.label) + ": " + dateText(dated.time));
    const auto number = [&](const char* name, DWORD value) {
        if (value != 0)
            lines.push_back(std::string(name) + " " + std::to_string(value));
    };
    number("home", extras.homeNumber);
    number("business", extras.businessNumber);
    number("other", extras.otherNumber);
    number("stamp", extras.stamp);
    return lines;
}

}
