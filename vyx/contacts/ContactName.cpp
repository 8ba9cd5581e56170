#include "vyx/contacts/ContactName.h"

namespace vyx {

std::u16string ContactName::Composed(const CallerInfo& record)
{
    const std::u16string& last = record.texts[CallerInfo::LastName];
    const std::u16string& first = record.texts[CallerInfo::FirstName];
    const std::u16string& middle = record.texts[CallerInfo::MiddleName];
    std::u16string name;
    if (!last.empty()) {
        name = last;
        if (!first.empty())
            name += u", " + first;
        if (!middle.empty())
            name += u" " + middle;
    } else if (!first.empty()) {
        name = first;
        if (!middle.empty())
            name += u" " + middle;
    } else {
        name = middle;
    }
    if (name.empty())
        name = record.texts[CallerInfo::Title];
    if (name.empty())
        name = record.texts[CallerInfo::Suffix];
    return name;
}

std::u16string ContactName::ForCallerScreen(const CallerInfo& record, DWORD sortType)
{
    if (sortType == 1 && !record.texts[CallerInfo::FileAs].empty())
        return record.texts[CallerInfo::FileAs];
    return Composed(record);
}

std::u16string ContactName::ForNameLookup(const CallerInfo& record, DWORD sortType)
{
    if (sortType == 1) {
        const std::u16string& stored = record.texts[CallerInfo::FileAs];
        return stored.empty() ? record.texts[CallerInfo::Company] : stored;
    }
    return Composed(record);
}

}
