#include "platform/emu/Registry.h"

#include "platform/emu/RegistryData.h"
#include "platform/emu/Text.h"
#include "platform/emu/Transcript.h"
#include "platform/emu/WindowManager.h"

#include <algorithm>
#include <system_error>

namespace emu {

namespace {

struct RootName {
    HKEY handle;
    const char16_t* name;
    const char16_t* shortName;
};

const std::array<RootName, 2> rootNames { {
    { HKEY_CURRENT_USER, u"HKEY_CURRENT_USER", u"HKCU" },
    { HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE", u"HKLM" },
} };

std::array<std::shared_ptr<RegistryKey>, 2> emptyRoots()
{
    return { std::make_shared<RegistryKey>(rootNames[0].name, nullptr), std::make_shared<RegistryKey>(rootNames[1].name, nullptr) };
}

// The non-empty steps of a path.
std::vector<std::u16string_view> stepsOf(std::u16string_view path)
{
    std::vector<std::u16string_view> steps;
    while (!path.empty()) {
        const auto separator = path.find(u'\\');
        if (separator != 0)
            steps.push_back(path.substr(0, separator));
        if (separator == std::u16string_view::npos)
            break;
        path.remove_prefix(separator + 1);
    }
    return steps;
}

}

Registry::Registry(std::filesystem::path file, WindowManager& windows, Transcript& transcript)
    : m_file(std::move(file))
    , m_windows(windows)
    , m_transcript(transcript)
    , m_roots(emptyRoots())
{
    load();
}

Registry::~Registry()
{
    if (const std::string error = flush(); !error.empty())
        m_transcript.event("registry not saved: " + error);
}

void Registry::load()
{
    const std::string problem = m_file.load(m_roots);
    if (problem.empty())
        return;
    // What was read up to the damage is dropped with the rest; the file is kept for a person to mend.
    m_roots = emptyRoots();
    const std::filesystem::path damaged = m_file.path().string() + ".damaged";
    std::error_code error;
    std::filesystem::rename(m_file.path(), damaged, error);
    m_transcript.event("registry damaged: " + problem + "; the device starts with an empty registry"
        + (error ? " (the damaged file could not be put aside: " + error.message() + ")" : "; the damaged file is kept as " + damaged.string()));
}

std::shared_ptr<RegistryKey> Registry::keyOf(HKEY handle) const
{
    for (std::size_t i = 0; i < rootNames.size(); ++i) {
        if (handle == rootNames[i].handle)
            return m_roots[i];
    }
    const auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == m_handles.end() ? nullptr : it->second;
}

HKEY Registry::openHandle(std::shared_ptr<RegistryKey> key)
{
    const std::uintptr_t value = m_nextHandle;
    m_nextHandle += 4;
    m_handles.emplace(value, std::move(key));
    return reinterpret_cast<HKEY>(value);
}

bool Registry::closeHandle(HKEY handle)
{
    return m_handles.erase(reinterpret_cast<std::uintptr_t>(handle)) > 0;
}

std::shared_ptr<RegistryKey> Registry::find(const std::shared_ptr<RegistryKey>& from, std::u16string_view path) const
{
    std::shared_ptr<RegistryKey> key = from;
    for (const auto step : stepsOf(path)) {
        key = key->findSubkey(step);
        if (!key)
            return nullptr;
    }
    return key;
}

std::shared_ptr<RegistryKey> Registry::create(const std::shared_ptr<RegistryKey>& from, std::u16string_view path, bool& created)
{
    const auto steps = stepsOf(path);
    if (std::any_of(steps.begin(), steps.end(), [](auto step) { return step.size() > RegistryKey::longestName; }))
        return nullptr;
    created = false;
    std::shared_ptr<RegistryKey> key = from;
    for (const auto step : steps) {
        auto next = key->findSubkey(step);
        created = !next;
        key = next ? std::move(next) : key->addSubkey(step);
    }
    m_changed = m_changed || created;
    return key;
}

std::shared_ptr<RegistryKey> Registry::rootOf(std::u16string_view fullPath, std::u16string_view& rest) const
{
    const auto separator = fullPath.find(u'\\');
    const std::u16string_view rootName = fullPath.substr(0, separator);
    rest = separator == std::u16string_view::npos ? std::u16string_view() : fullPath.substr(separator + 1);
    for (std::size_t i = 0; i < rootNames.size(); ++i) {
        if (equalsIgnoringCase(rootName, rootNames[i].name) || equalsIgnoringCase(rootName, rootNames[i].shortName))
            return m_roots[i];
    }
    return nullptr;
}

void Registry::setValue(RegistryKey& key, std::u16string_view name, DWORD type, std::vector<BYTE> data)
{
    if (!key.setValue(name, type, std::move(data)))
        return;
    m_changed = true;
    notify(key, name, key.findValue(name));
}

bool Registry::deleteValue(RegistryKey& key, std::u16string_view name)
{
    if (!key.removeValue(name))
        return false;
    m_changed = true;
    notify(key, name, nullptr);
    return true;
}

Registry::KeyDeletion Registry::deleteKey(const std::shared_ptr<RegistryKey>& from, std::u16string_view path)
{
    const auto steps = stepsOf(path);
    if (steps.empty())
        return KeyDeletion::Missing;
    std::shared_ptr<RegistryKey> parent = from;
    for (std::size_t i = 0; parent && i + 1 < steps.size(); ++i)
        parent = parent->findSubkey(steps[i]);
    const auto key = parent ? parent->findSubkey(steps.back()) : nullptr;
    if (!key)
        return KeyDeletion::Missing;
    if (!key->subkeys().empty())
        return KeyDeletion::HasSubkeys;
    // The values go first, each telling its windows, while the key still has its path.
    while (!key->values().empty()) {
        const std::u16string name = key->values().front().name;
        deleteValue(*key, name);
    }
    parent->removeSubkey(steps.back());
    m_changed = true;
    return KeyDeletion::Deleted;
}

Registry::KeyDeletion Registry::deleteTree(const std::shared_ptr<RegistryKey>& from, std::u16string_view path)
{
    const auto key = stepsOf(path).empty() ? nullptr : find(from, path);
    if (!key)
        return KeyDeletion::Missing;
    while (!key->subkeys().empty()) {
        const std::u16string name = key->subkeys().front()->name();
        deleteTree(key, name);
    }
    return deleteKey(from, path);
}

std::string Registry::flush()
{
    if (!m_changed)
        return {};
    std::string error = m_file.save(m_roots);
    if (error.empty())
        m_changed = false;
    return error;
}

HREGNOTIFY Registry::addNotification(const RegistryKey& root, std::u16string_view path, std::u16string_view valueName, HWND window,
                                     UINT message, DWORD userData)
{
    std::u16string keyPath = root.path();
    for (const auto step : stepsOf(path))
        keyPath.append(u"\\").append(step);
    const std::uintptr_t value = m_nextNotification++;
    m_notifications.emplace(value, Notification { foldCase(keyPath), foldCase(valueName), window, message, userData });
    return reinterpret_cast<HREGNOTIFY>(value);
}

bool Registry::removeNotification(HREGNOTIFY notification)
{
    return m_notifications.erase(reinterpret_cast<std::uintptr_t>(notification)) > 0;
}

void Registry::notify(const RegistryKey& key, std::u16string_view valueName, const RegistryValue* newValue)
{
    if (m_notifications.empty())
        return;
    const std::u16string keyPath = foldCase(key.path());
    const std::u16string name = foldCase(valueName);
    const DWORD number = newValue && newValue->type == REG_DWORD ? dwordOf(newValue->data).value_or(0) : 0;
    for (const auto& [handle, notification] : m_notifications) {
        if (notification.foldedKeyPath == keyPath && notification.foldedValueName == name)
            m_windows.post(notification.window, notification.message, notification.userData, static_cast<LPARAM>(number));
    }
}

}
