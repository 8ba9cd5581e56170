// A search begun by FindFirstFile: the entries that matched its pattern, taken when it began, and how
// far FindNextFile has got through them.
#pragma once

#include "platform/api/FileApi.h"
#include "platform/emu/KernelObject.h"

#include <cstddef>
#include <string>
#include <vector>

namespace emu {

class FindObject final : public KernelObject {
public:
    FindObject(std::u16string pattern, std::vector<WIN32_FIND_DATA> entries);

    std::string describe() const override;
    // The next entry, or null once every entry has been handed out.
    const WIN32_FIND_DATA* next();

private:
    std::u16string m_pattern;
    std::vector<WIN32_FIND_DATA> m_entries;
    std::size_t m_next { 0 };
};

}
