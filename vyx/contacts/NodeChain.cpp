// NodeChain: filling the last block, linking in new ones, and walking the circle.
#include "vyx/contacts/NodeChain.h"

#include "vyx/contacts/IndexLayout.h"

#include <algorithm>

namespace vyx {

using namespace IndexLayout;

NodeChain::NodeChain(MappedStore& store, StoreHeap& heap)
    : m_store(store)
    , m_heap(heap)
{
}

DWORD NodeChain::Create()
{
    const DWORD block = m_heap.Allocate(chainBlockSize);
    if (block) {
        m_store.Zero(block, chainBlockSize);
        m_store.Write32(block + chainNext, block);
        m_store.Write32(block + chainPrevious, block);
    }
    return block;
}

DWORD NodeChain::SlotCount(DWORD block) const
{
    return std::min(m_store.Read32(block + chainCount), chainSlotCount);
}

bool NodeChain::Append(DWORD chain, const std::vector<DWORD>& nodes)
{
    if (chain < firstPayload || !m_store.Holds(chain, chainBlockSize))
        return false;
    DWORD last = m_store.Read32(chain + chainPrevious);
    if (last < firstPayload || !m_store.Holds(last, chainBlockSize))
        last = chain;
    const std::size_t room = chainSlotCount - SlotCount(last);
    const std::size_t extra = nodes.size() > room ? (nodes.size() - room + chainSlotCount - 1) / chainSlotCount : 0;

    // Every block first, so that a failure leaves the chain as it was.
    std::vector<DWORD> added;
    for (std::size_t i = 0; i < extra; ++i) {
        const DWORD block = m_heap.Allocate(chainBlockSize);
        if (!block) {
            for (const DWORD taken : added)
                m_heap.Free(taken);
            return false;
        }
        m_store.Zero(block, chainBlockSize);
        added.push_back(block);
    }
    for (const DWORD block : added) {
        // In after the last block, which is the first block's previous.
        m_store.Write32(block + chainPrevious, last);
        m_store.Write32(block + chainNext, chain);
        m_store.Write32(last + chainNext, block);
        m_store.Write32(chain + chainPrevious, block);
    }

    DWORD block = last;
    DWORD count = SlotCount(block);
    std::size_t next = 0;
    for (const DWORD node : nodes) {
        if (count == chainSlotCount) {
            m_store.Write32(block + chainCount, count);
            block = added[next++];
            count = 0;
        }
        m_store.Write32(block + chainSlots + count * 4, node);
        ++count;
    }
    m_store.Write32(block + chainCount, count);
    return true;
}

std::vector<DWORD> NodeChain::Blocks(DWORD chain) const
{
    std::vector<DWORD> blocks;
    const DWORD limit = m_store.Length() / chainBlockSize;
    DWORD block = chain;
    while (block >= firstPayload && m_store.Holds(block, chainBlockSize) && blocks.size() < limit) {
        blocks.push_back(block);
        block = m_store.Read32(block + chainNext);
        if (block == chain)
            break;
    }
    return blocks;
}

std::vector<DWORD> NodeChain::Nodes(DWORD chain) const
{
    std::vector<DWORD> nodes;
    for (const DWORD block : Blocks(chain)) {
        const DWORD count = SlotCount(block);
        for (DWORD i = 0; i < count; ++i)
            nodes.push_back(m_store.Read32(block + chainSlots + i * 4));
    }
    return nodes;
}

void NodeChain::Free(DWORD chain)
{
    for (const DWORD block : Blocks(chain))
        m_heap.Free(block);
}

}
