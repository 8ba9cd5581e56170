// The resource functions of the device interface, carried out on the calling emulated thread on the
// resources the program was installed with. A resource handle is the resource's place in its module's
// table, counted from 1; a loaded resource is the address of its bytes.
#include "platform/api/WinResources.h"

#include "platform/api/ModuleResources.h"
#include "platform/emu/Device.h"
#include "platform/emu/EmuThread.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <variant>

using namespace emu;
using platform::DataResource;
using platform::ModuleResources;

namespace {

// A resource's name or type as the platform compares them: a number, or a text folded to one case.
using ResourceKey = std::variant<UINT, std::u16string>;

ResourceKey keyOfText(std::u16string_view text)
{
    if (text.size() > 1 && text.front() == u'#') {
        const std::string digits = toUtf8(text.substr(1));
        UINT number = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error == std::errc() && end == digits.data() + digits.size() && number <= 0xFFFF)
            return number;
    }
    return foldCase(text);
}

ResourceKey keyOfArgument(LPCWSTR nameOrNumber)
{
    if (IS_INTRESOURCE(nameOrNumber))
        return static_cast<UINT>(reinterpret_cast<std::uintptr_t>(nameOrNumber));
    return keyOfText(nameOrNumber);
}

ResourceKey nameOf(const DataResource& resource)
{
    return resource.id != 0 ? ResourceKey(resource.id) : keyOfText(resource.name);
}

// The process whose module `module` is; the calling process for null. Null, with the error set, for a
// handle that is no process's module.
const Process* processOfModule(HMODULE module)
{
    if (!module)
        return &currentThread()->process();
    for (const auto& process : currentDevice().processes()) {
        if (process->instance() == module)
            return process.get();
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

// The module's resources; null, with the error set, when the module is unknown or has none.
const ModuleResources* resourcesOf(HMODULE module)
{
    const Process* process = processOfModule(module);
    if (!process)
        return nullptr;
    if (!process->resources())
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return process->resources();
}

// The data resource a handle stands for; null, with the error set, for a handle the module did not give.
const DataResource* dataResourceOf(HMODULE module, HRSRC handle)
{
    const ModuleResources* resources = resourcesOf(module);
    if (!resources)
        return nullptr;
    const auto place = reinterpret_cast<std::uintptr_t>(handle);
    if (place == 0 || place > resources->data.size()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &resources->data[place - 1];
}

}

int LoadString(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax)
{
    if (!buffer || bufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    buffer[0] = 0;
    const ModuleResources* resources = resourcesOf(instance);
    if (!resources)
        return 0;
    const auto found = std::find_if(resources->strings.begin(), resources->strings.end(),
                                    [id](const platform::StringResource& string) { return string.id == id; });
    if (found == resources->strings.end()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    const std::size_t copied = std::min(found->text.size(), static_cast<std::size_t>(bufferMax - 1));
    std::copy_n(found->text.begin(), copied, buffer);
    buffer[copied] = 0;
    return static_cast<int>(copied);
}

HRSRC FindResource(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    const ModuleResources* resources = resourcesOf(module);
    if (!resources)
        return nullptr;
    const ResourceKey wantedName = keyOfArgument(name);
    const ResourceKey wantedType = keyOfArgument(type);
    bool typeFound = false;
    for (std::size_t i = 0; i < resources->data.size(); ++i) {
        const DataResource& resource = resources->data[i];
        if (keyOfText(resource.type) != wantedType)
            continue;
        typeFound = true;
        if (nameOf(resource) == wantedName)
            return reinterpret_cast<HRSRC>(i + 1);
    }
    SetLastError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE module, HRSRC handle)
{
    const DataResource* resource = dataResourceOf(module, handle);
    if (!resource)
        return nullptr;
    // The bytes are the module's and read-only; the handle only carries their address.
    return const_cast<std::byte*>(resource->bytes.data());
}

DWORD SizeofResource(HMODULE module, HRSRC handle)
{
    const DataResource* resource = dataResourceOf(module, handle);
    return resource ? static_cast<DWORD>(resource->bytes.size()) : 0;
}

LPVOID LockResource(HGLOBAL data)
{
    return data;
}

BOOL FreeResource(HGLOBAL)
{
    return FALSE;
}
