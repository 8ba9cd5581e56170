// StoreHeap: first fit with splitting, merging on free, the ascending circular free list, and growth.
// Every block and link read from the store is checked before it is followed, so a damaged heap ends an
// operation instead of leading it outside the data.
#include "vyx/contacts/StoreHeap.h"

#include "common/ErrorLog.h"
#include "vyx/contacts/IndexLayout.h"

#include <algorithm>
#include <cstdint>

namespace vyx {

using namespace IndexLayout;

namespace {

constexpr const char16_t* outOfMemory = u"Unable open memory as mapped file!!!";

DWORD roundedPayload(DWORD size)
{
    return std::max(minimumPayload, (size + 3) & ~DWORD { 3 });
}

}

StoreHeap::StoreHeap(MappedStore& store)
    : m_store(store)
{
}

void StoreHeap::Format()
{
    const DWORD total = m_store.Length() - heapStart;
    m_store.Write32(heapStart + heapTotalSize, total);
    const DWORD payload = total - heapFirstBlock - blockOverhead;
    SetTags(heapFirstBlock, -static_cast<LONG>(payload));
    SetNext(heapFirstBlock, heapFirstBlock);
    SetPrevious(heapFirstBlock, heapFirstBlock);
    SetFirstFree(heapFirstBlock);
}

bool StoreHeap::IsPlausible() const
{
    const DWORD length = m_store.Length();
    if (length < heapStart + heapFirstBlock + blockOverhead + minimumPayload || Total() != length - heapStart)
        return false;
    const DWORD first = FirstFree();
    return first == 0 || IsFreeBlock(first);
}

DWORD StoreHeap::Total() const
{
    return m_store.Read32(heapStart + heapTotalSize);
}

LONG StoreHeap::Tag(DWORD block) const
{
    return static_cast<LONG>(m_store.Read32(heapStart + block));
}

void StoreHeap::SetTags(DWORD block, LONG tag)
{
    const DWORD payload = static_cast<DWORD>(tag < 0 ? -tag : tag);
    m_store.Write32(heapStart + block, static_cast<DWORD>(tag));
    m_store.Write32(heapStart + block + tagSize + payload, static_cast<DWORD>(tag));
}

DWORD StoreHeap::Next(DWORD block) const
{
    return m_store.Read32(heapStart + block + tagSize + freeNext);
}

DWORD StoreHeap::Previous(DWORD block) const
{
    return m_store.Read32(heapStart + block + tagSize + freePrevious);
}

void StoreHeap::SetNext(DWORD block, DWORD next)
{
    m_store.Write32(heapStart + block + tagSize + freeNext, next);
}

void StoreHeap::SetPrevious(DWORD block, DWORD previous)
{
    m_store.Write32(heapStart + block + tagSize + freePrevious, previous);
}

DWORD StoreHeap::FirstFree() const
{
    return m_store.Read32(heapStart + heapFirstFree);
}

void StoreHeap::SetFirstFree(DWORD block)
{
    m_store.Write32(heapStart + heapFirstFree, block);
}

bool StoreHeap::IsFreeBlock(DWORD block) const
{
    const std::uint64_t total = Total();
    if (block < heapFirstBlock || block % 4 != 0 || block + std::uint64_t { blockOverhead + minimumPayload } > total)
        return false;
    const LONG tag = Tag(block);
    if (tag >= 0)
        return false;
    const std::uint64_t payload = static_cast<std::uint64_t>(-static_cast<std::int64_t>(tag));
    return payload >= minimumPayload && payload % 4 == 0 && block + blockOverhead + payload <= total;
}

DWORD StoreHeap::MaxBlocks() const
{
    return Total() / (blockOverhead + minimumPayload) + 1;
}

DWORD StoreHeap::Allocate(DWORD size)
{
    if (size > MappedStore::maxDataLength) {
        ErrorLog::Write(outOfMemory, u"DebugUtils", __LINE__);
        return 0;
    }
    const DWORD payload = roundedPayload(size);
    DWORD block = TakeFirstFit(payload);
    if (!block) {
        if (!Grow(payload)) {
            ErrorLog::Write(outOfMemory, u"IndexStore", __LINE__);
            return 0;
        }
        block = TakeFirstFit(payload);
        if (!block) {
            ErrorLog::Write(outOfMemory, u"DebugUtils", __LINE__);
            return 0;
        }
    }
    return heapStart + block + tagSize;
}

DWORD StoreHeap::TakeFirstFit(DWORD size)
{
    const DWORD first = FirstFree();
    if (!first)
        return 0;
    const DWORD limit = MaxBlocks();
    DWORD block = first;
    DWORD steps = 0;
    for (;;) {
        if (!IsFreeBlock(block) || ++steps > limit)
            return 0;
        if (static_cast<DWORD>(-Tag(block)) >= size)
            break;
        block = Next(block);
        if (block == first)
            return 0;
    }

    const DWORD payload = static_cast<DWORD>(-Tag(block));
    if (payload < size + splitMargin) {
        Unlink(block);
        SetTags(block, static_cast<LONG>(payload));
        return block;
    }
    // The front becomes the used block; the rest stays free in the block's place in the list.
    const DWORD next = Next(block);
    const DWORD previous = Previous(block);
    const DWORD rest = block + blockOverhead + size;
    SetTags(block, static_cast<LONG>(size));
    SetTags(rest, -static_cast<LONG>(payload - size - blockOverhead));
    if (next == block) {
        SetNext(rest, rest);
        SetPrevious(rest, rest);
    } else {
        SetNext(rest, next);
        SetPrevious(rest, previous);
        SetNext(previous, rest);
        SetPrevious(next, rest);
    }
    if (FirstFree() == block)
        SetFirstFree(rest);
    return block;
}

void StoreHeap::Unlink(DWORD block)
{
    const DWORD next = Next(block);
    if (next == block) {
        SetFirstFree(0);
        return;
    }
    const DWORD previous = Previous(block);
    SetNext(previous, next);
    SetPrevious(next, previous);
    if (FirstFree() == block)
        SetFirstFree(next);
}

void StoreHeap::LinkInOrder(DWORD block)
{
    const DWORD first = FirstFree();
    if (!first) {
        SetNext(block, block);
        SetPrevious(block, block);
        SetFirstFree(block);
        return;
    }
    // Before the first free block with a higher offset; without one, at the end of the circle. A block
    // past the last free one goes there at once: memory given back in address order would otherwise
    // walk the whole list for each block.
    const DWORD limit = MaxBlocks();
    const DWORD last = Previous(first);
    DWORD higher = first;
    for (DWORD steps = 0; higher < block && steps <= limit && !(IsFreeBlock(last) && last < block); ++steps) {
        higher = Next(higher);
        if (higher == first || !IsFreeBlock(higher)) {
            higher = first;
            break;
        }
    }
    const DWORD previous = Previous(higher);
    SetNext(previous, block);
    SetPrevious(block, previous);
    SetNext(block, higher);
    SetPrevious(higher, block);
    if (block < first)
        SetFirstFree(block);
}

void StoreHeap::Release(DWORD block)
{
    DWORD start = block;
    DWORD size = static_cast<DWORD>(Tag(block));
    // The block before: its closing tag lies just before this block.
    if (block > heapFirstBlock) {
        const LONG before = static_cast<LONG>(m_store.Read32(heapStart + block - tagSize));
        if (before < 0) {
            const auto beforeSize = static_cast<DWORD>(-static_cast<std::int64_t>(before));
            const std::int64_t beforeStart = std::int64_t { block } - blockOverhead - beforeSize;
            if (beforeStart >= heapFirstBlock && IsFreeBlock(static_cast<DWORD>(beforeStart))
                && Tag(static_cast<DWORD>(beforeStart)) == before) {
                Unlink(static_cast<DWORD>(beforeStart));
                start = static_cast<DWORD>(beforeStart);
                size += beforeSize + blockOverhead;
            }
        }
    }
    const DWORD after = start + blockOverhead + size;
    if (after < Total() && IsFreeBlock(after)) {
        const auto afterSize = static_cast<DWORD>(-Tag(after));
        Unlink(after);
        size += afterSize + blockOverhead;
    }
    SetTags(start, -static_cast<LONG>(size));
    LinkInOrder(start);
}

void StoreHeap::Free(DWORD payload)
{
    if (payload < heapStart + heapFirstBlock + tagSize)
        return;
    const DWORD block = payload - heapStart - tagSize;
    const LONG tag = Tag(block);
    if (tag < static_cast<LONG>(minimumPayload) || tag % 4 != 0
        || block + std::uint64_t { blockOverhead } + static_cast<DWORD>(tag) > Total())
        return;
    // The closing tag repeats the tag, unless a save left the file's size mark there.
    const DWORD closing = heapStart + block + tagSize + static_cast<DWORD>(tag);
    const DWORD closingTag = m_store.Read32(closing);
    if (closingTag != static_cast<DWORD>(tag) && closingTag != closing + 8)
        return;
    Release(block);
}

DWORD StoreHeap::PayloadSize(DWORD payload) const
{
    if (payload < heapStart + heapFirstBlock + tagSize)
        return 0;
    const LONG tag = Tag(payload - heapStart - tagSize);
    return tag > 0 ? static_cast<DWORD>(tag) : 0;
}

bool StoreHeap::Grow(DWORD size)
{
    const DWORD length = m_store.Length();
    const DWORD room = (MappedStore::maxDataLength - length) & ~DWORD { 3 };
    const DWORD needed = size + blockOverhead;
    if (room < needed)
        return false;
    // Near the region's end the store takes what is left rather than a whole step.
    const DWORD growth = std::min(std::max(needed, growthStep), room);
    const DWORD oldTotal = Total();
    if (!m_store.Grow(length + growth))
        return false;
    m_store.Write32(heapStart + heapTotalSize, oldTotal + growth);
    SetTags(oldTotal, static_cast<LONG>(growth - blockOverhead));
    Release(oldTotal);
    return true;
}

StoreHeap::FreeSpace StoreHeap::FreeSpaceTotal() const
{
    FreeSpace space { 0, 0 };
    const DWORD first = FirstFree();
    if (!first)
        return space;
    const DWORD limit = MaxBlocks();
    DWORD block = first;
    do {
        if (!IsFreeBlock(block) || space.blocks >= limit)
            break;
        space.bytes += static_cast<DWORD>(-Tag(block));
        ++space.blocks;
        block = Next(block);
    } while (block != first);
    return space;
}

}
