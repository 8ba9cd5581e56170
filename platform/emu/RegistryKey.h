// One key of the device registry: its name as created, its subkeys in the order of their names
// (without regard to case) and its values in the order they were created. A deleted key is cut off
// from its parent; handles still open on it only learn that it is gone.
#pragma once

#include "platform/api/WinTypes.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

struct RegistryValue {
    std::u16string name;
    DWORD type;
    std::vector<BYTE> data;
};

class RegistryKey {
public:
    // The longest name a key can have, in characters.
    static constexpr std::size_t longestName = 255;

    // A root key has no parent; its name is the root's ("HKEY_CURRENT_USER").
    RegistryKey(std::u16string name, RegistryKey* parent);
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    const std::u16string& name() const { return m_name; }
    bool isDeleted() const { return m_deleted; }
    // "HKEY_CURRENT_USER\\Software\\Korvane": the root's name and the names down to this key.
    std::u16string path() const;

    const std::vector<std::shared_ptr<RegistryKey>>& subkeys() const { return m_subkeys; }
    std::shared_ptr<RegistryKey> findSubkey(std::u16string_view name) const;
    // The subkey of that name, made when missing.
    std::shared_ptr<RegistryKey> addSubkey(std::u16string_view name);
    // Cuts the subkey off and marks it deleted; false when there is no such subkey.
    bool removeSubkey(std::u16string_view name);

    const std::vector<RegistryValue>& values() const { return m_values; }
    const RegistryValue* findValue(std::u16string_view name) const;
    // Creates or replaces the value; a replaced value keeps its place and the case of its name.
    // Returns whether anything changed: a new value, another type, or other bytes.
    bool setValue(std::u16string_view name, DWORD type, std::vector<BYTE> data);
    bool removeValue(std::u16string_view name);

private:
    std::u16string m_name;
    RegistryKey* m_parent;
    bool m_deleted { false };
    std::vector<std::shared_ptr<RegistryKey>> m_subkeys;
    std::vector<RegistryValue> m_values;
};

}
