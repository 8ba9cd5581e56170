#include "platform/emu/LibraryTable.h"

#include "platform/emu/Text.h"

#include <algorithm>

namespace emu {

namespace {
constexpr std::uintptr_t firstModuleHandle = 0x7F000000;
constexpr std::uintptr_t moduleHandleStep = 0x10000;

std::string libraryKey(const std::u16string& name)
{
    std::string key = toUtf8(foldCase(name));
    if (key.find('.') == std::string::npos)
        key += ".dll";
    const auto slash = key.find_last_of('\\');
    return slash == std::string::npos ? key : key.substr(slash + 1);
}
}

LibraryTable::LibraryTable(const std::set<std::string>& missingEntries)
{
    for (const auto& entry : missingEntries)
        m_missing.insert(toUtf8(foldCase(fromUtf8(entry))));
}

bool LibraryTable::isMissing(const std::string& entry) const
{
    return m_missing.contains(toUtf8(foldCase(fromUtf8(entry))));
}

void LibraryTable::defineExport(const std::u16string& library, const std::string& name, WORD ordinal, FARPROC function)
{
    const std::string key = libraryKey(library);
    auto it = std::find_if(m_libraries.begin(), m_libraries.end(), [&](const Library& l) { return l.name == key; });
    if (it == m_libraries.end()) {
        m_libraries.push_back(Library { key, {}, 0 });
        it = std::prev(m_libraries.end());
    }
    it->exports.push_back(Export { name, ordinal, function });
}

HMODULE LibraryTable::load(const std::u16string& library, DWORD& error)
{
    const std::string key = libraryKey(library);
    const auto it = std::find_if(m_libraries.begin(), m_libraries.end(), [&](const Library& l) { return l.name == key; });
    if (it == m_libraries.end() || isMissing(key)) {
        error = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    ++it->loads;
    const auto index = static_cast<std::uintptr_t>(it - m_libraries.begin());
    return reinterpret_cast<HMODULE>(firstModuleHandle + index * moduleHandleStep);
}

LibraryTable::Library* LibraryTable::find(HMODULE module)
{
    return const_cast<Library*>(static_cast<const LibraryTable*>(this)->find(module));
}

const LibraryTable::Library* LibraryTable::find(HMODULE module) const
{
    const auto value = reinterpret_cast<std::uintptr_t>(module);
    if (value < firstModuleHandle || (value - firstModuleHandle) % moduleHandleStep != 0)
        return nullptr;
    const std::size_t index = (value - firstModuleHandle) / moduleHandleStep;
    if (index >= m_libraries.size() || m_libraries[index].loads == 0)
        return nullptr;
    return &m_libraries[index];
}

bool LibraryTable::release(HMODULE module)
{
    Library* library = find(module);
    if (!library)
        return false;
    --library->loads;
    return true;
}

FARPROC LibraryTable::lookup(HMODULE module, LPCWSTR nameOrOrdinal, DWORD& error) const
{
    const Library* library = find(module);
    if (!library || !nameOrOrdinal) {
        error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    const auto ordinalValue = reinterpret_cast<std::uintptr_t>(nameOrOrdinal);
    const bool byOrdinal = (ordinalValue >> 16) == 0;
    const std::string name = byOrdinal ? std::string() : toUtf8(nameOrOrdinal);
    for (const Export& entry : library->exports) {
        const bool matches = byOrdinal ? entry.ordinal == ordinalValue : entry.name == name;
        if (!matches)
            continue;
        // A left-out export is gone whichever way it is asked for, by its name or by its ordinal.
        if (isMissing(library->name + "!" + entry.name) || isMissing(library->name + "#" + std::to_string(entry.ordinal)))
            break;
        return entry.function;
    }
    error = ERROR_PROC_NOT_FOUND;
    return nullptr;
}

}
