// WordTree: insertion with tails and their unfolding, removal through the NodeChains, and the prefix
// search, as the index file lays them out.
#include "vyx/contacts/WordTree.h"

#include "vyx/contacts/IndexLayout.h"

#include <algorithm>

namespace vyx {

using namespace IndexLayout;

WordTree::WordTree(MappedStore& store, StoreHeap& heap, DWORD rootField, DWORD mapField)
    : m_store(store)
    , m_heap(heap)
    , m_lists(store, heap)
    , m_chains(store, heap)
    , m_map(store, heap, mapField)
    , m_rootField(rootField)
{
}

// ---- Nodes

DWORD WordTree::MaxNodes() const
{
    return m_store.Length() / plainNodeSize + 1;
}

const BYTE* WordTree::NodeBytes(DWORD node) const
{
    if (node < firstPayload)
        return nullptr;
    const BYTE* bytes = m_store.View(node, plainNodeSize);
    if (bytes && bytes[nodeTailFlag] == tailFlagSet && !m_store.Holds(node, tailNodeSize))
        return nullptr;
    return bytes;
}

bool WordTree::IsNode(DWORD node) const
{
    return NodeBytes(node) != nullptr;
}

DWORD WordTree::Parent(DWORD node) const
{
    return m_store.Read32(node + nodeParent);
}

DWORD WordTree::Higher(DWORD node) const
{
    return m_store.Read32(node + nodeHigher);
}

DWORD WordTree::Equal(DWORD node) const
{
    return m_store.Read32(node + nodeEqual);
}

DWORD WordTree::Lower(DWORD node) const
{
    return m_store.Read32(node + nodeLower);
}

DWORD WordTree::List(DWORD node) const
{
    return m_store.Read32(node + nodeList);
}

char16_t WordTree::Character(DWORD node) const
{
    return static_cast<char16_t>(m_store.Read16(node + nodeCharacter));
}

bool WordTree::HasTail(DWORD node) const
{
    return m_store.Read8(node + nodeTailFlag) == tailFlagSet;
}

bool WordTree::HasChildren(DWORD node) const
{
    return Higher(node) || Equal(node) || Lower(node);
}

void WordTree::SetLink(DWORD node, DWORD field, DWORD value)
{
    m_store.Write32(node + field, value);
}

std::u16string WordTree::TailText(DWORD node) const
{
    std::u16string text;
    DWORD at = m_store.Read32(node + nodeTail);
    while (at >= firstPayload && m_store.Holds(at, 2)) {
        const auto character = static_cast<char16_t>(m_store.Read16(at));
        if (character == 0)
            break;
        text += character;
        at += 2;
    }
    return text;
}

bool WordTree::TailBeginsWith(DWORD node, std::u16string_view text) const
{
    const DWORD tail = m_store.Read32(node + nodeTail);
    if (tail < firstPayload || text.size() > MappedStore::maxDataLength / 2)
        return false;
    const BYTE* characters = m_store.View(tail, static_cast<DWORD>(2 * text.size()));
    if (!characters)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (MappedStore::ReadLittle16(characters + 2 * i) != text[i])
            return false;
    }
    return true;
}

DWORD WordTree::CreateNode(std::u16string_view text, std::size_t at, DWORD parent)
{
    const std::size_t tailLength = text.size() - at - 1;
    const DWORD node = m_heap.Allocate(tailLength ? tailNodeSize : plainNodeSize);
    if (!node)
        return 0;
    DWORD tail = 0;
    if (tailLength) {
        tail = m_heap.Allocate(static_cast<DWORD>(2 * (tailLength + 1)));
        if (!tail) {
            m_heap.Free(node);
            return 0;
        }
        for (std::size_t i = 0; i < tailLength; ++i)
            m_store.Write16(tail + static_cast<DWORD>(2 * i), text[at + 1 + i]);
        m_store.Write16(tail + static_cast<DWORD>(2 * tailLength), 0);
    }
    m_store.Zero(node, tailLength ? tailNodeSize : plainNodeSize);
    m_store.Write32(node + nodeParent, parent);
    m_store.Write16(node + nodeCharacter, text[at]);
    if (tailLength) {
        m_store.Write8(node + nodeTailFlag, tailFlagSet);
        m_store.Write32(node + nodeTail, tail);
    }
    return node;
}

void WordTree::FreeNode(DWORD node)
{
    if (!node)
        return;
    if (HasTail(node))
        m_heap.Free(m_store.Read32(node + nodeTail));
    m_heap.Free(node);
}

// ---- Insertion

bool WordTree::Insert(std::u16string_view word, DWORD contact, std::vector<DWORD>& recorded)
{
    if (word.empty())
        return true;
    if (!Root()) {
        const DWORD root = CreateNode(word.substr(0, 1), 0, 0);
        if (!root)
            return false;
        SetRoot(root);
    }
    std::set<DWORD> deleted;
    DWORD stopped = 0;
    const DWORD terminal = FindTerminal(word, stopped);
    if (!terminal) {
        Prune(stopped, deleted);
        return false;
    }
    if (!Attach(terminal, contact, recorded)) {
        Prune(terminal, deleted);
        return false;
    }
    return true;
}

DWORD WordTree::FindTerminal(std::u16string_view word, DWORD& stopped)
{
    const DWORD limit = MaxNodes() + static_cast<DWORD>(word.size());
    DWORD node = Root();
    std::size_t at = 0;
    for (DWORD steps = 0; IsNode(node) && steps <= limit; ++steps) {
        stopped = node;
        const char16_t character = Character(node);
        if (word[at] != character) {
            const DWORD field = word[at] < character ? nodeLower : nodeHigher;
            const DWORD child = m_store.Read32(node + field);
            if (child) {
                node = child;
                continue;
            }
            const DWORD created = CreateNode(word, at, node);
            if (created)
                SetLink(node, field, created);
            return created;
        }
        ++at;
        if (at == word.size()) {
            if (!HasTail(node) || Equal(node))
                return node;
            return Unfold(node, word, at);
        }
        if (Equal(node)) {
            node = Equal(node);
            continue;
        }
        if (HasTail(node))
            return Unfold(node, word, at);
        const DWORD created = CreateNode(word, at, node);
        if (created)
            SetLink(node, nodeEqual, created);
        return created;
    }
    stopped = 0;
    return 0;
}

DWORD WordTree::Unfold(DWORD node, std::u16string_view word, std::size_t at)
{
    const std::u16string tail = TailText(node);
    const std::u16string_view rest = word.substr(at);
    if (rest == tail)
        return node;
    std::size_t shared = 0;
    while (shared < tail.size() && shared < rest.size() && tail[shared] == rest[shared])
        ++shared;

    // Every new node first, so that running out of memory leaves the tail as it was.
    std::vector<DWORD> sharedNodes;
    DWORD tailNode = 0;
    DWORD wordNode = 0;
    bool complete = true;
    for (std::size_t i = 0; i < shared && complete; ++i) {
        sharedNodes.push_back(CreateNode(std::u16string_view(tail).substr(i, 1), 0, 0));
        complete = sharedNodes.back() != 0;
    }
    if (complete && shared < tail.size()) {
        tailNode = CreateNode(tail, shared, 0);
        complete = tailNode != 0;
    }
    if (complete && shared < rest.size()) {
        wordNode = CreateNode(rest, shared, 0);
        complete = wordNode != 0;
    }
    if (!complete) {
        for (const DWORD created : sharedNodes)
            FreeNode(created);
        FreeNode(tailNode);
        FreeNode(wordNode);
        return 0;
    }

    DWORD current = node;
    for (const DWORD created : sharedNodes) {
        SetLink(created, nodeParent, current);
        SetLink(current, nodeEqual, created);
        current = created;
    }
    const DWORD list = List(node);
    m_heap.Free(m_store.Read32(node + nodeTail));
    m_store.Write8(node + nodeTailFlag, 0);
    SetLink(node, nodeTail, 0);
    SetLink(node, nodeList, 0);
    if (tailNode) {
        SetLink(tailNode, nodeParent, current);
        SetLink(current, nodeEqual, tailNode);
        SetLink(tailNode, nodeList, list);
    } else {
        SetLink(current, nodeList, list);
    }
    if (!wordNode)
        return current;
    const DWORD equal = Equal(current);
    if (equal) {
        SetLink(wordNode, nodeParent, equal);
        SetLink(equal, rest[shared] < Character(equal) ? nodeLower : nodeHigher, wordNode);
    } else {
        SetLink(wordNode, nodeParent, current);
        SetLink(current, nodeEqual, wordNode);
    }
    return wordNode;
}

bool WordTree::Attach(DWORD terminal, DWORD contact, std::vector<DWORD>& recorded)
{
    const DWORD list = List(terminal);
    DWORD changed = 0;
    if (!list) {
        changed = m_lists.Create(contact);
    } else {
        if (m_lists.Contains(list, contact))
            return true;
        changed = m_lists.Insert(list, contact);
    }
    if (!changed)
        return false;
    SetLink(terminal, nodeList, changed);
    recorded.push_back(terminal);
    return true;
}

bool WordTree::RecordChain(DWORD contact, const std::vector<DWORD>& recorded)
{
    DWORD chain = m_map.Find(contact);
    const bool made = !chain;
    if (made) {
        chain = m_chains.Create();
        if (!chain)
            return false;
        if (!m_map.Insert(contact, chain)) {
            m_chains.Free(chain);
            return false;
        }
    }
    if (m_chains.Append(chain, recorded))
        return true;
    if (made) {
        m_map.Remove(contact);
        m_chains.Free(chain);
    }
    return false;
}

// ---- Removal

void WordTree::Prune(DWORD node, std::set<DWORD>& deleted)
{
    const DWORD limit = MaxNodes();
    for (DWORD steps = 0; IsNode(node) && !List(node) && !HasChildren(node) && steps <= limit; ++steps) {
        const DWORD parent = Parent(node);
        if (IsNode(parent)) {
            for (const DWORD field : { nodeHigher, nodeEqual, nodeLower }) {
                if (m_store.Read32(parent + field) == node)
                    SetLink(parent, field, 0);
            }
        } else if (Root() == node) {
            SetRoot(0);
        }
        FreeNode(node);
        deleted.insert(node);
        node = parent;
    }
}

void WordTree::RemoveFromNodes(DWORD contact, const std::vector<DWORD>& nodes)
{
    const DWORD limit = MaxNodes();
    std::set<DWORD> deleted;
    for (const DWORD node : nodes) {
        if (deleted.contains(node) || !IsNode(node))
            continue;
        // A list may have moved down the equal children when a tail was unfolded.
        DWORD last = node;
        DWORD steps = 0;
        for (DWORD current = node; IsNode(current) && steps <= limit; current = Equal(current), ++steps) {
            if (const DWORD list = List(current))
                SetLink(current, nodeList, m_lists.Remove(list, contact));
            last = current;
        }
        Prune(last, deleted);
    }
}

void WordTree::RemoveContact(DWORD contact)
{
    const DWORD chain = m_map.Find(contact);
    if (!chain)
        return;
    RemoveFromNodes(contact, m_chains.Nodes(chain));
    m_chains.Free(chain);
    m_map.Remove(contact);
}

// ---- Search

std::vector<DWORD> WordTree::SearchPrefix(std::u16string_view key) const
{
    // The hottest walk of the program (every incoming call): one check per node, then its fields.
    const auto link = [](const BYTE* node, DWORD field) { return MappedStore::ReadLittle32(node + field); };
    std::vector<DWORD> contacts;
    if (key.empty())
        return contacts;
    const DWORD limit = MaxNodes();
    const BYTE* found = nullptr;
    DWORD node = Root();
    std::size_t at = 0;
    for (DWORD steps = 0; steps <= limit; ++steps) {
        const BYTE* bytes = NodeBytes(node);
        if (!bytes)
            break;
        const auto character = static_cast<char16_t>(MappedStore::ReadLittle16(bytes + nodeCharacter));
        if (key[at] != character) {
            node = link(bytes, key[at] < character ? nodeLower : nodeHigher);
            continue;
        }
        ++at;
        if (at == key.size()) {
            found = bytes;
            break;
        }
        if (bytes[nodeTailFlag] == tailFlagSet) {
            if (TailBeginsWith(node, key.substr(at)))
                found = bytes;
            break;
        }
        node = link(bytes, nodeEqual);
    }
    if (!found)
        return contacts;

    m_lists.AppendTo(link(found, nodeList), contacts);
    if (!link(found, nodeEqual))
        return contacts;
    std::vector<DWORD> pending { link(found, nodeEqual) };
    for (DWORD visited = 0; !pending.empty() && visited <= limit; ++visited) {
        const BYTE* bytes = NodeBytes(pending.back());
        pending.pop_back();
        if (!bytes)
            continue;
        m_lists.AppendTo(link(bytes, nodeList), contacts);
        for (const DWORD field : { nodeLower, nodeEqual, nodeHigher }) {
            if (const DWORD child = link(bytes, field))
                pending.push_back(child);
        }
    }
    std::sort(contacts.begin(), contacts.end());
    contacts.erase(std::unique(contacts.begin(), contacts.end()), contacts.end());
    return contacts;
}

DWORD WordTree::NodeCount() const
{
    const DWORD limit = MaxNodes();
    DWORD count = 0;
    std::vector<DWORD> pending;
    if (Root())
        pending.push_back(Root());
    while (!pending.empty() && count <= limit) {
        const DWORD node = pending.back();
        pending.pop_back();
        if (!IsNode(node))
            continue;
        ++count;
        for (const DWORD child : { Lower(node), Equal(node), Higher(node) }) {
            if (child)
                pending.push_back(child);
        }
    }
    return count;
}

}
