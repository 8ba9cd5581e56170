// File utilities over the device's file functions.
#include "common/FileUtil.h"

#include "common/Str.h"
#include "platform/api/FileApi.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

bool DeleteFolder(LPCWSTR folder)
{
    const Str prefix = Str(folder) + u"\\";
    // The entries are gathered first, so that the search never runs over a folder that is changing.
    std::vector<std::pair<Str, bool>> entries;
    WIN32_FIND_DATA found {};
    const HANDLE search = FindFirstFile(prefix + u"*", &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const Str name = found.cFileName;
            if (name != u"." && name != u"..")
                entries.emplace_back(prefix + name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        } while (FindNextFile(search, &found));
        FindClose(search);
    }
    for (const auto& [path, isFolder] : entries) {
        if (isFolder)
            DeleteFolder(path);
        else
            DeleteFile(path);
    }
    return RemoveDirectory(folder) != FALSE;
}

bool IsAllZero(const void* block, std::size_t size)
{
    const auto* const bytes = static_cast<const unsigned char*>(block);
    return std::all_of(bytes, bytes + size, [](unsigned char byte) { return byte == 0; });
}

std::ptrdiff_t FindBytes(const void* block, std::size_t size, const void* pattern, std::size_t patternSize)
{
    const auto* const bytes = static_cast<const unsigned char*>(block);
    const auto* const wanted = static_cast<const unsigned char*>(pattern);
    const auto* const end = bytes + size;
    const auto* const found = std::search(bytes, end, std::boyer_moore_horspool_searcher(wanted, wanted + patternSize));
    return found == end && patternSize > 0 ? -1 : found - bytes;
}
