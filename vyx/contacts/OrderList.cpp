// OrderList: binary insertion by the locale's comparison, removal in place, and arranging results.
#include "vyx/contacts/OrderList.h"

#include "platform/api/WinNls.h"
#include "vyx/contacts/CountedList.h"
#include "vyx/contacts/IndexLayout.h"

#include <algorithm>
#include <utility>

namespace vyx {

using namespace IndexLayout;

namespace {

// Above this share of the list, walking the whole list is as cheap as looking up positions.
constexpr DWORD walkShare = 16;

}

OrderList::OrderList(MappedStore& store, StoreHeap& heap, DWORD field, int order)
    : m_store(store)
    , m_heap(heap)
    , m_field(field)
    , m_order(order)
{
}

DWORD OrderList::Count() const
{
    return CountedList::Count(m_store, List(), identifierSize);
}

DWORD OrderList::EntryAt(DWORD list, DWORD index) const
{
    return CountedList::KeyAt(m_store, list, identifierSize, index);
}

std::vector<DWORD> OrderList::All() const
{
    const DWORD list = List();
    const DWORD count = Count();
    std::vector<DWORD> contacts;
    contacts.reserve(count);
    for (DWORD i = 0; i < count; ++i)
        contacts.push_back(EntryAt(list, i));
    return contacts;
}

bool OrderList::Precedes(const std::u16string& text, DWORD contact, const std::u16string& otherText, DWORD other)
{
    switch (CompareString(LOCALE_SYSTEM_DEFAULT, 0, text.c_str(), static_cast<int>(text.size()), otherText.c_str(),
                          static_cast<int>(otherText.size()))) {
    case CSTR_LESS_THAN:
        return true;
    case CSTR_GREATER_THAN:
        return false;
    default:
        return contact < other;
    }
}

OrderList::Insertion OrderList::Insert(DWORD contact, SortTextReader& sortTexts)
{
    const auto text = sortTexts.SortText(contact, m_order);
    if (!text)
        return Insertion::Unreadable;
    const DWORD list = List();
    const DWORD count = Count();
    DWORD low = 0;
    DWORD high = count;
    while (low < high) {
        const DWORD middle = low + (high - low) / 2;
        const DWORD other = EntryAt(list, middle);
        const auto otherText = sortTexts.SortText(other, m_order);
        if (!otherText) {
            m_store.Write32(list + listEntries + middle * identifierSize, contact);
            return Insertion::TookVanishedPlace;
        }
        if (Precedes(*text, contact, *otherText, other))
            high = middle;
        else
            low = middle + 1;
    }
    const DWORD copy = m_heap.Allocate(listEntries + (count + 1) * identifierSize);
    if (!copy)
        return Insertion::OutOfMemory;
    m_store.Write32(copy + listCount, count + 1);
    m_store.Move(copy + listEntries, list + listEntries, low * identifierSize);
    m_store.Write32(copy + listEntries + low * identifierSize, contact);
    m_store.Move(copy + listEntries + (low + 1) * identifierSize, list + listEntries + low * identifierSize,
                 (count - low) * identifierSize);
    if (list)
        m_heap.Free(list);
    m_store.Write32(m_field, copy);
    return Insertion::Inserted;
}

bool OrderList::Fill(const std::vector<DWORD>& contacts, SortTextReader& sortTexts)
{
    std::vector<std::pair<std::u16string, DWORD>> entries;
    entries.reserve(contacts.size());
    for (const DWORD contact : contacts) {
        if (auto text = sortTexts.SortText(contact, m_order))
            entries.emplace_back(std::move(*text), contact);
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& one, const auto& other) { return Precedes(one.first, one.second, other.first, other.second); });
    const DWORD count = static_cast<DWORD>(entries.size());
    const DWORD copy = m_heap.Allocate(listEntries + count * identifierSize);
    if (!copy)
        return false;
    m_store.Write32(copy + listCount, count);
    for (DWORD i = 0; i < count; ++i)
        m_store.Write32(copy + listEntries + i * identifierSize, entries[i].second);
    if (const DWORD old = List())
        m_heap.Free(old);
    m_store.Write32(m_field, copy);
    return true;
}

void OrderList::Remove(DWORD contact)
{
    const DWORD list = List();
    const DWORD count = Count();
    for (DWORD i = 0; i < count; ++i) {
        if (EntryAt(list, i) != contact)
            continue;
        m_store.Move(list + listEntries + i * identifierSize, list + listEntries + (i + 1) * identifierSize,
                     (count - i - 1) * identifierSize);
        m_store.Write32(list + listCount, count - 1);
        return;
    }
}

void OrderList::RememberPositions(DWORD list, DWORD count) const
{
    m_positions.clear();
    m_positions.reserve(count);
    for (DWORD i = 0; i < count; ++i)
        m_positions.emplace(EntryAt(list, i), i);
    m_positionsList = list;
    m_positionsCount = count;
}

std::optional<DWORD> OrderList::PositionOf(DWORD list, DWORD count, DWORD contact) const
{
    const auto known = m_positions.find(contact);
    if (known == m_positions.end() || known->second >= count || EntryAt(list, known->second) != contact)
        return std::nullopt;
    return known->second;
}

std::vector<DWORD> OrderList::Arrange(const std::vector<DWORD>& contacts) const
{
    std::vector<DWORD> arranged;
    const DWORD list = List();
    const DWORD count = Count();
    if (!list || contacts.empty())
        return arranged;
    if (contacts.size() > count / walkShare) {
        for (DWORD i = 0; i < count; ++i) {
            const DWORD contact = EntryAt(list, i);
            if (std::binary_search(contacts.begin(), contacts.end(), contact))
                arranged.push_back(contact);
        }
        return arranged;
    }

    // A remembered position holds for a contact while the list still has it there; any doubt makes
    // the positions be taken anew once, after which a contact without a position is not listed.
    if (m_positionsList != list || m_positionsCount != count)
        RememberPositions(list, count);
    if (contacts.size() == 1) {
        // The caller look-up's usual answer: one contact.
        const DWORD contact = contacts.front();
        if (!PositionOf(list, count, contact)) {
            RememberPositions(list, count);
            if (!PositionOf(list, count, contact))
                return arranged;
        }
        arranged.push_back(contact);
        return arranged;
    }
    std::vector<std::pair<DWORD, DWORD>> placed;
    for (bool fresh = false;;) {
        placed.clear();
        bool doubtful = false;
        for (const DWORD contact : contacts) {
            if (const auto position = PositionOf(list, count, contact))
                placed.emplace_back(*position, contact);
            else
                doubtful = true;
        }
        if (!doubtful || fresh)
            break;
        RememberPositions(list, count);
        fresh = true;
    }
    std::sort(placed.begin(), placed.end());
    arranged.reserve(placed.size());
    for (const auto& [position, contact] : placed)
        arranged.push_back(contact);
    return arranged;
}

}
