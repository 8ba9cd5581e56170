#include "vyx/call/NameLookupMapping.h"

#include "common/SettingsStore.h"
#include "platform/api/WinBase.h"
#include "vyx/call/MainWndMessages.h"
#include "vyx/contacts/ContactBook.h"
#include "vyx/contacts/ContactName.h"

#include <algorithm>
#include <vector>

namespace vyx {

namespace {

constexpr std::size_t minimumDigits = 6;

// The shared block, mapped while the object lives.
class SharedBlock {
public:
    SharedBlock()
        : m_mapping(CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, NameLookupMapping::mappingSize,
                                      NameLookupMapping::mappingName))
    {
        if (m_mapping)
            m_view = static_cast<WCHAR*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, NameLookupMapping::mappingSize));
    }
    ~SharedBlock()
    {
        if (m_view)
            UnmapViewOfFile(m_view);
        if (m_mapping)
            CloseHandle(m_mapping);
    }
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    bool IsMapped() const { return m_view != nullptr; }
    // The text of a half of the block, up to its NUL or the half's end: another program wrote it.
    std::u16string Text(DWORD byteOffset) const
    {
        const WCHAR* start = m_view + byteOffset / sizeof(WCHAR);
        const WCHAR* end = std::find(start, start + NameLookupMapping::textCapacity, u'\0');
        return std::u16string(start, end);
    }
    // Writes the text with its NUL, cut to fit the half.
    void Write(DWORD byteOffset, std::u16string_view text)
    {
        WCHAR* start = m_view + byteOffset / sizeof(WCHAR);
        const std::size_t length = std::min(text.size(), NameLookupMapping::textCapacity - 1);
        std::copy_n(text.begin(), length, start);
        start[length] = u'\0';
    }

private:
    HANDLE m_mapping;
    WCHAR* m_view { nullptr };
};

}

void NameLookupMapping::Answer(ContactBook& book)
{
    SharedBlock block;
    if (!block.IsMapped())
        return;
    block.Write(nameOffset, u"");
    std::vector<DWORD> contacts;
    std::vector<std::u16string> tails;
    if (book.FindContactsByNumber(block.Text(0), minimumDigits, 0, contacts, tails) == 0)
        return;
    CallerInfo record;
    if (!book.LoadContact(contacts.front(), record))
        return;
    const DWORD sortType = SettingsStore::GetDword(u"Settings", u"SortType", 0);
    block.Write(nameOffset, ContactName::ForNameLookup(record, sortType));
}

std::optional<std::u16string> NameLookupMapping::Ask(HWND window, std::u16string_view number)
{
    SharedBlock block;
    if (!block.IsMapped())
        return std::nullopt;
    block.Write(0, number);
    SendMessage(window, messages::nameLookup, 0, 0);
    return block.Text(nameOffset);
}

}
