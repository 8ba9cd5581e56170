// The device registry: the two roots and the keys under them, the handles programs hold on keys, the
// windows waiting for a value to change, and its file in the device folder. The file is read when the
// device is made and written at RegFlushKey and when the device goes away. A damaged file is put
// aside, said so in the transcript, and the device starts with an empty registry.
#pragma once

#include "platform/api/RegExt.h"
#include "platform/emu/RegistryFile.h"
#include "platform/emu/RegistryKey.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

class Transcript;
class WindowManager;

class Registry {
public:
    Registry(std::filesystem::path file, WindowManager&, Transcript&);
    // Writes what changed since the last write.
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    const std::filesystem::path& file() const { return m_file.path(); }

    // ---- Handles
    // The key a handle names: a root's predefined handle or an open key; null for anything else.
    std::shared_ptr<RegistryKey> keyOf(HKEY) const;
    HKEY openHandle(std::shared_ptr<RegistryKey>);
    bool closeHandle(HKEY);

    // ---- Paths: names separated by backslashes; empty steps are passed over.
    // The key at `path` below `from`, or null.
    std::shared_ptr<RegistryKey> find(const std::shared_ptr<RegistryKey>& from, std::u16string_view path) const;
    // The key at `path` below `from`, made with the keys missing on the way; `created` tells whether
    // the last one was made. Null when a name is longer than a key name can be.
    std::shared_ptr<RegistryKey> create(const std::shared_ptr<RegistryKey>& from, std::u16string_view path, bool& created);
    // The root a full path starts with ("HKCU", "HKEY_CURRENT_USER", "HKLM", "HKEY_LOCAL_MACHINE"),
    // with `rest` set to what follows it; null for another root.
    std::shared_ptr<RegistryKey> rootOf(std::u16string_view fullPath, std::u16string_view& rest) const;

    // ---- Changes, each telling the windows that wait for the values it changes
    void setValue(RegistryKey&, std::u16string_view name, DWORD type, std::vector<BYTE> data);
    bool deleteValue(RegistryKey&, std::u16string_view name);
    enum class KeyDeletion { Deleted, Missing, HasSubkeys };
    // Deletes the key at `path` below `from` with its values.
    KeyDeletion deleteKey(const std::shared_ptr<RegistryKey>& from, std::u16string_view path);
    // The same with every key under it, the deepest first; never HasSubkeys.
    KeyDeletion deleteTree(const std::shared_ptr<RegistryKey>& from, std::u16string_view path);

    // Writes the registry when it changed since the last write; returns what went wrong.
    std::string flush();

    // ---- Change notifications by window message
    HREGNOTIFY addNotification(const RegistryKey& root, std::u16string_view path, std::u16string_view valueName, HWND window,
                               UINT message, DWORD userData);
    bool removeNotification(HREGNOTIFY);

private:
    struct Notification {
        std::u16string foldedKeyPath;
        std::u16string foldedValueName;
        HWND window;
        UINT message;
        DWORD userData;
    };

    void load();
    void notify(const RegistryKey&, std::u16string_view valueName, const RegistryValue* newValue);

    RegistryFile m_file;
    WindowManager& m_windows;
    Transcript& m_transcript;
    std::array<std::shared_ptr<RegistryKey>, 2> m_roots;
    std::map<std::uintptr_t, std::shared_ptr<RegistryKey>> m_handles;
    std::uintptr_t m_nextHandle { 0x1000 };
    std::map<std::uintptr_t, Notification> m_notifications;
    std::uintptr_t m_nextNotification { 1 };
    bool m_changed { false };
};

}
