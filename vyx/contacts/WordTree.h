// WordTree: one of the index's two search trees (the words of contacts, or their keypad keys). A
// ternary search tree of WordNodes: each node holds one character, with children for greater,
// following and smaller characters. A node that only one word passes through keeps the rest of that
// word as a tail string instead of a chain of nodes, and is unfolded when a second word needs it.
// The node where a word ends holds the OidList of its contacts; each contact's terminal nodes are
// kept in its NodeChain, found through the tree's NodeChainMap.
//
// Every offset read from the store is checked and every walk is bounded, so a damaged tree ends a
// search instead of leading it outside the data or round in circles.
#pragma once

#include "vyx/contacts/MappedStore.h"
#include "vyx/contacts/NodeChain.h"
#include "vyx/contacts/NodeChainMap.h"
#include "vyx/contacts/OidList.h"
#include "vyx/contacts/StoreHeap.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vyx {

class WordTree {
public:
    // `rootField` and `mapField`: the header fields of the tree's root and of its NodeChainMap.
    WordTree(MappedStore& store, StoreHeap& heap, DWORD rootField, DWORD mapField);

    // Enters the word for the contact. The terminal node's offset is appended to `recorded` when its
    // list changed. False when memory ran out: the tree is then as before, save for lists that moved.
    bool Insert(std::u16string_view word, DWORD contact, std::vector<DWORD>& recorded);
    // Appends the recorded terminal nodes to the contact's NodeChain, made when it has none. False, and
    // the chain and map as before, when memory ran out.
    bool RecordChain(DWORD contact, const std::vector<DWORD>& recorded);
    // Takes the contact out of every list its NodeChain leads to, deletes the nodes left empty, and
    // drops the chain.
    void RemoveContact(DWORD contact);
    // The same for nodes recorded by Insert that never reached the chain.
    void RemoveFromNodes(DWORD contact, const std::vector<DWORD>& nodes);

    // The contacts of every word beginning with `key`, ascending, each once.
    std::vector<DWORD> SearchPrefix(std::u16string_view key) const;

    DWORD NodeCount() const;
    DWORD ChainCount() const { return m_map.Count(); }

private:
    DWORD Root() const { return m_store.Read32(m_rootField); }
    void SetRoot(DWORD node) { m_store.Write32(m_rootField, node); }
    // An upper bound for the number of nodes, to end walks over a damaged tree.
    DWORD MaxNodes() const;

    // The node's bytes when all of them lie inside the data; null for anything else.
    const BYTE* NodeBytes(DWORD node) const;
    bool IsNode(DWORD node) const;
    DWORD Parent(DWORD node) const;
    DWORD Higher(DWORD node) const;
    DWORD Equal(DWORD node) const;
    DWORD Lower(DWORD node) const;
    DWORD List(DWORD node) const;
    char16_t Character(DWORD node) const;
    bool HasTail(DWORD node) const;
    bool HasChildren(DWORD node) const;
    void SetLink(DWORD node, DWORD field, DWORD value);
    std::u16string TailText(DWORD node) const;
    bool TailBeginsWith(DWORD node, std::u16string_view text) const;

    // A node for text[at] not yet linked into the tree: with a tail holding the characters after it,
    // when there are any. 0 when no memory can be had.
    DWORD CreateNode(std::u16string_view text, std::size_t at, DWORD parent);
    // Frees a node and its tail.
    void FreeNode(DWORD node);
    // Walks to the node where `word` ends, making what is missing. 0 when memory ran out; `stopped` is
    // then the node where it happened.
    DWORD FindTerminal(std::u16string_view word, DWORD& stopped);
    // Turns the tail of `node` into nodes where `word` from `at` on leaves it; returns the terminal.
    DWORD Unfold(DWORD node, std::u16string_view word, std::size_t at);
    // Puts the contact into the terminal's list.
    bool Attach(DWORD terminal, DWORD contact, std::vector<DWORD>& recorded);
    // Deletes the node when it has neither list nor children, then each parent left so; notes them.
    void Prune(DWORD node, std::set<DWORD>& deleted);

    MappedStore& m_store;
    StoreHeap& m_heap;
    OidList m_lists;
    NodeChain m_chains;
    NodeChainMap m_map;
    DWORD m_rootField;
};

}
