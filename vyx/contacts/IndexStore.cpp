// IndexStore: creating and opening the store, entering and removing contacts with the undoing of a
// change that ran out of memory, and the searches.
#include "vyx/contacts/IndexStore.h"

#include "common/Str.h"
#include "platform/api/WinNls.h"
#include "vyx/keypad/WordSplitter.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace vyx {

using namespace IndexLayout;

namespace {

// A search text trimmed of white space and lower-cased, as words are when entered.
std::u16string foldedSearchText(std::u16string_view text)
{
    std::u16string folded(text);
    // Printable ASCII is never white space: text with such ends, the usual case, needs no trimming.
    const auto plain = [](char16_t character) { return character > u' ' && character < 0x7F; };
    if (!folded.empty() && !(plain(folded.front()) && plain(folded.back()))) {
        Str trimmed(folded.c_str());
        trimmed.TrimLeft();
        trimmed.TrimRight();
        folded.assign(static_cast<LPCWSTR>(trimmed), static_cast<std::size_t>(trimmed.GetLength()));
    }
    CharLowerBuff(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

std::vector<DWORD> sortedOnce(std::vector<DWORD> contacts)
{
    std::sort(contacts.begin(), contacts.end());
    contacts.erase(std::unique(contacts.begin(), contacts.end()), contacts.end());
    return contacts;
}

}

IndexStore::IndexStore(std::u16string_view path)
    : m_store(path)
    , m_heap(m_store)
    , m_words(m_store, m_heap, wordTreeRoot, wordNodeMap)
    , m_keys(m_store, m_heap, keypadTreeRoot, keypadNodeMap)
    , m_orders { OrderList(m_store, m_heap, orderList0, 0), OrderList(m_store, m_heap, orderList1, 1) }
    , m_table(m_store, m_heap, contactTable)
{
}

bool IndexStore::Create(DWORD size)
{
    const std::uint64_t length = size < smallCreateLimit ? smallDataLength : (std::uint64_t { size } + createSlack) & ~std::uint64_t { 3 };
    m_table.Forget();
    if (length > MappedStore::maxDataLength || !m_store.Create(static_cast<DWORD>(length)))
        return false;
    m_store.Write32(formatWord1, formatWord1Value);
    m_store.Write32(formatWord2, formatWord2Value);
    m_heap.Format();
    return true;
}

bool IndexStore::Open()
{
    m_table.Forget();
    if (!m_store.Open())
        return false;
    if (m_store.Read32(formatWord1) != formatWord1Value || m_store.Read32(formatWord2) != formatWord2Value
        || !m_heap.IsPlausible()) {
        m_store.Close();
        return false;
    }
    m_table.Load();
    return true;
}

void IndexStore::Close()
{
    m_store.Close();
    m_table.Forget();
}

bool IndexStore::OutOfMemory()
{
    m_store.MarkUntrusted();
    return false;
}

bool IndexStore::EnterContact(const IndexedContact& contact)
{
    const DWORD identifier = contact.identifier;
    std::vector<DWORD> wordNodes;
    std::vector<DWORD> keyNodes;
    bool entered = std::all_of(contact.words.begin(), contact.words.end(),
                               [&](const std::u16string& word) { return m_words.Insert(word, identifier, wordNodes); });
    entered = entered && std::all_of(contact.keypadKeys.begin(), contact.keypadKeys.end(),
                                     [&](const std::u16string& key) { return m_keys.Insert(key, identifier, keyNodes); });
    if (!entered || !m_words.RecordChain(identifier, wordNodes)) {
        m_words.RemoveFromNodes(identifier, wordNodes);
        m_keys.RemoveFromNodes(identifier, keyNodes);
        return OutOfMemory();
    }
    if (!m_keys.RecordChain(identifier, keyNodes)) {
        m_words.RemoveContact(identifier);
        m_keys.RemoveFromNodes(identifier, keyNodes);
        return OutOfMemory();
    }
    if (!m_table.Append(identifier, contact.propsOffset)) {
        m_words.RemoveContact(identifier);
        m_keys.RemoveContact(identifier);
        return OutOfMemory();
    }
    return true;
}

bool IndexStore::AddContact(const IndexedContact& contact, SortTextReader& sortTexts)
{
    const DWORD identifier = contact.identifier;
    if (!IsOpen() || identifier == 0)
        return false;
    if (m_table.PropsOffsetOf(identifier))
        RemoveContact(identifier);
    if (!EnterContact(contact))
        return false;
    for (OrderList& list : m_orders) {
        switch (list.Insert(identifier, sortTexts)) {
        case OrderList::Insertion::Inserted:
        case OrderList::Insertion::TookVanishedPlace:
            break;
        case OrderList::Insertion::Unreadable:
            RemoveContact(identifier);
            return false;
        case OrderList::Insertion::OutOfMemory:
            RemoveContact(identifier);
            return OutOfMemory();
        }
    }
    return true;
}

std::size_t IndexStore::Fill(const std::vector<IndexedContact>& contacts, SortTextReader& sortTexts)
{
    if (!IsOpen() || m_table.Count() != 0)
        return 0;
    std::vector<DWORD> entered;
    entered.reserve(contacts.size());
    for (const IndexedContact& contact : contacts) {
        if (contact.identifier != 0 && !m_table.PropsOffsetOf(contact.identifier) && EnterContact(contact))
            entered.push_back(contact.identifier);
    }
    for (OrderList& list : m_orders) {
        if (!list.Fill(entered, sortTexts)) {
            for (const DWORD contact : entered)
                RemoveContact(contact);
            OutOfMemory();
            return 0;
        }
    }
    return entered.size();
}

void IndexStore::RemoveContact(DWORD contact)
{
    if (!IsOpen())
        return;
    m_words.RemoveContact(contact);
    m_keys.RemoveContact(contact);
    for (OrderList& list : m_orders)
        list.Remove(contact);
    m_table.Remove(contact);
}

bool IndexStore::UpdateContact(const IndexedContact& contact, SortTextReader& sortTexts)
{
    RemoveContact(contact.identifier);
    return AddContact(contact, sortTexts);
}

std::optional<DWORD> IndexStore::PropsOffsetOf(DWORD contact) const
{
    return m_table.PropsOffsetOf(contact);
}

std::vector<DWORD> IndexStore::Intersection(const std::vector<DWORD>& sorted, std::vector<DWORD> contacts)
{
    contacts = sortedOnce(std::move(contacts));
    std::vector<DWORD> common;
    std::set_intersection(sorted.begin(), sorted.end(), contacts.begin(), contacts.end(), std::back_inserter(common));
    return common;
}

std::vector<DWORD> IndexStore::Ordered(const std::vector<DWORD>& sorted, int order) const
{
    if (order < 0 || order >= orderCount)
        return {};
    return m_orders[static_cast<std::size_t>(order)].Arrange(sorted);
}

std::vector<DWORD> IndexStore::SearchWordsRaw(std::u16string_view text) const
{
    // Each word of the text, split where contact text is split, narrows the contacts of the ones before.
    const std::u16string folded = foldedSearchText(text);
    std::vector<DWORD> running;
    bool first = true;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= folded.size(); ++at) {
        if (at < folded.size() && !keypad::WordSplitter::IsSeparator(folded[at]))
            continue;
        if (at > start) {
            std::vector<DWORD> found = m_words.SearchPrefix(std::u16string_view(folded).substr(start, at - start));
            running = first ? std::move(found) : Intersection(running, std::move(found));
            first = false;
            if (running.empty())
                break;
        }
        start = at + 1;
    }
    return running;
}

std::vector<DWORD> IndexStore::SearchWords(std::u16string_view text, int order) const
{
    return Ordered(SearchWordsRaw(text), order);
}

std::vector<DWORD> IndexStore::SearchWordsWithin(std::u16string_view text, const std::vector<DWORD>& contacts, int order) const
{
    return Ordered(Intersection(SearchWordsRaw(text), contacts), order);
}

std::vector<DWORD> IndexStore::SearchKeysRaw(std::u16string_view key) const
{
    return m_keys.SearchPrefix(key);
}

std::vector<DWORD> IndexStore::SearchKeys(std::u16string_view key, int order) const
{
    return Ordered(SearchKeysRaw(key), order);
}

std::vector<DWORD> IndexStore::SearchKeysWithin(std::u16string_view key, const std::vector<DWORD>& contacts, int order) const
{
    return Ordered(Intersection(SearchKeysRaw(key), contacts), order);
}

std::vector<DWORD> IndexStore::AllInOrder(int order) const
{
    if (order < 0 || order >= orderCount)
        return {};
    return m_orders[static_cast<std::size_t>(order)].All();
}

std::vector<DWORD> IndexStore::InOrder(const std::vector<DWORD>& contacts, int order) const
{
    if (order < 0 || order >= orderCount)
        return {};
    const OrderList& list = m_orders[static_cast<std::size_t>(order)];
    if (contacts.size() == list.Count())
        return list.All();
    return list.Arrange(sortedOnce(contacts));
}

std::vector<DWORD> IndexStore::SearchPrefix(std::u16string_view key)
{
    return SearchWords(key, 0);
}

IndexStore::Statistics IndexStore::Stats() const
{
    const StoreHeap::FreeSpace space = m_heap.FreeSpaceTotal();
    return { m_store.Length(), space.bytes, space.blocks, m_words.NodeCount(), m_keys.NodeCount(), m_table.Count() };
}

}
