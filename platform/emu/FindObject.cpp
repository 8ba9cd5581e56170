#include "platform/emu/FindObject.h"

#include "platform/emu/Text.h"

namespace emu {

FindObject::FindObject(std::u16string pattern, std::vector<WIN32_FIND_DATA> entries)
    : m_pattern(std::move(pattern))
    , m_entries(std::move(entries))
{
}

std::string FindObject::describe() const
{
    return "file search " + quotedText(m_pattern);
}

const WIN32_FIND_DATA* FindObject::next()
{
    if (m_next == m_entries.size())
        return nullptr;
    return &m_entries[m_next++];
}

}
