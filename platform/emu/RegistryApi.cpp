// The registry functions of the device interface, carried out on the calling emulated thread on the
// device's registry.
#include "platform/api/RegExt.h"

#include "platform/emu/Device.h"
#include "platform/emu/Registry.h"
#include "platform/emu/WindowManager.h"

#include <algorithm>

using namespace emu;

namespace {

Registry& registry()
{
    return currentDevice().registry();
}

std::u16string_view textOf(LPCWSTR text)
{
    return text ? std::u16string_view(text) : std::u16string_view();
}

// The key a handle names, or the error a function gives for the handle.
struct KeyLookup {
    std::shared_ptr<RegistryKey> key;
    LONG error;
};

KeyLookup lookUp(HKEY handle)
{
    auto key = registry().keyOf(handle);
    if (!key)
        return { nullptr, static_cast<LONG>(ERROR_INVALID_HANDLE) };
    if (key->isDeleted())
        return { nullptr, static_cast<LONG>(ERROR_KEY_DELETED) };
    return { std::move(key), static_cast<LONG>(ERROR_SUCCESS) };
}

// Hands out a name with its NUL through a buffer of `*length` characters; the length that comes back
// leaves the NUL out.
LONG copyName(std::u16string_view name, LPWSTR buffer, DWORD* length)
{
    if (!buffer || !length)
        return ERROR_INVALID_PARAMETER;
    if (*length <= name.size())
        return ERROR_MORE_DATA;
    std::copy(name.begin(), name.end(), buffer);
    buffer[name.size()] = 0;
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// Hands out a value's type and bytes as RegQueryValueEx and RegEnumValue do.
LONG copyValue(const RegistryValue& value, DWORD* type, BYTE* data, DWORD* dataSize)
{
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    if (type)
        *type = value.type;
    if (!dataSize)
        return ERROR_SUCCESS;
    const auto size = static_cast<DWORD>(value.data.size());
    const bool fits = !data || *dataSize >= size;
    if (data && fits)
        std::copy(value.data.begin(), value.data.end(), data);
    *dataSize = size;
    return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

}

// ---- Keys

LONG RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD, REGSAM, HKEY* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const auto [base, error] = lookUp(key);
    if (!base)
        return error;
    auto found = registry().find(base, textOf(subKey));
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    *result = registry().openHandle(std::move(found));
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, SECURITY_ATTRIBUTES*, HKEY* result, DWORD* disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const auto [base, error] = lookUp(key);
    if (!base)
        return error;
    bool created = false;
    auto made = registry().create(base, textOf(subKey), created);
    if (!made)
        return ERROR_INVALID_PARAMETER;
    *result = registry().openHandle(std::move(made));
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    return registry().closeHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegDeleteKey(HKEY key, LPCWSTR subKey)
{
    const auto [base, error] = lookUp(key);
    if (!base)
        return error;
    switch (registry().deleteKey(base, textOf(subKey))) {
    case Registry::KeyDeletion::Deleted:
        return ERROR_SUCCESS;
    case Registry::KeyDeletion::HasSubkeys:
        return ERROR_ACCESS_DENIED;
    case Registry::KeyDeletion::Missing:
        break;
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG RegFlushKey(HKEY key)
{
    const auto [base, error] = lookUp(key);
    if (!base)
        return error;
    if (const std::string failure = registry().flush(); !failure.empty()) {
        currentDevice().transcript().event("registry not saved: " + failure);
        return ERROR_WRITE_FAULT;
    }
    return ERROR_SUCCESS;
}

// ---- Values

LONG RegQueryValueEx(HKEY key, LPCWSTR valueName, DWORD*, DWORD* type, BYTE* data, DWORD* dataSize)
{
    const auto [base, error] = lookUp(key);
    if (!base)
        return error;
    const RegistryValue* value = base->findValue(textOf(valueName));
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    return copyValue(*value, type, data, dataSize);
}

LONG RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize)
{
    const auto [base, error] = lookUp(key);
    if (!base)
        return error;
    if (!data && dataSize > 0)
        return ERROR_INVALID_PARAMETER;
    registry().setValue(*base, textOf(valueName), type, data ? std::vector<BYTE>(data, data + dataSize) : std::vector<BYTE>());
    return ERROR_SUCCESS;
}

LONG RegDeleteValue(HKEY key, LPCWSTR valueName)
{
    const auto [base, error] = lookUp(key);
    if (!base)
        return error;
    return registry().deleteValue(*base, textOf(valueName)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

// ---- Enumeration

LONG RegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD*, LPWSTR keyClass, DWORD* classLength,
                  FILETIME* lastWriteTime)
{
    const auto [base, error] = lookUp(key);
    if (!base)
        return error;
    if (index >= base->subkeys().size())
        return ERROR_NO_MORE_ITEMS;
    if (const LONG copied = copyName(base->subkeys()[index]->name(), name, nameLength); copied != ERROR_SUCCESS)
        return copied;
    if (keyClass && classLength && *classLength > 0)
        keyClass[0] = 0;
    if (classLength)
        *classLength = 0;
    if (lastWriteTime)
        *lastWriteTime = FILETIME {};
    return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, LPWSTR valueName, DWORD* valueNameLength, DWORD*, DWORD* type, BYTE* data,
                  DWORD* dataSize)
{
    const auto [base, error] = lookUp(key);
    if (!base)
        return error;
    if (index >= base->values().size())
        return ERROR_NO_MORE_ITEMS;
    const RegistryValue& value = base->values()[index];
    if (const LONG copied = copyName(value.name, valueName, valueNameLength); copied != ERROR_SUCCESS)
        return copied;
    return copyValue(value, type, data, dataSize);
}

// ---- Change notifications

HRESULT RegistryNotifyWindow(HKEY root, LPCWSTR subKey, LPCWSTR valueName, HWND window, UINT message, DWORD userData,
                             NOTIFICATIONCONDITION* condition, HREGNOTIFY* notify)
{
    if (!notify || !valueName || condition || !currentDevice().windows().find(window))
        return E_INVALIDARG;
    const auto base = lookUp(root).key;
    if (!base)
        return E_INVALIDARG;
    *notify = registry().addNotification(*base, textOf(subKey), valueName, window, message, userData);
    return S_OK;
}

HRESULT RegistryCloseNotification(HREGNOTIFY notify)
{
    return registry().removeNotification(notify) ? S_OK : E_INVALIDARG;
}
