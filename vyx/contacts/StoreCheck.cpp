#include "vyx/contacts/StoreCheck.h"

#include "common/SettingsStore.h"

#include <string>

namespace vyx {

namespace {

std::u16string decimal(DWORD value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}

StoreCheck::Verdict StoreCheck::OpenAndCheck(IndexStore& index, PropsStore& props, const PimDatabase& contacts, Compare compare)
{
    if (!props.Open())
        return { State::Missing, u"no valid property store \\pim_index2.dat (absent, cut short, busy or of another format)" };
    if (!index.Open()) {
        props.Close();
        return { State::Missing, u"no valid index \\pim_index1.dat (absent, cut short or of another format)" };
    }
    // Another program may have begun a change between the two opens.
    if (props.IsBusy()) {
        index.Close();
        props.Close();
        return { State::Missing, u"the property store is marked busy by a change that did not finish" };
    }
    const DWORD stored = props.RecordCount();
    // Files saved at different times (one save finished, the other cut off) do not belong together.
    if (const DWORD listed = index.ContactCount(); listed != stored) {
        index.Close();
        props.Close();
        return { State::Missing, u"the index lists " + decimal(listed) + u" contacts, the property store " + decimal(stored) };
    }
    const DWORD records = contacts.Information().value_or(0);
    if (stored != records)
        return { State::Stale, u"the stores hold " + decimal(stored) + u" contacts, the database " + decimal(records) };
    if (compare == Compare::VolumeTimeAndCount) {
        const FILETIME storedTime = props.VolumeTime();
        const FILETIME current = PropsStore::CurrentVolumeTime();
        if (storedTime.dwLowDateTime != current.dwLowDateTime || storedTime.dwHighDateTime != current.dwHighDateTime)
            return { State::Stale, u"\\pim.vol was written after the stores were brought up to date" };
    }
    return { State::Current, u"the stores match the contacts database" };
}

bool StoreCheck::UntrustedBySettings()
{
    return SettingsStore::GetDword(u"Settings", u"pim_index1.dat", 0) != 0
        || SettingsStore::GetDword(u"Settings", u"pim_index2.dat", 0) != 0;
}

}
