#include "platform/emu/RegistryKey.h"

#include "platform/emu/Text.h"

#include <algorithm>

namespace emu {

namespace {

// Names in folded case first, so that "alpha" and "Alpha" sit together; ties by the names as written.
bool namedBefore(std::u16string_view first, std::u16string_view second)
{
    const auto foldedFirst = foldCase(first);
    const auto foldedSecond = foldCase(second);
    return foldedFirst != foldedSecond ? foldedFirst < foldedSecond : first < second;
}

}

RegistryKey::RegistryKey(std::u16string name, RegistryKey* parent)
    : m_name(std::move(name))
    , m_parent(parent)
{
}

std::u16string RegistryKey::path() const
{
    return m_parent ? m_parent->path() + u"\\" + m_name : m_name;
}

std::shared_ptr<RegistryKey> RegistryKey::findSubkey(std::u16string_view name) const
{
    const auto it = std::find_if(m_subkeys.begin(), m_subkeys.end(), [&](const auto& key) { return equalsIgnoringCase(key->m_name, name); });
    return it == m_subkeys.end() ? nullptr : *it;
}

std::shared_ptr<RegistryKey> RegistryKey::addSubkey(std::u16string_view name)
{
    if (auto existing = findSubkey(name))
        return existing;
    const auto place = std::upper_bound(m_subkeys.begin(), m_subkeys.end(), name,
        [](std::u16string_view wanted, const auto& key) { return namedBefore(wanted, key->m_name); });
    return *m_subkeys.insert(place, std::make_shared<RegistryKey>(std::u16string(name), this));
}

bool RegistryKey::removeSubkey(std::u16string_view name)
{
    const auto it = std::find_if(m_subkeys.begin(), m_subkeys.end(), [&](const auto& key) { return equalsIgnoringCase(key->m_name, name); });
    if (it == m_subkeys.end())
        return false;
    (*it)->m_parent = nullptr;
    (*it)->m_deleted = true;
    m_subkeys.erase(it);
    return true;
}

const RegistryValue* RegistryKey::findValue(std::u16string_view name) const
{
    const auto it = std::find_if(m_values.begin(), m_values.end(), [&](const auto& value) { return equalsIgnoringCase(value.name, name); });
    return it == m_values.end() ? nullptr : &*it;
}

bool RegistryKey::setValue(std::u16string_view name, DWORD type, std::vector<BYTE> data)
{
    const auto it = std::find_if(m_values.begin(), m_values.end(), [&](const auto& value) { return equalsIgnoringCase(value.name, name); });
    if (it == m_values.end()) {
        m_values.push_back(RegistryValue { std::u16string(name), type, std::move(data) });
        return true;
    }
    if (it->type == type && it->data == data)
        return false;
    it->type = type;
    it->data = std::move(data);
    return true;
}

bool RegistryKey::removeValue(std::u16string_view name)
{
    const auto it = std::find_if(m_values.begin(), m_values.end(), [&](const auto& value) { return equalsIgnoringCase(value.name, name); });
    if (it == m_values.end())
        return false;
    m_values.erase(it);
    return true;
}

}
